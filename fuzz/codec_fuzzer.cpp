// The system image codec's frame server as WIC reaches it with a stream's
// bytes: the frame list, each frame's shape, its decoding, and rectangle
// copies at a padded stride, and the whole picture in the display mode the
// last byte chooses. A decoded frame must have the shape described
// beforehand and the pixels and colours the plain reference decoders give,
// and a sub-rectangle must hold the same pixels as the whole.
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/result_codes.h"
#include "container/frames.h"
#include "container/ipq_display_mode.h"
#include "container/picture_kind.h"
#include "container/read_picture_info.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/reference_dib.h"
#include "picture_filter/dib_layout.h"
#include "picture_filter/wic/codec_frames.h"

namespace {

// Frames beyond this are described but not decoded: a header may promise gigabytes.
constexpr int64_t LargestFrame = 1 << 20;
constexpr int32_t FramesTried = 4;

uint32_t PixelAt(const uint8_t* row, int64_t bit, int32_t depth) {
  if (depth == 24) return row[bit / 8] | (row[bit / 8 + 1] << 8) | (row[bit / 8 + 2] << 16);
  return (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
}

// A rectangle, stride and buffer size the input's last four bytes choose,
// often outside the frame or short: the answer as the contract gives it,
// and on success the whole frame's pixels.
void CheckChosenCopy(const CodecFrame& frame, const std::vector<uint8_t>& whole, uint32_t wholeStride,
                     const uint8_t* choice) {
  const CodecFrameShape& shape = frame.Shape;
  const CodecRectangle rectangle{static_cast<int8_t>(choice[0]) % (shape.Width + 2),
                                 static_cast<int8_t>(choice[1]) % (shape.Height + 2),
                                 choice[2] % (shape.Width + 3) - 1, choice[3] % (shape.Height + 3) - 1};
  const bool inside = rectangle.X >= 0 && rectangle.Y >= 0 && rectangle.Width >= 0 && rectangle.Height >= 0 &&
                      rectangle.X + rectangle.Width <= shape.Width && rectangle.Y + rectangle.Height <= shape.Height;
  const int64_t rowBytes = (int64_t{rectangle.Width > 0 ? rectangle.Width : 0} * shape.Depth + 7) / 8;
  const uint32_t stride = static_cast<uint32_t>(rowBytes + (choice[0] & 3) - 1 > 0 ? rowBytes + (choice[0] & 3) - 1 : 0);
  const int64_t needed = rectangle.Height > 0 ? int64_t{stride} * (rectangle.Height - 1) + rowBytes : 0;
  const size_t size = static_cast<size_t>(needed > 0 ? needed : 0) + (choice[1] & 1) - ((choice[1] & 2) && needed > 0);
  std::vector<uint8_t> buffer(size > 0 ? size : 1, 0xA5);
  const int32_t copied = CopyCodecPixels(frame, rectangle, stride, size, buffer.data());
  if (!inside || stride < rowBytes) {
    FUZZ_CHECK(copied == CodecBadRectangle);
  } else if (rectangle.Width == 0 || rectangle.Height == 0) {
    FUZZ_CHECK(copied == ResultSuccess);
  } else if (static_cast<uint64_t>(needed) > size) {
    FUZZ_CHECK(copied == CodecBufferTooSmall);
  } else {
    FUZZ_CHECK(copied == ResultSuccess);
    for (int32_t r = 0; r < rectangle.Height && r < 8; ++r) {
      for (int32_t x = 0; x < rectangle.Width; ++x) {
        FUZZ_CHECK(PixelAt(buffer.data() + size_t{stride} * r, int64_t{x} * shape.Depth, shape.Depth) ==
                   PixelAt(whole.data() + size_t{wholeStride} * (rectangle.Y + r), int64_t{rectangle.X + x} * shape.Depth,
                           shape.Depth));
      }
    }
  }
}

void CheckCopies(const CodecFrame& frame, const uint8_t* choice) {
  const CodecFrameShape& shape = frame.Shape;
  const uint32_t wholeStride = static_cast<uint32_t>((int64_t{shape.Width} * shape.Depth + 7) / 8);
  std::vector<uint8_t> whole(static_cast<size_t>(wholeStride) * shape.Height);
  const CodecRectangle all{0, 0, shape.Width, shape.Height};
  FUZZ_CHECK(CopyCodecPixels(frame, all, wholeStride, whole.size(), whole.data()) == ResultSuccess);
  FUZZ_CHECK(CopyCodecPixels(frame, all, wholeStride, whole.size() - 1, whole.data()) == CodecBufferTooSmall);
  FUZZ_CHECK(CopyCodecPixels(frame, CodecRectangle{1, 0, shape.Width, 1}, wholeStride, whole.size(), whole.data()) ==
             CodecBadRectangle);

  // Everything but the first row and column, at a stride with padding.
  const CodecRectangle inner{1, 1, shape.Width - 1, shape.Height - 1};
  const uint32_t stride = static_cast<uint32_t>((int64_t{inner.Width} * shape.Depth + 7) / 8) + 3;
  std::vector<uint8_t> part(static_cast<size_t>(stride) * (inner.Height > 0 ? inner.Height : 1));
  FUZZ_CHECK(CopyCodecPixels(frame, inner, stride, part.size(), part.data()) == ResultSuccess);
  for (int32_t r = 0; r < inner.Height && r < 8; ++r) {
    for (int32_t x = 0; x < inner.Width; ++x) {
      FUZZ_CHECK(PixelAt(part.data() + size_t{stride} * r, int64_t{x} * shape.Depth, shape.Depth) ==
                 PixelAt(whole.data() + size_t{wholeStride} * (r + 1), int64_t{x + 1} * shape.Depth, shape.Depth));
    }
  }
  if (choice != nullptr) CheckChosenCopy(frame, whole, wholeStride, choice);
}

// The frame's colours as the DIB's table holds them: blue, green, red (and
// a fourth byte the frame does not keep).
std::vector<uint8_t> ColourTable(const CodecFrame& frame) {
  std::vector<uint8_t> table;
  for (int32_t entry = 0; entry < frame.Shape.ColourEntries; ++entry) {
    const uint32_t colour = frame.Colours[entry];
    table.insert(table.end(), {static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                               static_cast<uint8_t>(colour >> 16), 0});
  }
  return table;
}

// The frame against the reference decoders: an MCG is the whole picture, an
// IPF or IPQ frame its "bmp " chunk alone.
void CheckAgainstReference(const InputRange& input, int32_t index, const CodecFrame& frame) {
  const PictureImage picture{input, input.First};
  if (!ReferenceFits(picture)) return;
  const CodecFrameShape& shape = frame.Shape;
  PictureInfo info{};
  info.Width = shape.Width;
  info.Height = shape.Height;
  info.ColorDepth = static_cast<int16_t>(shape.Depth);
  const DibLayout layout{shape.ColourEntries, BitmapInfoHeaderSize + 4 * shape.ColourEntries, frame.Stride,
                         frame.Stride * shape.Height};
  const ExpectedDib expected = DetectImageKind(picture) == McgPicture
                                   ? ExpectDib(picture, ShowFirst, info, layout)
                                   : ExpectFrameDib(picture, FrameChunk(picture, index), info, layout);
  CheckDib(expected, ColourTable(frame).data(), frame.Pixels, false);
}

// The whole picture as the picture filter shows it, in display mode `mode`.
void CheckPicture(const InputRange& input, int32_t mode) {
  const PictureImage picture{input, input.First};
  PictureInfo info;
  DibLayout layout;
  if (DetectImageKind(picture) == NotAPicture || ReadPictureInfo(picture, mode, &info) != ResultSuccess ||
      ComputeDibLayout(info, &layout) != ResultSuccess || layout.ImageSize > LargestFrame) {
    return;
  }
  if (!ReferenceFits(picture)) return;
  CodecFrame frame;
  const int32_t decoded = DecodeCodecPicture(input, mode, &frame);
  FUZZ_CHECK(decoded == ResultSuccess || decoded == ResultBrokenData || decoded == DataEnded ||
             decoded == ResultNotImplemented);
  if (decoded != ResultSuccess) {
    FUZZ_CHECK(frame.Pixels == nullptr);
    return;
  }
  FUZZ_CHECK(frame.Shape.Width == info.Width && frame.Shape.Height == info.Height && frame.Stride == layout.Stride);
  CheckDib(ExpectDib(picture, mode, info, layout), ColourTable(frame).data(), frame.Pixels, false);
  ReleaseCodecFrame(&frame);
}

void CheckFrame(const InputRange& input, int32_t index) {
  CodecFrameShape shape;
  const int32_t described = DescribeCodecFrame(input, index, &shape);
  FUZZ_CHECK(described == ResultSuccess || described == ResultBrokenData || described == ResultNotImplemented);
  if (described != ResultSuccess) {
    CodecFrame frame;
    FUZZ_CHECK(DecodeCodecFrame(input, index, &frame) == described && frame.Pixels == nullptr);
    return;
  }
  FUZZ_CHECK(shape.Width > 0 && shape.Height > 0);
  FUZZ_CHECK((shape.Depth == 24) == (shape.ColourEntries == 0));
  FUZZ_CHECK(shape.Depth == 24 || shape.ColourEntries == (1 << shape.Depth));
  const int64_t stride = ((int64_t{shape.Width} * shape.Depth + 31) / 32) * 4;
  if (stride * shape.Height > LargestFrame) return;

  CodecFrame frame;
  const int32_t decoded = DecodeCodecFrame(input, index, &frame);
  FUZZ_CHECK(decoded == ResultSuccess || decoded == ResultBrokenData || decoded == DataEnded ||
             decoded == ResultNotImplemented);
  if (decoded != ResultSuccess) {
    FUZZ_CHECK(frame.Pixels == nullptr);
    return;
  }
  FUZZ_CHECK(std::memcmp(&frame.Shape, &shape, sizeof shape) == 0 && frame.Stride == stride);
  for (int32_t entry = 0; entry < shape.ColourEntries; ++entry) FUZZ_CHECK(frame.Colours[entry] >> 24 == 0xFF);
  CheckAgainstReference(input, index, frame);
  CheckCopies(frame, input.Size >= 4 ? input.First + input.Size - 4 : nullptr);
  ReleaseCodecFrame(&frame);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The codec holds its input in a block of its own, as read from the stream.
  std::vector<uint8_t> copy(data, data + size);
  const InputRange input{copy.data(), copy.size()};
  int32_t count = 0;
  const int32_t counted = CountCodecFrames(input, &count);
  FUZZ_CHECK(counted == ResultSuccess || counted == ResultNotOurFormat || counted == ResultBrokenData);
  if (counted != ResultSuccess) return 0;
  FUZZ_CHECK(count >= 1 && static_cast<uint64_t>(count) <= size / 4);
  for (int32_t index = 0; index < count && index < FramesTried; ++index) CheckFrame(input, index);
  // The last frame of a long IPQ too, and one past the end.
  if (count > FramesTried) CheckFrame(input, count - 1);
  CodecFrameShape beyond;
  FUZZ_CHECK(DescribeCodecFrame(input, count, &beyond) == ResultBrokenData);
  CheckPicture(input, size > 0 ? data[size - 1] % IpqDisplayModeCount : 0);
  return 0;
}
