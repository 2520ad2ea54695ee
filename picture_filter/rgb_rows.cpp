#include "picture_filter/rgb_rows.h"

namespace {

void CopyTrueColourRow(const uint8_t* bgr, int32_t width, uint8_t* rgb) {
  for (int32_t x = 0; x < width; ++x, bgr += 3, rgb += 3) {
    rgb[0] = bgr[2];
    rgb[1] = bgr[1];
    rgb[2] = bgr[0];
  }
}

// Palette rows pack their indexes from the top bit of each byte down.
void CopyIndexedRow(const uint8_t* row, int32_t width, int32_t depth, const uint8_t* table, int32_t entries,
                    uint8_t* rgb) {
  const unsigned mask = (1u << depth) - 1;
  for (int32_t x = 0; x < width; ++x, rgb += 3) {
    const size_t bit = static_cast<size_t>(x) * static_cast<size_t>(depth);
    const int shift = 8 - depth - static_cast<int>(bit % 8);
    const unsigned index = (row[bit / 8] >> shift) & mask;
    if (index >= static_cast<unsigned>(entries)) {
      rgb[0] = rgb[1] = rgb[2] = 0;
      continue;
    }
    const uint8_t* quad = table + 4 * index;
    rgb[0] = quad[2];
    rgb[1] = quad[1];
    rgb[2] = quad[0];
  }
}

} // namespace

void CopyDibAsRgb(const DibTarget& dib, int32_t width, int32_t depth, uint8_t* rgb, size_t rgbStride) {
  for (int32_t y = 0; y < dib.Rows; ++y) {
    // The DIB keeps its bottom row first.
    const uint8_t* row = dib.Pixels + static_cast<size_t>(dib.Rows - 1 - y) * static_cast<size_t>(dib.Stride);
    uint8_t* out = rgb + static_cast<size_t>(y) * rgbStride;
    if (depth == 24) {
      CopyTrueColourRow(row, width, out);
    } else {
      CopyIndexedRow(row, width, depth, dib.ColourTable, dib.ColourEntries, out);
    }
  }
}
