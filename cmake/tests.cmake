# The test executables, one per capability; each CLASSES pair is a CTest name and the class it runs.
kv_add_test_group(suite_core
    SOURCES tests/core/tst_databasemanager.cpp tests/core/tst_csvwriter.cpp tests/core/tst_datalayer.cpp
            tests/core/tst_keepernote.cpp
            tests/models/tst_models.cpp tests/ui_common/tst_listframes.cpp tests/ui_common/tst_formwheel.cpp
    CLASSES tst_databasemanager TestDataStore tst_csvwriter TestCsvWriter tst_datalayer TestDataLayer
            tst_keepernote TestKeeperNote
            tst_models TestModels tst_listframes TestListFrames tst_formwheel TestFormWheel)
# A second copy of the program in a process of its own, for the tests that need one.
add_executable(kvsecondcopy tests/support/secondcopy.cpp)
target_link_libraries(kvsecondcopy PRIVATE kvcore)
add_dependencies(suite_core kvsecondcopy)
target_compile_definitions(suite_core PRIVATE KV_SECOND_COPY="$<TARGET_FILE:kvsecondcopy>")

kv_add_test_group(suite_workbook
    SOURCES tests/spreadsheet/tst_spreadsheet.cpp tests/import/tst_import.cpp
    CLASSES tst_spreadsheet TestSpreadsheet tst_importrules TestImportRules tst_import TestImport)
target_compile_definitions(suite_workbook PRIVATE KV_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")

kv_add_test_group(suite_registers
    SOURCES tests/masterdata/tst_masterdata.cpp tests/masterdata_ui/tst_masterdataui.cpp
            tests/customers/tst_customers.cpp
    CLASSES tst_masterdata TestMasterData tst_masterdataui TestMasterdataUi tst_customers TestCustomers)

# The start-up class switches the process to Chinese Qt texts, so it is registered to run last.
kv_add_test_group(suite_session
    SOURCES tests/accounts/tst_accountrepositories.cpp tests/accounts/tst_accountwindows.cpp
            tests/main/tst_mainwindow.cpp tests/startup/tst_startup.cpp
    CLASSES tst_accountrepositories TestAccountRepositories tst_accountwindows TestAccountWindows
            tst_mainwindow TestMainWindow tst_startup TestStartup)
target_compile_definitions(suite_session PRIVATE KV_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

kv_add_test_group(suite_purchasing
    SOURCES tests/purchasing/tst_purchaserepository.cpp tests/purchasing/tst_purchasewindows.cpp
    CLASSES tst_purchaserepository TestPurchaseRepository tst_purchasewindows TestPurchaseWindows)

kv_add_test_group(suite_sales
    SOURCES tests/sales/tst_salesrepository.cpp tests/sales/tst_salesui.cpp
            tests/prescriptions/tst_prescriptionrepository.cpp tests/prescriptions/tst_prescriptionwindows.cpp
            tests/prescriptions/registerseed.h
    CLASSES tst_salesrepository TestSalesRepository tst_salesui TestSalesUi
            tst_prescriptionrepository TestPrescriptionRepository
            tst_prescriptionwindows TestPrescriptionWindows)

kv_add_test_group(suite_stock
    SOURCES tests/returns/tst_returnrepository.cpp tests/returns/tst_returnwindows.cpp tests/returns/returnseed.h
            tests/stocktaking/tst_inventorycheckrepository.cpp tests/stocktaking/tst_inventorycheckwindows.cpp
            tests/stock/tst_stock.cpp tests/warnings/tst_warnings.cpp
    CLASSES tst_returnrepository TestReturnRepository tst_returnwindows TestReturnWindows
            tst_inventorycheckrepository TestInventoryCheckRepository
            tst_inventorycheckwindows TestInventoryCheckWindows tst_stock TestStock tst_warnings TestWarnings)

kv_add_test_group(suite_quality
    SOURCES tests/quality/tst_rejecteddrugrepository.cpp tests/quality/tst_rejecteddrugwindows.cpp
            tests/quality/rejectedseed.h tests/quality/tst_maintenance.cpp tests/quality/tst_qualificationwatch.cpp
            tests/quality/tst_temphumidity.cpp
    CLASSES tst_rejecteddrugrepository TestRejectedDrugRepository tst_rejecteddrugwindows TestRejectedDrugWindows
            tst_maintenance TestMaintenance tst_qualificationwatch TestQualificationWatch
            tst_temphumidity TestTempHumidity)
target_compile_definitions(suite_quality PRIVATE KV_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

kv_add_test_group(suite_books
    SOURCES tests/reports/tst_recordbooks.cpp tests/reports/tst_reportframe.cpp tests/reports/tst_expiryreport.cpp
    CLASSES tst_recordbooks TestRecordBooks tst_reportframe TestReportFrame tst_expiryreport TestExpiryReport)

add_test(NAME bench_arguments
         COMMAND ${CMAKE_COMMAND} -DKVBENCHGEN=$<TARGET_FILE:kvbenchgen> -DKVIMPORTBENCH=$<TARGET_FILE:kvimportbench>
                 -DWORK=${CMAKE_CURRENT_BINARY_DIR}/bench-arguments -P ${CMAKE_SOURCE_DIR}/tests/bench/arguments.cmake)
set_tests_properties(bench_arguments PROPERTIES ENVIRONMENT "${KV_TEST_ENV}" TIMEOUT 600)

# 退出登录 pressed inside a running form: a fault there ends the whole process, so it runs alone.
kv_add_test_group(suite_logout SOURCES tests/main/tst_logout.cpp CLASSES tst_logout TestLogout)
