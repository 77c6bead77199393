# Stocktaking: sheets with their counts, the sheet dialog and the list window with approval.
target_sources(kvcore PRIVATE
    repositories/inventorycheckrepository.h repositories/inventorycheckrepository.cpp
)

kv_add_test(tst_inventorycheckrepository tests/stocktaking/tst_inventorycheckrepository.cpp
            tests/returns/returnseed.h)
