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

# The 32-bit plug-ins are NAME.spi, the 64-bit ones NAME.sph.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(FC_PLUGIN_SUFFIX ".sph")
else()
  set(FC_PLUGIN_SUFFIX ".spi")
endif()

# add_susie_plugin(NAME DEF_FILE SUMMARY text SUMMARY_JA text SOURCES... LIBRARIES...)
# Builds the plug-in NAME: a DLL whose exports are the undecorated stdcall
# names and ordinals of its .def file. The .def file is written for 32 bits
# (NAME=NAME@bytes); 64-bit code has no stdcall decoration, so the 64-bit
# build uses the same list without it.
# SUMMARY (English) and SUMMARY_JA (Japanese) say what the plug-in opens; with
# the project's version they make the plug-in's identity: the header
# plugin_identity.h its code includes, and its version resource.
function(add_susie_plugin name def_file)
  cmake_parse_arguments(PLUGIN "" "SUMMARY;SUMMARY_JA" "SOURCES;LIBRARIES" ${ARGN})
  set(FC_PLUGIN_NAME ${name})
  set(FC_PLUGIN_FILE ${name}${FC_PLUGIN_SUFFIX})
  set(FC_PLUGIN_SUMMARY "${PLUGIN_SUMMARY}")
  set(FC_PLUGIN_SUMMARY_JA "${PLUGIN_SUMMARY_JA}")
  set(FC_VERSION_TEXT ${PROJECT_VERSION})
  set(FC_VERSION_NUMBERS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR})
  foreach(part PATCH TWEAK)
    if(PROJECT_VERSION_${part} STREQUAL "")
      string(APPEND FC_VERSION_NUMBERS ",0")
    else()
      string(APPEND FC_VERSION_NUMBERS ",${PROJECT_VERSION_${part}}")
    endif()
  endforeach()
  set(identity ${CMAKE_CURRENT_BINARY_DIR}/${name}_identity)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/plugin_identity.h.in ${identity}/plugin_identity.h @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version_resource.rc.in ${identity}/version_resource.rc @ONLY)
  list(APPEND PLUGIN_SOURCES ${identity}/version_resource.rc)
  set(exports ${CMAKE_CURRENT_SOURCE_DIR}/${def_file})
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    file(READ ${exports} text)
    string(REGEX REPLACE "=[A-Za-z_]+@[0-9]+" "" text "${text}")
    string(REPLACE ".spi" ".sph" text "${text}")
    set(exports ${CMAKE_CURRENT_BINARY_DIR}/${name}64.def)
    file(WRITE ${exports} "${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${def_file})
  endif()
  add_library(${name} SHARED ${PLUGIN_SOURCES} ${exports})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ${FC_PLUGIN_SUFFIX}
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  target_link_libraries(${name} PRIVATE ${PLUGIN_LIBRARIES} fc_options)
  target_include_directories(${name} PRIVATE ${identity})
  if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
    target_link_options(${name} PRIVATE -Wl,--kill-at -Wl,--enable-stdcall-fixup)
  endif()
endfunction()
