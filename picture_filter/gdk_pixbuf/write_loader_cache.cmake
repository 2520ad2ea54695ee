# Writes a gdk-pixbuf loader cache for the given modules:
#   cmake -DQUERY=gdk-pixbuf-query-loaders -DMODULES="a.so;b.so" -DCACHE=file [-DPRELOAD=lib] -P write_loader_cache.cmake
set(environment "")
if(PRELOAD)
  set(environment ${CMAKE_COMMAND} -E env LD_PRELOAD=${PRELOAD} ASAN_OPTIONS=detect_leaks=0)
endif()
get_filename_component(directory ${CACHE} DIRECTORY)
file(MAKE_DIRECTORY ${directory})
execute_process(COMMAND ${environment} ${QUERY} ${MODULES} OUTPUT_FILE ${CACHE}.new RESULT_VARIABLE status)
file(READ ${CACHE}.new text)
# The query program writes a cache even for a module it could not open:
# only one that names our format counts.
if(NOT status EQUAL 0 OR NOT text MATCHES "\"fc-picture\"")
  message(FATAL_ERROR "${QUERY} did not describe ${MODULES}:\n${text}")
endif()
file(RENAME ${CACHE}.new ${CACHE})
