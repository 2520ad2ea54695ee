#include "common/copy_info_string.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
const char* const Table[4] = {"00IN", "", "*.ipf;*.mcg;*.clm", "F&C Picture Format (*.ipf;*.mcg)"};
}

TEST(CopyInfoString, CutsToTheBufferAndAlwaysTerminates) {
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(CopyInfoString(0, buffer, 3, Table), 2);
  EXPECT_STREQ(buffer, "00");
  EXPECT_EQ(buffer[3], 'x');
  EXPECT_EQ(CopyInfoString(0, buffer, 5, Table), 4);
  EXPECT_STREQ(buffer, "00IN");
  EXPECT_EQ(CopyInfoString(0, buffer, 4, Table), 3);
  EXPECT_STREQ(buffer, "00I");
  EXPECT_EQ(CopyInfoString(2, buffer, 1, Table), 0);
  EXPECT_EQ(buffer[0], '\0');
}

TEST(CopyInfoString, RefusedCallsLeaveTheBufferAlone) {
  char buffer[4] = {'a', 'b', 'c', 'd'};
  for (int index : {-1, 4, 1000}) EXPECT_EQ(CopyInfoString(index, buffer, 4, Table), 0);
  EXPECT_EQ(CopyInfoString(0, buffer, 0, Table), 0);
  EXPECT_EQ(CopyInfoString(0, buffer, -5, Table), 0);
  EXPECT_EQ(std::string(buffer, 4), "abcd");
}
