# Customer register: repository, list window, form and picker.
target_sources(kvcore PRIVATE
    repositories/customerrepository.h repositories/customerrepository.cpp
    ui/masterdata/customerdialog.h ui/masterdata/customerdialog.cpp ui/masterdata/customerdialog.ui
    ui/masterdata/customermanagerwindow.h ui/masterdata/customermanagerwindow.cpp
    ui/masterdata/customermanagerwindow.ui
    ui/masterdata/customerselectiondialog.h ui/masterdata/customerselectiondialog.cpp
    ui/masterdata/customerselectiondialog.ui
    ui/masterdata/customertable.h ui/masterdata/customertable.cpp
)
