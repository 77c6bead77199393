# Daily backup, the start-up near-expiry check and the temperature reminder's repository.
target_sources(kvcore PRIVATE
    core/backupmanager.h core/backupmanager.cpp
    core/backgroundbackup.h core/backgroundbackup.cpp
    core/networkfilesystem.h core/networkfilesystem.cpp
    repositories/expirywarningrepository.h repositories/expirywarningrepository.cpp
    ui/purchasing/expirywarningdialog.h ui/purchasing/expirywarningdialog.cpp
    ui/purchasing/expirywarningdialog.ui
    repositories/temphumidityrepository.h repositories/temphumidityrepository.cpp
)

# Start-up sequence, the main window's start-up checks, tray, closing and logout.
target_sources(kvcore PRIVATE
    ui/main/applicationstartup.h ui/main/applicationstartup.cpp
)
