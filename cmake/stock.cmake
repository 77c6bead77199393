# Stock on hand: the stock repository and the stock window.
target_sources(kvcore PRIVATE
    repositories/inventoryrepository.h repositories/inventoryrepository.cpp
    ui/purchasing/inventorywindow.h ui/purchasing/inventorywindow.cpp ui/purchasing/inventorywindow.ui
)
