# Product and supplier import from workbooks, with their templates.
target_sources(kvcore PRIVATE
    ui/import/importstyle.h ui/import/importstyle.cpp
    ui/import/importkit.h ui/import/importkit.cpp
    ui/import/productimportdialog.h ui/import/productimportdialog.cpp ui/import/productimportdialog.ui
    ui/import/supplierimportdialog.h ui/import/supplierimportdialog.cpp ui/import/supplierimportdialog.ui
)
