# Drugs and suppliers: repositories, stock batch queries and qualification rules.
target_sources(kvcore PRIVATE
    repositories/productrepository.h repositories/productrepository.cpp
    repositories/supplierrepository.h repositories/supplierrepository.cpp
    repositories/bulkinsert.h
)
