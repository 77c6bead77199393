# Stocktaking: sheets with their counts, the sheet dialog and the list window with approval.
target_sources(kvcore PRIVATE
    repositories/batchline.h
    repositories/inventorycheckrepository.h repositories/inventorycheckrepository.cpp
    ui/purchasing/inventorycheckdialog.h ui/purchasing/inventorycheckdialog.cpp
    ui/purchasing/inventorycheckdialog.ui
    ui/purchasing/inventorycheckwindow.h ui/purchasing/inventorycheckwindow.cpp
    ui/purchasing/inventorycheckwindow.ui
)
