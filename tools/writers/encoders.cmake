# The encoders of the two pixel codes, appended to the writers' sources.
list(APPEND FC_WRITER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/match_finder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ipf_encoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mcg_encoder.cpp)
