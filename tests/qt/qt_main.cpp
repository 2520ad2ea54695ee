// The Qt plug-in tests' main: Qt is pointed at the plug-in under test before
// it reads its environment.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include "tests/qt/qt_reader_support.h"

int main(int argc, char** argv) {
  UsePluginUnderTest();
  QCoreApplication application(argc, argv);
  KeepOnlyPluginUnderTest();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
