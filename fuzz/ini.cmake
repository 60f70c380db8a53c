orv_add_fuzz_target(ini_fuzz IniFuzz.cpp ini orv_test_support)
