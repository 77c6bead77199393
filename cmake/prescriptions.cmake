# Prescriptions: repository, registration dialog, register window and detail dialog.
target_sources(kvcore PRIVATE
    repositories/prescriptionrepository.h repositories/prescriptionrepository.cpp
    ui/sales/prescriptiondialog.h ui/sales/prescriptiondialog.cpp ui/sales/prescriptiondialog.ui
    ui/sales/prescriptionstatus.h ui/sales/prescriptionstatus.cpp
    ui/sales/prescriptiondetaildialog.h ui/sales/prescriptiondetaildialog.cpp ui/sales/prescriptiondetaildialog.ui
    ui/sales/prescriptionrecordwindow.h ui/sales/prescriptionrecordwindow.cpp ui/sales/prescriptionrecordwindow.ui
)
