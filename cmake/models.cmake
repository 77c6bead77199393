kv_add_test(tst_models tests/models/tst_models.cpp)
