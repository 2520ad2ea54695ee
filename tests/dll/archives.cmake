list(APPEND FC_DLL_TEST_SOURCES dll/archive_host.cpp dll/dosek_test.cpp dll/dosek_extract_test.cpp
     dll/dosek_memory_test.cpp dll/dosek_cp932_test.cpp)
