# Purchase and sales returns: repository, batch picker, return dialogs and list windows.
target_sources(kvcore PRIVATE
    repositories/returnrepository.h repositories/returnrepository.cpp
    ui/returns/productbatchselectiondialog.h ui/returns/productbatchselectiondialog.cpp
    ui/returns/returndialog.h ui/returns/returndialog.cpp ui/returns/returndialog.ui
    ui/returns/purchasereturndialog.h ui/returns/salesreturndialog.h
    ui/returns/returnlistwindow.h ui/returns/returnlistwindow.cpp ui/returns/returnlistwindow.ui
    ui/returns/purchasereturnwindow.h ui/returns/salesreturnwindow.h
)
