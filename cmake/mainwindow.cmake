# Main window and dashboard.
target_sources(kvcore PRIVATE
    repositories/dashboardrepository.h repositories/dashboardrepository.cpp
)

kv_add_test(tst_dashboardrepository tests/main/tst_dashboardrepository.cpp)
