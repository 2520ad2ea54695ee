// The gdk-pixbuf tests' main: the private environment first, before GLib
// reads it.
#include <gtest/gtest.h>

#include "tests/gdk_pixbuf/pixbuf_support.h"

int main(int argc, char** argv) {
  UsePrivateDesktop();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
