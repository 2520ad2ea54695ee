// CopyCodecPixels: a rectangle of a decoded frame at the caller's stride.
#include <cstring>

#include "common/result_codes.h"
#include "picture_filter/wic/codec_frames.h"

namespace {

bool InsideFrame(const CodecFrameShape& shape, const CodecRectangle& rectangle) {
  if (rectangle.X < 0 || rectangle.Y < 0 || rectangle.Width < 0 || rectangle.Height < 0) return false;
  return int64_t{rectangle.X} + rectangle.Width <= shape.Width &&
         int64_t{rectangle.Y} + rectangle.Height <= shape.Height;
}

// Top-down row `row` of the frame.
const uint8_t* FrameRow(const CodecFrame& frame, int64_t row) {
  return frame.Pixels + (frame.Shape.Height - 1 - row) * static_cast<int64_t>(frame.Stride);
}

// `bytes` bytes of a row that starts `shift` bits (1 to 7) into `source`;
// the source has `available` bytes from `source` to its row's end.
void CopyShiftedRow(const uint8_t* source, size_t available, int shift, uint8_t* destination, size_t bytes) {
  for (size_t j = 0; j < bytes; ++j) {
    const unsigned next = j + 1 < available ? source[j + 1] : 0;
    destination[j] = static_cast<uint8_t>((source[j] << shift) | (next >> (8 - shift)));
  }
}

} // namespace

int32_t CopyCodecPixels(const CodecFrame& frame, const CodecRectangle& rectangle, uint32_t stride,
                        size_t bufferSize, uint8_t* buffer) {
  const CodecFrameShape& shape = frame.Shape;
  if (!InsideFrame(shape, rectangle)) return CodecBadRectangle;
  const uint64_t rowBits = uint64_t{static_cast<uint32_t>(rectangle.Width)} * static_cast<uint32_t>(shape.Depth);
  const uint64_t rowBytes = (rowBits + 7) / 8;
  if (stride < rowBytes) return CodecBadRectangle;
  if (rectangle.Width == 0 || rectangle.Height == 0) return ResultSuccess;
  const uint64_t needed = uint64_t{stride} * static_cast<uint32_t>(rectangle.Height - 1) + rowBytes;
  if (buffer == nullptr || needed > bufferSize) return CodecBufferTooSmall;

  const uint64_t firstBit = uint64_t{static_cast<uint32_t>(rectangle.X)} * static_cast<uint32_t>(shape.Depth);
  const size_t firstByte = static_cast<size_t>(firstBit / 8);
  const int shift = static_cast<int>(firstBit % 8);
  const size_t frameRowBytes = static_cast<size_t>((int64_t{shape.Width} * shape.Depth + 7) / 8);
  const int tailBits = static_cast<int>(rowBits % 8);
  for (int32_t r = 0; r < rectangle.Height; ++r) {
    const uint8_t* source = FrameRow(frame, int64_t{rectangle.Y} + r) + firstByte;
    uint8_t* destination = buffer + uint64_t{stride} * static_cast<uint32_t>(r);
    if (shift == 0) {
      std::memcpy(destination, source, static_cast<size_t>(rowBytes));
    } else {
      CopyShiftedRow(source, frameRowBytes - firstByte, shift, destination, static_cast<size_t>(rowBytes));
    }
    if (tailBits != 0) destination[rowBytes - 1] &= static_cast<uint8_t>(0xFF << (8 - tailBits));
  }
  return ResultSuccess;
}
