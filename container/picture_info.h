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
#if UINTPTR_MAX > 0xFFFFFFFFu
  uint8_t Padding[2]; // 64-bit hosts place the handle at offset 24
#endif
  void* InfoHandle; // a text description; always null here
};
#pragma pack(pop)

static_assert(sizeof(PictureInfo) == (sizeof(void*) == 8 ? 32 : 26),
              "the host's packed record: 26 bytes, 32 in 64 bits");
