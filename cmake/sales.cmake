# Sales: repository, point of sale, sales batch picker, sales list with void, sales order picker.
target_sources(kvcore PRIVATE
    repositories/salesrepository.h repositories/salesrepository.cpp
    ui/sales/salesdialog.h ui/sales/salesdialog.cpp ui/sales/salesdialog.ui
    ui/sales/salesproductselectiondialog.h ui/sales/salesproductselectiondialog.cpp
    ui/sales/saleswindow.h ui/sales/saleswindow.cpp ui/sales/saleswindow.ui
    ui/sales/salesorderselectiondialog.h ui/sales/salesorderselectiondialog.cpp
)
