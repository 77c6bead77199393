# The frames that list windows and pickers share; drug and supplier forms, list windows and pickers.
target_sources(kvcore PRIVATE
    ui/common/batchpicker.h ui/common/batchpicker.cpp
    ui/common/buttonbox.h ui/common/buttonbox.cpp
    ui/common/formdialog.h ui/common/formdialog.cpp
    ui/common/listfollower.h ui/common/listfollower.cpp
    ui/common/listframe.h ui/common/listframe.cpp
    ui/common/listreread.h ui/common/listreread.cpp
    ui/common/pagecache.h ui/common/pagecache.cpp
    ui/common/pickerframe.h ui/common/pickerframe.cpp
    ui/common/readtrouble.h ui/common/readtrouble.cpp
    ui/common/rowtablemodel.h ui/common/rowtablemodel.cpp
    ui/common/tablerow.h
    ui/common/writefollower.h ui/common/writefollower.cpp
    ui/common/selectionaccess.h ui/common/selectionaccess.cpp
    ui/common/tableexport.h ui/common/tableexport.cpp
    ui/masterdata/productdialog.h ui/masterdata/productdialog.cpp ui/masterdata/productdialog.ui
    ui/masterdata/productmanagerwindow.h ui/masterdata/productmanagerwindow.cpp
    ui/masterdata/productmanagerwindow.ui
    ui/masterdata/productselectiondialog.h ui/masterdata/productselectiondialog.cpp
    ui/masterdata/registeractions.h
    ui/masterdata/supplierdialog.h ui/masterdata/supplierdialog.cpp ui/masterdata/supplierdialog.ui
    ui/masterdata/suppliermanagerwindow.h ui/masterdata/suppliermanagerwindow.cpp
    ui/masterdata/suppliermanagerwindow.ui
    ui/masterdata/supplierselectiondialog.h ui/masterdata/supplierselectiondialog.cpp
)
