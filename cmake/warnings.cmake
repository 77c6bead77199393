# Near-expiry window and the warning centre.
target_sources(kvcore PRIVATE
    repositories/inventorywarningrepository.h repositories/inventorywarningrepository.cpp
    ui/purchasing/expirywarningwindow.h ui/purchasing/expirywarningwindow.cpp ui/purchasing/expirywarningwindow.ui
    ui/purchasing/inventorywarningwindow.h ui/purchasing/inventorywarningwindow.cpp
    ui/purchasing/inventorywarningwindow.ui
)
