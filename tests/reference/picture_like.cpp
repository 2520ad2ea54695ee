#include "tests/reference/picture_like.h"

namespace {

uint32_t Next(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

} // namespace

Bytes PictureLikePixels(size_t width, size_t height, uint32_t seed) {
  uint32_t state = seed * 2654435761u + 1;
  Bytes pixels(width * height);
  // The picture is cut into blocks of 64 x 32, each drawn one way.
  const size_t blockWidth = 64, blockHeight = 32;
  for (size_t by = 0; by < height; by += blockHeight) {
    for (size_t bx = 0; bx < width; bx += blockWidth) {
      const uint32_t kind = Next(state) % 10;
      const uint8_t base = static_cast<uint8_t>(Next(state));
      const uint32_t tile = Next(state);
      for (size_t y = by; y < by + blockHeight && y < height; ++y) {
        for (size_t x = bx; x < bx + blockWidth && x < width; ++x) {
          uint8_t value;
          switch (kind) {
            case 0: case 1: case 2: // flat colour
              value = base;
              break;
            case 3: case 4: // a smooth gradient
              value = static_cast<uint8_t>(base + (x - bx) / 4 + (y - by) / 2);
              break;
            case 5: case 6: // a gradient dithered between two neighbours
              value = static_cast<uint8_t>(base + (x - bx) / 8 + (((x ^ y) & 1) && (Next(state) & 3) == 0));
              break;
            case 7: // a repeated 8 x 4 tile
              value = static_cast<uint8_t>(base + ((tile >> ((x % 8) + 8 * (y % 4) % 24)) & 7));
              break;
            default: // detail: few colours, no order
              value = static_cast<uint8_t>(base + (Next(state) % 24));
              break;
          }
          pixels[y * width + x] = value;
        }
      }
    }
  }
  return pixels;
}
