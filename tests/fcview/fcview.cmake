# End-to-end tests of fcview: the native binary run on the bundled samples and
# on files made by the project's writers; PNG files are read back with libpng.
# Included from the native branch of tests/CMakeLists.txt.
if(TARGET fcview)
  find_package(PNG REQUIRED)
  add_executable(fcview_tests
    ${CMAKE_CURRENT_LIST_DIR}/fcview_harness.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fcview_picture_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fcview_archive_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fcview_windows_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fcview_encode_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fcview_names_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fcview_convert_archive_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fcview_pack_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fcview_dib_test.cpp)
  target_compile_definitions(fcview_tests PRIVATE
    FCVIEW_BINARY="$<TARGET_FILE:fcview>" FC_SAMPLES_DIR="${CMAKE_SOURCE_DIR}/samples")
  target_link_libraries(fcview_tests PRIVATE fcview_core fc_writers fc_test_support PNG::PNG GTest::gtest_main fc_options)
  add_dependencies(fcview_tests fcview)
  add_test(NAME fcview_tests COMMAND fcview_tests)
endif()
