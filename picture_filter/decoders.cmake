# Sources of the pixel decoders, relative to picture_filter/.
set(FC_DECODER_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/decode_picture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/palette.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rows.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bitmap_chunk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ipf_decoder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mcg_decoder.cpp)
