// RGB pictures as PNG files (8 bits per sample, truecolour, no interlace).
#pragma once
#include <cstdint>
#include <vector>

#include "tools/fcview/pictures.h"

namespace fcview {

// The PNG file of `image`: through libpng where the build has it, else
// through StoredPng. False only when memory runs out.
bool EncodePng(const RgbImage& image, std::vector<uint8_t>* png);

// A PNG whose zlib stream holds the rows in stored (uncompressed) deflate
// blocks: valid for every reader, larger than a compressed one. Needs no library.
std::vector<uint8_t> StoredPng(const RgbImage& image);

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler = 1);

} // namespace fcview
