# The picture loader core behind the desktop image loaders. Paths relative to tests/.
list(APPEND FC_NATIVE_TEST_SOURCES native/picture_loader_test.cpp)
list(APPEND FC_NATIVE_TEST_LIBRARIES fc_picture_loader)
