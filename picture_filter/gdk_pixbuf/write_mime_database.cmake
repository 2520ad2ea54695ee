# Builds a private MIME database holding our types:
#   cmake -DTOOL=update-mime-database -DXML=fc-pictures.xml -DROOT=share/mime -P write_mime_database.cmake
file(MAKE_DIRECTORY ${ROOT}/packages)
file(COPY ${XML} DESTINATION ${ROOT}/packages)
# The tool's note that the directory is not on the search path is expected here.
execute_process(COMMAND ${TOOL} ${ROOT} RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} ${ROOT} failed (${status}): ${errors}")
endif()
