# The Qt image-format plug-ins through Qt's own QImageReader, one test program
# per Qt version, each pointing QT_PLUGIN_PATH at its plug-in's build folder.
# Included from the native branch of tests/CMakeLists.txt.
get_property(FC_QT_MAJORS GLOBAL PROPERTY FC_QT_MAJORS)
if(FC_QT_MAJORS AND NOT FC_FUZZ)
  set(QT_NO_CREATE_VERSIONLESS_TARGETS ON)
  foreach(major ${FC_QT_MAJORS})
    find_package(Qt${major} REQUIRED COMPONENTS Gui)
    set(target qt${major}_reader_tests)
    add_executable(${target} ${CMAKE_CURRENT_LIST_DIR}/qt_main.cpp ${CMAKE_CURRENT_LIST_DIR}/qt_reader_support.cpp
                   ${CMAKE_CURRENT_LIST_DIR}/qt_reader_test.cpp ${CMAKE_CURRENT_LIST_DIR}/qt_screen_test.cpp
                   ${CMAKE_CURRENT_LIST_DIR}/../hostile/hostile_cases.cpp)
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
    target_compile_definitions(${target} PRIVATE FC_QT_PLUGIN_DIR="${CMAKE_BINARY_DIR}/qt${major}/plugins"
                               FC_SAMPLES_DIR="${CMAKE_SOURCE_DIR}/samples")
    target_link_libraries(${target} PRIVATE Qt${major}::Gui fc_picture_loader fc_writers fc_test_support GTest::gtest fc_options)
    add_dependencies(${target} fc_qt${major}_imageformat)
    add_test(NAME ${target} COMMAND ${target})
  endforeach()
endif()
