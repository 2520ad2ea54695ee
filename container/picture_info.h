// The host's picture description record.
#pragma once
#include <cstdint>

#pragma pack(push, 1)
struct PictureInfo {
  int32_t Left;
  int32_t Top;
  int32_t Width;
  int32_t Height;
  uint16_t XDensity;
  uint16_t YDensity;
  int16_t ColorDepth;
  void* InfoHandle; // a text description; always null here
};
#pragma pack(pop)

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(PictureInfo) == 26, "PictureInfo is the host's packed 26-byte record");
#endif
