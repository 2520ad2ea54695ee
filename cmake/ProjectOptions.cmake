# Warnings, sanitizers and the Windows link rules shared by every target.

add_library(fc_options INTERFACE)
target_compile_options(fc_options INTERFACE -Wall -Wextra -Wshadow -Wno-unused-parameter)

if(FC_SANITIZE)
  target_compile_options(fc_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                              -fno-sanitize-recover=undefined)
  target_link_options(fc_options INTERFACE -fsanitize=address,undefined)
endif()

if(WIN32)
  # Plug-ins and test programs carry their runtime: they must import system DLLs only.
  target_link_options(fc_options INTERFACE -static -static-libgcc -static-libstdc++)
  target_compile_definitions(fc_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()

# add_susie_plugin(NAME DEF_FILE SOURCES... LIBRARIES...)
# Builds NAME.spi: a DLL whose exports are the undecorated stdcall names and
# ordinals of its .def file.
function(add_susie_plugin name def_file)
  cmake_parse_arguments(PLUGIN "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_library(${name} SHARED ${PLUGIN_SOURCES} ${def_file})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".spi"
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  target_link_libraries(${name} PRIVATE ${PLUGIN_LIBRARIES} fc_options)
  target_link_options(${name} PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
endfunction()
