# Sources of the pixel decoders, relative to picture_filter/.
set(FC_DECODER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/decode_picture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/palette.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rows.cpp)
