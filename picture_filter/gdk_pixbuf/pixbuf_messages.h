// What a failed load tells a gdk-pixbuf program: an error code of its
// GdkPixbufError set and a sentence for the user.
#pragma once
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdint>

// The caller took the size and asked for no pixels (0 x 0).
constexpr int32_t LoadSizeDeclined = 30;

struct LoadMessage {
  GdkPixbufError Code;
  const char* Text;
};

LoadMessage MessageForResult(int32_t result);
