# The WIC codec as programs use it, one test program per width (wic_tests.exe),
# run under Wine by tools/run-tests.sh around regsvr32. Paths relative to tests/.
add_executable(wic_tests wic/wic_client.cpp wic/wic_decode_test.cpp wic/wic_copy_test.cpp wic/wic_hostile_test.cpp
               wic/wic_registry_test.cpp dll/plugin_library.cpp hostile/hostile_cases.cpp)
target_include_directories(wic_tests PRIVATE ${CMAKE_SOURCE_DIR})
# FC_HOSTILE_FINDINGS comes from dll/hostile.cmake.
target_compile_definitions(wic_tests PRIVATE FC_SAMPLES_DIR="Z:${CMAKE_SOURCE_DIR}/samples")
target_link_libraries(wic_tests PRIVATE fc_codec_registration fc_codec fc_writers fc_test_support gtest_main windowscodecs ole32 shlwapi
                      uuid fc_options)
add_dependencies(wic_tests PalvoWic Palvo)
# The tests call into the DLLs and WIC: unoptimised, they build in a fraction of the time.
target_compile_options(wic_tests PRIVATE -O0)
