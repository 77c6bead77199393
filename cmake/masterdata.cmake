# Drugs and suppliers: repositories, stock batch queries and qualification rules.
target_sources(kvcore PRIVATE
    repositories/productrepository.h repositories/productrepository.cpp
    repositories/supplierrepository.h repositories/supplierrepository.cpp
)

kv_add_test(tst_productrepository tests/masterdata/tst_productrepository.cpp)
kv_add_test(tst_supplierrepository tests/masterdata/tst_supplierrepository.cpp)
