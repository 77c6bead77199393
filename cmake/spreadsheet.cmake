# The workbook layer: reads the first sheet of .xlsx and .xls workbooks, writes the import templates.
target_sources(kvcore PRIVATE
    spreadsheet/cellvalue.h spreadsheet/cellvalue.cpp
    spreadsheet/sheetdata.h spreadsheet/sheetdata.cpp
    spreadsheet/workbookreader.h spreadsheet/workbookreader.cpp
    spreadsheet/xlsxsheet.cpp
    spreadsheet/compoundfile.h spreadsheet/compoundfile.cpp
    spreadsheet/xlssheet.cpp
    spreadsheet/templatewriter.h spreadsheet/templatewriter.cpp
)

target_sources(kvtestsupport PRIVATE
    tests/support/workbookfixtures.h tests/support/workbookfixtures.cpp
)

kv_add_test(tst_spreadsheet tests/spreadsheet/tst_spreadsheet.cpp)
target_compile_definitions(tst_spreadsheet PRIVATE KV_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
