// The tool's one DIB-to-RGB conversion, which decoded pictures and fc_host's
// BMP files (bmp_to_png) both go through: rows bottom-up and padded to four
// bytes, indexes packed high bit first, colours in RGBQUAD order.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "fcview/pictures.h"

namespace {

// A colour table of `entries` RGBQUADs, entry i = (blue i, green 2i, red 3i).
std::vector<uint8_t> Table(int entries) {
  std::vector<uint8_t> table;
  for (int i = 0; i < entries; ++i) table.insert(table.end(), {uint8_t(i), uint8_t(2 * i), uint8_t(3 * i), 0});
  return table;
}

uint32_t Rgb(const fcview::RgbImage& image, int x, int y) {
  const uint8_t* p = image.Rgb.data() + (static_cast<size_t>(y) * image.Width + x) * 3;
  return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}

} // namespace

TEST(FcviewDib, PackedIndexesComeOutTopRowFirstWithTheirPalette) {
  // 1-bit, 10 pixels wide: two bytes of indexes a row, stride 4; the bottom row is stored first.
  const std::vector<uint8_t> table = Table(2);
  const std::vector<uint8_t> rows = {0x00, 0x40, 0xAA, 0xAA,  // bottom: only pixel 9 set; padding ignored
                                     0x80, 0x00, 0xFF, 0xFF}; // top: only pixel 0 set
  fcview::RgbImage image;
  fcview::DibToRgb(fcview::DibPixels{10, 2, 1, table.data(), rows.data(), 4}, &image);
  ASSERT_EQ(image.Width, 10);
  ASSERT_EQ(image.Height, 2);
  EXPECT_EQ(image.IndexDepth, 1);
  EXPECT_EQ(image.Palette, (std::vector<uint32_t>{0x000000, 0x030201}));
  const std::vector<uint8_t> indexes = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(image.Indexes, indexes);
  EXPECT_EQ(Rgb(image, 0, 0), 0x030201u);
  EXPECT_EQ(Rgb(image, 9, 0), 0x000000u);
  EXPECT_EQ(Rgb(image, 9, 1), 0x030201u);

  // 4-bit, odd width: the last pixel is the high half of its byte.
  const std::vector<uint8_t> table16 = Table(16);
  const std::vector<uint8_t> nibbles = {0x1F, 0x70, 0x00, 0x00};
  fcview::DibToRgb(fcview::DibPixels{3, 1, 4, table16.data(), nibbles.data(), 4}, &image);
  EXPECT_EQ(image.Indexes, (std::vector<uint8_t>{1, 15, 7}));
  EXPECT_EQ(image.Palette.size(), 16u);
  EXPECT_EQ(Rgb(image, 1, 0), 0x2D1E0Fu);
}

TEST(FcviewDib, TrueColourRowsTurnFromBgrAndKeepNoIndexes) {
  // 24-bit, 2 pixels wide: 6 bytes a row, stride 8.
  const std::vector<uint8_t> rows = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xEE, 0xEE,
                                     0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0xEE, 0xEE};
  fcview::RgbImage image;
  image.IndexDepth = 8; // left over from an earlier picture
  image.Indexes = {1, 2, 3};
  fcview::DibToRgb(fcview::DibPixels{2, 2, 24, nullptr, rows.data(), 8}, &image);
  EXPECT_EQ(image.IndexDepth, 0);
  EXPECT_TRUE(image.Indexes.empty());
  EXPECT_TRUE(image.Palette.empty());
  EXPECT_EQ(image.Rgb, (std::vector<uint8_t>{0x30, 0x20, 0x10, 0x60, 0x50, 0x40, 0x03, 0x02, 0x01, 0x06, 0x05, 0x04}));
}
