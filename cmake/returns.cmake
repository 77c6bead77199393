# Purchase and sales returns: repository, batch picker, return dialogs and list windows.
target_sources(kvcore PRIVATE
    repositories/returnrepository.h repositories/returnrepository.cpp
)

kv_add_test(tst_returnrepository tests/returns/tst_returnrepository.cpp tests/returns/returnseed.h)
