# The Unicode entry points of the three plug-ins, through paths the ANSI
# code page cannot hold. Paths relative to tests/.
list(APPEND FC_DLL_TEST_SOURCES dll/unicode_host.cpp dll/unicode_exports_test.cpp dll/unicode_palvo_test.cpp
     dll/unicode_archive_test.cpp)
if(NOT "dll/archive_host.cpp" IN_LIST FC_DLL_TEST_SOURCES)
  list(APPEND FC_DLL_TEST_SOURCES dll/archive_host.cpp)
endif()
