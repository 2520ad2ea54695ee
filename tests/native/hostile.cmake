# The hostile-input corpus replayed on the format routines. Paths relative to tests/.
list(APPEND FC_NATIVE_TEST_SOURCES hostile/hostile_cases.cpp native/hostile_picture_test.cpp
     native/hostile_vfs_test.cpp)
list(APPEND FC_NATIVE_TEST_LIBRARIES fc_vfs fc_archive)
add_compile_definitions(FC_HOSTILE_FINDINGS="${CMAKE_CURRENT_LIST_DIR}/../hostile/findings")
