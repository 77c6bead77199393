# The workbook layer: reads the first sheet of .xlsx and .xls workbooks, writes the import templates.
set(KV_WORKBOOK_READER_SOURCES
    spreadsheet/cellvalue.h spreadsheet/cellvalue.cpp
    spreadsheet/sheetdata.h spreadsheet/sheetdata.cpp
    spreadsheet/workbookreader.h spreadsheet/workbookreader.cpp
    spreadsheet/xlsxsheet.cpp
    spreadsheet/xlsxpackage.h spreadsheet/xlsxpackage.cpp
    spreadsheet/compoundfile.h spreadsheet/compoundfile.cpp
    spreadsheet/xlssheet.cpp
)
target_sources(kvcore PRIVATE
    ${KV_WORKBOOK_READER_SOURCES}
    spreadsheet/templatecolumn.h spreadsheet/templatewriter.h spreadsheet/templatewriter.cpp
)

target_sources(kvtestsupport PRIVATE
    tests/support/workbookfixtures.h tests/support/workbookfixtures.cpp
)

# The libFuzzer target over the reader, off by default and never part of the normal build or the tests.
# Debian: apt-get install clang-14 libclang-rt-14-dev; the build and run commands are in the README (Fuzzing).
if(KV_FUZZ)
    # kvfuzzxlsxparts feeds the same reader XML parts that it packs itself, so that mutations get past the
    # zip checksums.
    foreach(target IN ITEMS kvfuzzworkbook kvfuzzxlsxparts)
        string(REPLACE "kvfuzz" "" harness ${target})
        add_executable(${target} tests/fuzz/${harness}fuzz.cpp ${KV_WORKBOOK_READER_SOURCES})
        target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
        target_compile_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
                                         -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=fuzzer,address,undefined)
        target_link_libraries(${target} PRIVATE Qt5::Core PkgConfig::MINIZIP)
    endforeach()
endif()
