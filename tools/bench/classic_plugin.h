// What a classic Susie plug-in does for GetPicture, as the host benchmark's
// yardstick: a zeroed LocalAlloc block for the DIB, a plain byte-at-a-time
// decoder into a top-down work buffer (a plain switch over the IPF codes, a
// 4096-byte ring for MCG), and the rows turned bottom-up into the block.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

// Fills *info (BITMAPINFOHEADER and 256 grey entries) and *pixels (the
// bottom-up rows, `width` bytes each, a multiple of 4) from the packed
// stream; both handles the caller frees. 0 on success.
int32_t ClassicGetIpf(const uint8_t* stream, size_t length, size_t width, size_t height, HLOCAL* info,
                      HLOCAL* pixels);
int32_t ClassicGetMcg(const uint8_t* stream, size_t length, size_t width, size_t height, HLOCAL* info,
                      HLOCAL* pixels);

// The floor: a zeroed block of the DIB's size, every byte written once.
int32_t FloorGet(size_t width, size_t height, HLOCAL* info, HLOCAL* pixels);
