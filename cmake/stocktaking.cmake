# Stocktaking: sheets with their counts, the sheet dialog and the list window with approval.
target_sources(kvcore PRIVATE
    repositories/batchline.h
    repositories/inventorycheckrepository.h repositories/inventorycheckrepository.cpp
    ui/purchasing/inventorycheckdialog.h ui/purchasing/inventorycheckdialog.cpp
    ui/purchasing/inventorycheckdialog.ui
    ui/purchasing/inventorycheckwindow.h ui/purchasing/inventorycheckwindow.cpp
    ui/purchasing/inventorycheckwindow.ui
)

kv_add_test(tst_inventorycheckrepository tests/stocktaking/tst_inventorycheckrepository.cpp
            tests/returns/returnseed.h)
kv_add_test(tst_inventorycheckwindows tests/stocktaking/tst_inventorycheckwindows.cpp
            tests/returns/returnseed.h)
