# Database adapter, manager, schema, migrations and the helpers every window shares.
file(READ ${CMAKE_SOURCE_DIR}/docs/database_schema.sql KV_SCHEMA_TEXT)
configure_file(${CMAKE_SOURCE_DIR}/core/embeddedschema.cpp.in ${CMAKE_BINARY_DIR}/generated/embeddedschema.cpp @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/database_schema.sql)

# The adapter and the backup talk to the SQLite library Qt's driver is linked with (Debian's system library).
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
target_link_libraries(kvcore PRIVATE PkgConfig::SQLITE3)

target_sources(kvcore PRIVATE
    core/idbadapter.h
    core/sqliteconnection.h core/sqliteconnection.cpp
    core/sqliteadapter.h core/sqliteadapter.cpp
    core/filekeeper.h core/filekeeper.cpp
    core/keepernote.h core/keepernote.cpp
    core/databasemanager.h core/databasemanager.cpp
    core/replacementwatch.h core/replacementwatch.cpp
    core/schemamigrator.h core/schemamigrator.cpp
    core/embeddedschema.h ${CMAKE_BINARY_DIR}/generated/embeddedschema.cpp
    core/passwordhash.h core/passwordhash.cpp
    core/clock.h core/clock.cpp
    core/transaction.h core/transaction.cpp
    core/rowreader.h core/rowreader.cpp
    core/listquery.h core/listquery.cpp
    core/backgroundrow.h core/backgroundrow.cpp
    core/documentnumber.h core/documentnumber.cpp
    repositories/stockmovement.h repositories/stockmovement.cpp
    repositories/guardedstatus.h repositories/guardedstatus.cpp
    repositories/refusal.h repositories/refusal.cpp
    core/csvwriter.h core/csvwriter.cpp
    core/numbertext.h core/numbertext.cpp
    ui/common/prompts.h ui/common/prompts.cpp
    ui/common/replacednotice.h ui/common/replacednotice.cpp
    ui/common/placement.h ui/common/placement.cpp
    ui/common/wheelfocus.h ui/common/wheelfocus.cpp
    ui/common/styles.h ui/common/styles.cpp
    ui/common/tablefill.h ui/common/tablefill.cpp
    resources/resources.qrc
)

add_library(kvtestsupport STATIC
    tests/support/testdatabase.h tests/support/testdatabase.cpp
    tests/support/clerksession.h
    tests/support/farday.h
    tests/support/freshdatabase.h
    tests/support/logcapture.h
    tests/support/pinnedclock.h
    tests/support/modalanswer.h
    tests/support/windowprobe.h
    tests/support/windowreturn.h
    tests/support/reportprobe.h
    tests/support/prompttrail.h
    tests/support/modeltexts.h
    tests/support/smallpages.h
    tests/support/otherwriter.h
    tests/support/fulldisk.h
    tests/support/datarows.h
    tests/support/realwheel.h
    tests/support/faultyadapter.h tests/support/faultyadapter.cpp
)
target_link_libraries(kvtestsupport PUBLIC kvcore Qt5::Test)
