# Main window and dashboard.
target_sources(kvcore PRIVATE
    repositories/dashboardrepository.h repositories/dashboardrepository.cpp
    ui/main/mainwindow.h ui/main/mainwindow.cpp ui/main/mainwindow.ui
)
