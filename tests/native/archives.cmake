list(APPEND FC_NATIVE_TEST_SOURCES native/archive_framework_test.cpp native/vfs_format_test.cpp
     native/vfs_plan_test.cpp)
list(APPEND FC_NATIVE_TEST_LIBRARIES fc_vfs fc_archive)
