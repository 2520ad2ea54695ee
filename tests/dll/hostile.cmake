# The hostile-input corpus through the plug-ins' exports, their handle and
# memory use over repeated calls, and archive images that end where readable
# memory ends. Paths relative to tests/. The findings are read through
# Wine's drive Z:, which is the Unix root.
list(APPEND FC_DLL_TEST_SOURCES hostile/hostile_cases.cpp dll/hostile_picture_test.cpp dll/hostile_vfs_test.cpp
     dll/hostile_memory_test.cpp dll/resource_test.cpp dll/process_usage.cpp
     dll/hostile_merun_test.cpp)
add_compile_definitions(FC_HOSTILE_FINDINGS="Z:${CMAKE_CURRENT_LIST_DIR}/../hostile/findings")
