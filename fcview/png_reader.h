// PNG files read into what the encoders need: the pixels as RGB, and for
// palette and grey pictures also the indexes, the palette and the depth, so
// that a palette survives exactly. Natively through libpng; on Windows
// through the Windows Imaging Component (win32/png_wic.cpp).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "fcview/pictures.h"

namespace fcview {

struct PngPicture {
  RgbImage Image;               // every picture: its pixels as RGB
  int32_t IndexDepth = 0;       // 1, 2, 4 or 8 for palette and grey pictures; 0 for true colour
  std::vector<uint32_t> Palette; // 0xRRGGBB per index (grey pictures: the grey ramp of their depth)
  std::vector<uint8_t> Indexes;  // one per pixel, top row first, when IndexDepth > 0
};

// False with the reason when the data are no PNG, are damaged, have
// 16-bit samples or have a pixel that is not fully opaque (none of these
// formats holds transparency).
bool ReadPng(const uint8_t* data, size_t size, PngPicture* picture, std::string* reason);

} // namespace fcview
