list(APPEND FC_DLL_TEST_SOURCES dll/archive_host.cpp dll/dosek_test.cpp dll/dosek_extract_test.cpp
     dll/dosek_memory_test.cpp dll/dosek_cp932_test.cpp)
# What fcview's pack and replace write (the format code of fcview is platform-neutral).
if(TARGET fcview_core)
  list(APPEND FC_DLL_TEST_SOURCES dll/dosek_fcview_test.cpp)
  list(APPEND FC_DLL_TEST_LIBRARIES fcview_core)
endif()
