# Purchasing: inbound orders with acceptance and the stock they create, the order dialog, list and picker.
target_sources(kvcore PRIVATE
    repositories/purchaserepository.h repositories/purchaserepository.cpp
    ui/purchasing/purchasedialog.h ui/purchasing/purchasedialog.cpp ui/purchasing/purchasedialog.ui
    ui/purchasing/purchasewindow.h ui/purchasing/purchasewindow.cpp ui/purchasing/purchasewindow.ui
    ui/purchasing/purchaseorderselectiondialog.h ui/purchasing/purchaseorderselectiondialog.cpp
)
