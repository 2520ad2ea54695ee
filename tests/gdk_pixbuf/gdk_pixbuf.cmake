# The gdk-pixbuf loader module through gdk-pixbuf's own API, the thumbnailer
# and a private install. Included from the native branch of tests/CMakeLists.txt
# where the module is built.
if(TARGET fc_pixbuf_loader AND TARGET fcview_core AND NOT FC_FUZZ)
  find_package(PkgConfig REQUIRED)
  get_property(test_root GLOBAL PROPERTY FC_GDK_PIXBUF_TEST_ROOT)
  pkg_get_variable(prefix gdk-pixbuf-2.0 prefix)
  pkg_get_variable(moduledir gdk-pixbuf-2.0 gdk_pixbuf_moduledir)
  pkg_get_variable(binarydir gdk-pixbuf-2.0 gdk_pixbuf_binarydir)
  file(RELATIVE_PATH module_destination ${prefix} ${moduledir})
  file(RELATIVE_PATH cache_destination ${prefix} ${binarydir})
  pkg_check_modules(FC_GIO REQUIRED IMPORTED_TARGET gio-2.0)
  add_executable(pixbuf_tests
    ${CMAKE_CURRENT_LIST_DIR}/pixbuf_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pixbuf_support.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pixbuf_loader_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pixbuf_desktop_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../hostile/hostile_cases.cpp)
  target_compile_definitions(pixbuf_tests PRIVATE
    FC_PIXBUF_TEST_ROOT="${test_root}" FC_SAMPLES_DIR="${CMAKE_SOURCE_DIR}/samples"
    FC_PIXBUF_MODULE_DESTINATION="${module_destination}" FC_PIXBUF_CACHE_DESTINATION="${cache_destination}")
  target_link_libraries(pixbuf_tests PRIVATE fcview_core fc_pixbuf_messages fc_picture_loader fc_writers fc_test_support
                        PkgConfig::GDK_PIXBUF PkgConfig::FC_GIO GTest::gtest fc_options)
  add_dependencies(pixbuf_tests fc_pixbuf_loader)
  add_test(NAME pixbuf_tests COMMAND pixbuf_tests)
endif()
