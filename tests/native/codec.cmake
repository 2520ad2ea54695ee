# The WIC codec's platform-neutral frame server. Paths relative to tests/.
list(APPEND FC_NATIVE_TEST_SOURCES native/codec_frames_test.cpp)
list(APPEND FC_NATIVE_TEST_LIBRARIES fc_codec)
