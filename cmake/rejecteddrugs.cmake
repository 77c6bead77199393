# Non-conforming drugs: the register's repository and codes, its window, registration dialog and batch
# picker, the detail dialog and the record book.
target_sources(kvcore PRIVATE
    repositories/rejecteddrugcodes.h repositories/rejecteddrugcodes.cpp
    repositories/rejecteddrugrepository.h repositories/rejecteddrugrepository.cpp
)

kv_add_test(tst_rejecteddrugrepository tests/quality/tst_rejecteddrugrepository.cpp tests/quality/rejectedseed.h)
target_compile_definitions(tst_rejecteddrugrepository PRIVATE KV_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
