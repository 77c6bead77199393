# Stock on hand: the stock repository and the stock window.
target_sources(kvcore PRIVATE
    repositories/inventoryrepository.h repositories/inventoryrepository.cpp
)

kv_add_test(tst_inventoryrepository tests/stock/tst_inventoryrepository.cpp)
