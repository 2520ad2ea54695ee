#include <gtest/gtest.h>

#include <cstring>

#include "picture_filter/dib_layout.h"

namespace {
DibLayout Layout(int32_t width, int32_t height, int16_t depth, int32_t* result = nullptr) {
  PictureInfo info{};
  info.Width = width;
  info.Height = height;
  info.ColorDepth = depth;
  DibLayout layout{};
  const int32_t code = ComputeDibLayout(info, &layout);
  if (result != nullptr) *result = code;
  return layout;
}
} // namespace

TEST(DibLayout, StrideIsTheRowRoundedUpToFourBytes) {
  EXPECT_EQ(Layout(3, 1, 8).Stride, 4);
  EXPECT_EQ(Layout(3, 1, 24).Stride, 12);
  EXPECT_EQ(Layout(33, 1, 1).Stride, 8);
  EXPECT_EQ(Layout(9, 1, 4).Stride, 8);
  EXPECT_EQ(Layout(4, 7, 8).ImageSize, 28);
}

TEST(DibLayout, ColourTableFollowsTheDepth) {
  EXPECT_EQ(Layout(1, 1, 1).InfoSize, 48);
  EXPECT_EQ(Layout(1, 1, 4).InfoSize, 104);
  EXPECT_EQ(Layout(1, 1, 8).InfoSize, 1064);
  EXPECT_EQ(Layout(1, 1, 24).InfoSize, 40);
  for (int16_t depth : {0, 2, 16, 32, -8}) {
    int32_t result = 0;
    Layout(1, 1, depth, &result);
    EXPECT_EQ(result, -1) << depth;
  }
}

TEST(DibLayout, SizesThatDoNotFitAreBrokenData) {
  int32_t result = 0;
  Layout(65535, 65535, 8, &result);
  EXPECT_EQ(result, 3);
  Layout(0x7FFFFFFF, 1, 24, &result);
  EXPECT_EQ(result, 3);
  Layout(-4, 4, 8, &result);
  EXPECT_EQ(result, 3);
  Layout(4, 0, 8, &result);
  EXPECT_EQ(result, 3);
  Layout(65535, 32767, 8, &result);
  EXPECT_EQ(result, 0);
}

TEST(DibLayout, HeaderFields) {
  PictureInfo info{};
  info.Width = 3;
  info.Height = 2;
  info.ColorDepth = 8;
  DibLayout layout{};
  ASSERT_EQ(ComputeDibLayout(info, &layout), 0);
  uint8_t header[40];
  WriteBitmapInfoHeader(info, layout, header);
  const uint8_t expected[40] = {40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0, 8, 0, 0, 0};
  EXPECT_EQ(0, std::memcmp(header, expected, 40));
}
