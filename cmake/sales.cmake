# Sales: repository, point of sale, sales batch picker, sales list with void, sales order picker.
target_sources(kvcore PRIVATE
    repositories/salesrepository.h repositories/salesrepository.cpp
)

kv_add_test(tst_salesrepository tests/sales/tst_salesrepository.cpp)
