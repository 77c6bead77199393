# Monthly maintenance checks: repository, window, check and detail dialogs, record book.
target_sources(kvcore PRIVATE
    repositories/maintenancecheckrepository.h repositories/maintenancecheckrepository.cpp
    ui/quality/maintenancedialog.h ui/quality/maintenancedialog.cpp
    ui/quality/maintenancedetaildialog.h ui/quality/maintenancedetaildialog.cpp
    ui/quality/maintenancedetaildialog.ui
    ui/quality/maintenancewindow.h ui/quality/maintenancewindow.cpp ui/quality/maintenancewindow.ui
    ui/reports/maintenancereportwindow.h ui/reports/maintenancereportwindow.cpp
    ui/reports/maintenancereportwindow.ui
)
