// RGB pictures as PNG files (8 bits per sample, truecolour, no interlace).
#pragma once
#include <cstdint>
#include <vector>

#include "fcview/pictures.h"

namespace fcview {

// The PNG file of `image`: on Windows through the Windows Imaging Component
// (win32/png_wic.cpp); natively through libpng where the build has it, else
// through StoredPng. False when the picture cannot be encoded.
bool EncodePng(const RgbImage& image, std::vector<uint8_t>* png);

#if !defined(_WIN32)
// Native builds only. A PNG whose zlib stream holds the rows in stored (uncompressed) deflate
// blocks: valid for every reader, larger than a compressed one. Needs no library.
std::vector<uint8_t> StoredPng(const RgbImage& image);

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler = 1);
#endif

} // namespace fcview
