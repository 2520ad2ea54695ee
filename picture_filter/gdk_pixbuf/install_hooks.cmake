# Runs at the end of `cmake --install`: makes gdk-pixbuf and the desktop see
# what was installed, or says exactly what to run.
#  - Installed into gdk-pixbuf's own prefix: its loader cache is updated and
#    the MIME database rebuilt.
#  - Installed into another prefix: gdk-pixbuf does not look there, so a
#    loader cache listing its own loaders and ours is written into the prefix,
#    the prefix's MIME database is built, and the environment that uses both
#    is printed.
#  - Staged with DESTDIR (packaging): nothing is run; the commands for the
#    target system are printed.
set(prefix "${CMAKE_INSTALL_PREFIX}")
set(module "${prefix}/${FC_MODULE_DESTINATION}/${FC_MODULE_FILE}")
set(mime_dir "${prefix}/share/mime")
find_program(FC_UPDATE_MIME_DATABASE update-mime-database)
if(NOT FC_UPDATE_MIME_DATABASE)
  set(FC_UPDATE_MIME_DATABASE update-mime-database)
endif()

# run_or_tell(WHAT COMMAND...): runs the command; on failure prints it for the user.
function(run_or_tell what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
  if(status EQUAL 0)
    message(STATUS "F&C pictures: ${what}: done")
  else()
    string(REPLACE ";" " " command "${ARGN}")
    message(WARNING "F&C pictures: ${what} failed (${status}) ${errors}\nRun: ${command}")
  endif()
endfunction()

if(DEFINED ENV{DESTDIR} AND NOT "$ENV{DESTDIR}" STREQUAL "")
  message(STATUS "F&C pictures: staged into $ENV{DESTDIR}; on the target system run:\n"
                 "  ${FC_QUERY_LOADERS} --update-cache\n  update-mime-database ${mime_dir}")
elseif(prefix STREQUAL FC_SYSTEM_PREFIX)
  run_or_tell("gdk-pixbuf loader cache" ${FC_QUERY_LOADERS} --update-cache)
  run_or_tell("MIME database" ${FC_UPDATE_MIME_DATABASE} ${mime_dir})
else()
  set(cache "${prefix}/${FC_CACHE_DESTINATION}/loaders.cache")
  file(GLOB system_loaders "${FC_SYSTEM_MODULEDIR}/*.so")
  execute_process(COMMAND ${FC_QUERY_LOADERS} ${system_loaders} ${module}
                  OUTPUT_FILE ${cache} RESULT_VARIABLE status ERROR_QUIET)
  if(status EQUAL 0)
    message(STATUS "F&C pictures: loader cache for this prefix: ${cache}")
  else()
    message(WARNING "F&C pictures: the loader cache could not be written. Run:\n"
                    "  ${FC_QUERY_LOADERS} ${FC_SYSTEM_MODULEDIR}/*.so ${module} > ${cache}")
  endif()
  run_or_tell("MIME database of ${prefix}" ${FC_UPDATE_MIME_DATABASE} ${mime_dir})
  message(STATUS "F&C pictures: gdk-pixbuf reads loaders from ${FC_SYSTEM_MODULEDIR} only. To use this prefix:\n"
                 "  export GDK_PIXBUF_MODULE_FILE=${cache}\n"
                 "  export XDG_DATA_DIRS=${prefix}/share:\${XDG_DATA_DIRS:-/usr/local/share:/usr/share}\n"
                 "or install with --prefix ${FC_SYSTEM_PREFIX}.")
endif()
