#include "tools/bench/classic_plugin.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t InfoSize = 40 + 1024;

// The header block as any plug-in writes it: its cost is the same for all.
HLOCAL MakeInfo(size_t width, size_t height) {
  HLOCAL handle = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, InfoSize);
  if (handle == nullptr) return nullptr;
  BITMAPINFOHEADER* header = static_cast<BITMAPINFOHEADER*>(LocalLock(handle));
  header->biSize = 40;
  header->biWidth = static_cast<LONG>(width);
  header->biHeight = static_cast<LONG>(height);
  header->biPlanes = 1;
  header->biBitCount = 8;
  header->biClrUsed = 256;
  uint8_t* colours = reinterpret_cast<uint8_t*>(header + 1);
  for (unsigned i = 0; i < 256; ++i) colours[4 * i] = colours[4 * i + 1] = colours[4 * i + 2] = static_cast<uint8_t>(i);
  LocalUnlock(handle);
  return handle;
}

// The decoded top-down rows into a zeroed bottom-up block.
int32_t Deliver(const uint8_t* rows, size_t width, size_t height, HLOCAL* info, HLOCAL* pixels) {
  *pixels = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, width * height);
  if (*pixels == nullptr) return 4;
  uint8_t* block = static_cast<uint8_t*>(LocalLock(*pixels));
  for (size_t r = 0; r < height; ++r) std::memcpy(block + (height - 1 - r) * width, rows + r * width, width);
  LocalUnlock(*pixels);
  *info = MakeInfo(width, height);
  return *info == nullptr ? 4 : 0;
}

} // namespace

int32_t ClassicGetIpf(const uint8_t* stream, size_t length, size_t width, size_t height, HLOCAL* info,
                      HLOCAL* pixels) {
  const size_t size = width * height;
  // Zeros before the picture for far copies, room after it for the last code.
  uint8_t* work = static_cast<uint8_t*>(std::calloc(4096 + size + 4096, 1));
  if (work == nullptr) return 4;
  uint8_t* const start = work + 4096;
  uint8_t* o = start;
  size_t i = 0;
  int32_t result = 0;
  while (static_cast<size_t>(o - start) <= size) {
    if (i >= length) {
      result = 10;
      break;
    }
    const unsigned b = stream[i++];
    if (b == 0x0F) break;
    if (b == 0x0E || b >= 0x20) {
      *o++ = static_cast<uint8_t>(b == 0x0E ? 0x0E : b - 0x10);
      continue;
    }
    if (length - i < 2) {
      result = 10;
      break;
    }
    const unsigned l = stream[i], v = stream[i + 1];
    i += 2;
    switch (b >> 4) {
      case 0: // a run
        for (unsigned n = (b << 8 | l) + 1; n > 0; --n) *o++ = static_cast<uint8_t>(v);
        break;
      default: { // a copy
        const uint8_t* s = o - (((b - 0x10) << 8 | l) + 1);
        for (unsigned n = v + 1; n > 0; --n) *o++ = *s++;
        break;
      }
    }
  }
  if (result == 0) result = Deliver(start, width, height, info, pixels);
  std::free(work);
  return result;
}

int32_t ClassicGetMcg(const uint8_t* stream, size_t length, size_t width, size_t height, HLOCAL* info,
                      HLOCAL* pixels) {
  const size_t size = width * height;
  uint8_t* out = static_cast<uint8_t*>(std::malloc(size + 18));
  if (out == nullptr) return 4;
  uint8_t ring[4096] = {};
  unsigned r = 4078, flags = 0;
  size_t i = 0, o = 0;
  int32_t result = 0;
  while (o < size && result == 0) {
    flags >>= 1;
    if ((flags & 0x100) == 0) {
      if (i >= length) {
        result = 10;
        break;
      }
      flags = stream[i++] | 0xFF00;
    }
    if (flags & 1) {
      if (i >= length) result = 10;
      else ring[r++ & 4095] = out[o++] = stream[i++];
      continue;
    }
    if (length - i < 2) {
      result = 10;
      break;
    }
    const unsigned w = stream[i] | stream[i + 1] << 8;
    i += 2;
    for (unsigned p = w & 4095, k = (w >> 12) + 3; k > 0; --k, ++p) ring[r++ & 4095] = out[o++] = ring[p & 4095];
  }
  if (result == 0) result = Deliver(out, width, height, info, pixels);
  std::free(out);
  return result;
}

int32_t FloorGet(size_t width, size_t height, HLOCAL* info, HLOCAL* pixels) {
  *pixels = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, width * height);
  if (*pixels == nullptr) return 4;
  uint8_t* block = static_cast<uint8_t*>(LocalLock(*pixels));
  std::memset(block, 0x5A, width * height);
  LocalUnlock(*pixels);
  *info = MakeInfo(width, height);
  return *info == nullptr ? 4 : 0;
}
