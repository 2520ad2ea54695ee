# The decoder tests, the reference decoders they compare against, and the
# encoders' round trips. Paths relative to tests/.
list(APPEND FC_NATIVE_TEST_SOURCES
  reference/reference_decoders.cpp
  reference/picture_like.cpp
  native/differential_test.cpp
  native/ipf_decoder_test.cpp
  native/mcg_decoder_test.cpp
  native/decode_picture_test.cpp
  native/decoder_speed_window_test.cpp
  native/ipf_speed_paths_test.cpp
  native/ipf_speed_long_copy_test.cpp
  native/wide_moves_test.cpp)
