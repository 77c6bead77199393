# Product and supplier import from workbooks, with their templates.
target_sources(kvcore PRIVATE
    ui/import/importkit.h ui/import/importkit.cpp
    ui/import/importdialogbase.h ui/import/importdialogbase.cpp
    ui/import/productimportdialog.h ui/import/productimportdialog.cpp ui/import/productimportdialog.ui
    ui/import/supplierimportdialog.h ui/import/supplierimportdialog.cpp ui/import/supplierimportdialog.ui
)

# Run by hand: times a 20,000-drug import (not part of ctest).
add_executable(kvimportbench bench/kvimportbench.cpp)
target_compile_options(kvimportbench PRIVATE -Wall -Wextra)
target_link_libraries(kvimportbench PRIVATE kvtestsupport)
