#include "tests/reference/reference_decoders.h"

#include <cstdlib>
#include <cstring>

int32_t ReferenceDecodeIpf(const uint8_t* data, size_t length, uint8_t* picture, size_t pixelCount,
                           const Progress& progress, int32_t done, int32_t total) {
  // 4096 bytes of zeros before the picture for far references, 4096 after it
  // for the last code's overshoot.
  uint8_t* work = static_cast<uint8_t*>(std::calloc(4096 + pixelCount + 4096, 1));
  if (work == nullptr) return 4;
  uint8_t* const start = work + 4096;
  uint8_t* o = start;
  size_t i = 0;
  long checkpoint = 0;
  const long lastCheckpoint = static_cast<long>(length) - 2;
  int32_t result = 0;
  for (;;) {
    if (static_cast<size_t>(o - start) > pixelCount) break;
    if (i >= length) { result = 10; break; }
    if (static_cast<long>(i) >= checkpoint) {
      checkpoint += 2048;
      if (checkpoint > lastCheckpoint) checkpoint = lastCheckpoint;
      if (progress.Callback && progress.Callback(done + static_cast<int32_t>(o - start), total, progress.UserData)) {
        result = 1;
        break;
      }
    }
    const unsigned b = data[i++];
    if (b >= 0x20) {
      *o++ = static_cast<uint8_t>(b - 0x10);
    } else if (b == 0x0E) {
      *o++ = 0x0E;
    } else if (b == 0x0F) {
      // end code: whatever the codes did not write stays zero
      break;
    } else {
      if (length - i < 2) { result = 10; break; }
      const unsigned l = data[i];
      const unsigned v = data[i + 1];
      i += 2;
      if (b < 0x0E) {
        unsigned n = (b << 8 | l) + 1;
        while (n--) *o++ = static_cast<uint8_t>(v);
      } else {
        const uint8_t* s = o - (((b - 0x10) << 8 | l) + 1);
        unsigned n = v + 1;
        while (n--) *o++ = *s++;
      }
    }
  }
  if (result == 0) {
    const size_t written = static_cast<size_t>(o - start);
    if (written < pixelCount) std::memset(o, 0, pixelCount - written);
    if (pixelCount > 0) std::memcpy(picture, start, pixelCount);
  }
  std::free(work);
  return result;
}

int32_t ReferenceUnpackMcg(const uint8_t* data, size_t length, uint8_t* out, size_t unpackedSize,
                           const Progress& progress) {
  uint8_t ring[4096];
  std::memset(ring, 0, sizeof ring);
  unsigned r = 4078;
  size_t i = 0;
  size_t o = 0;
  size_t checkpoint = 2048;
  unsigned flags = 0;
  const int64_t total64 = static_cast<int64_t>(unpackedSize) + 2;
  const int32_t total = total64 > INT32_MAX ? INT32_MAX : static_cast<int32_t>(total64);
  while (o < unpackedSize) {
    flags >>= 1;
    if ((flags & 0x100) == 0) {
      if (i > checkpoint) {
        if (progress.Callback && progress.Callback(static_cast<int32_t>(o + 1), total, progress.UserData)) return 1;
        checkpoint += 2048;
      }
      if (i >= length) return 10;
      flags = data[i++] | 0xFF00;
    }
    if (flags & 1) {
      if (i >= length) return 10;
      const uint8_t c = data[i++];
      out[o++] = c;
      ring[r] = c;
      r = (r + 1) & 4095;
    } else {
      if (length - i < 2) return 10;
      const unsigned w = data[i] | data[i + 1] << 8;
      i += 2;
      unsigned p = w & 4095;
      for (unsigned k = (w >> 12) + 3; k > 0; --k) {
        const uint8_t c = ring[p];
        p = (p + 1) & 4095;
        out[o++] = c;
        ring[r] = c;
        r = (r + 1) & 4095;
      }
    }
  }
  return 0;
}
