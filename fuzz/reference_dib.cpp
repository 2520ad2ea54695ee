#include "fuzz/reference_dib.h"

#include <algorithm>
#include <cstring>

#include "common/result_codes.h"
#include "container/chunks.h"
#include "container/frames.h"
#include "container/ipq_display_mode.h"
#include "container/picture_kind.h"
#include "container/read_picture_info.h"
#include "fuzz/fuzz_check.h"
#include "tests/reference/reference_decoders.h"

namespace {

ExpectedDib EmptyDib(const DibLayout& layout) {
  ExpectedDib dib;
  dib.Colours.assign(4 * static_cast<size_t>(layout.ColourEntries), 0);
  dib.Pixels.assign(static_cast<size_t>(layout.ImageSize), 0);
  dib.Meaningful.assign(dib.Pixels.size(), false);
  return dib;
}

// The colour table as the "pal " chunk's presence bits and triples give it.
void ExpectChunkPalette(const PictureImage& picture, ExpectedDib* dib) {
  const uint8_t* chunk = FindChunk(picture, "pal ");
  FUZZ_CHECK(chunk != nullptr && IsReadable(picture.Input, chunk, 44));
  const int32_t count = ReadI32(chunk + 8);
  FUZZ_CHECK(count >= 0 && IsReadable(picture.Input, chunk + 44, 3 * static_cast<size_t>(count)));
  int32_t next = 0;
  for (int entry = 0; entry < 256; ++entry) {
    if ((chunk[12 + entry / 8] >> (7 - entry % 8) & 1) == 0 || next >= count) continue;
    const uint8_t* triple = chunk + 44 + 3 * next++;
    dib->Colours[4 * entry + 0] = triple[2];
    dib->Colours[4 * entry + 1] = triple[1];
    dib->Colours[4 * entry + 2] = triple[0];
  }
}

// One "bmp " chunk's rows, laid into the block from picture row `top` down.
void ExpectChunk(const PictureImage& picture, const uint8_t* chunk, int32_t top, const PictureInfo& info,
                 int32_t stride, ExpectedDib* dib) {
  const int32_t rows = info.Height;
  FUZZ_CHECK(chunk != nullptr && IsReadable(picture.Input, chunk, 32));
  const size_t width = ReadU16(chunk + 8);
  const size_t height = ReadU16(chunk + 10);
  const int64_t length = int64_t{ReadI32(chunk + 4)} - 24;
  FUZZ_CHECK(length >= 0 && IsReadable(picture.Input, chunk + 32, static_cast<size_t>(length)));
  std::vector<uint8_t> area(width * height, 0);
  // Stored data shorter than the picture leave the rest of it open.
  size_t defined = area.size();
  if (ReadU16(chunk + 26) == 0) {
    defined = std::min(area.size(), static_cast<size_t>(length));
    if (defined > 0) std::memcpy(area.data(), chunk + 32, defined);
  } else {
    FUZZ_CHECK(ReadU16(chunk + 26) == 1);
    FUZZ_CHECK(ReferenceDecodeIpf(chunk + 32, static_cast<size_t>(length), area.data(), area.size(), Progress{},
                                  0, 0) == ResultSuccess);
  }
  FUZZ_CHECK(top + static_cast<int64_t>(height) <= rows && width <= static_cast<size_t>(stride));
  for (size_t y = 0; y < height; ++y) {
    const size_t row = static_cast<size_t>(rows - 1 - (top + static_cast<int32_t>(y))) * stride;
    if (width > 0) std::memcpy(&dib->Pixels[row], &area[y * width], width);
    // Beside a frame narrower than the picture the block keeps its zeros.
    for (size_t x = 0; x < static_cast<size_t>(info.Width); ++x) {
      dib->Meaningful[row + x] = x >= width || y * width + x < defined;
    }
  }
}

void ExpectMcg(const PictureImage& picture, const DibLayout& layout, int32_t rows, ExpectedDib* dib) {
  const uint8_t* header = picture.Image;
  const int32_t count = ReadI32(header + 44);
  const size_t copied = std::min<size_t>(static_cast<size_t>(count), static_cast<size_t>(layout.ColourEntries));
  if (copied > 0) std::memcpy(dib->Colours.data(), header + 64, 4 * copied);
  const size_t unpacked = static_cast<size_t>(ReadI32(header + 40));
  const uint8_t* data = header + 64 + 4 * static_cast<size_t>(count);
  std::vector<uint8_t> out(unpacked + 18);
  FUZZ_CHECK(ReferenceUnpackMcg(data, BytesLeft(picture.Input, data), out.data(), unpacked, Progress{}) ==
             ResultSuccess);
  // The unpacked bytes are the DIB's rows, top row first; rows they do not
  // reach are left open.
  const size_t stride = static_cast<size_t>(layout.Stride);
  for (size_t at = 0; at < unpacked && at < stride * static_cast<size_t>(rows); ++at) {
    const size_t row = static_cast<size_t>(rows) - 1 - at / stride;
    dib->Pixels[row * stride + at % stride] = out[at];
    dib->Meaningful[row * stride + at % stride] = true;
  }
}

} // namespace

bool ReferenceFits(const PictureImage& picture) {
  constexpr int32_t LargestUnpacked = 4 << 20;
  return DetectImageKind(picture) != McgPicture || !IsReadable(picture.Input, picture.Image, 64) ||
         ReadI32(picture.Image + 40) <= LargestUnpacked;
}

ExpectedDib ExpectDib(const PictureImage& picture, int32_t mode, const PictureInfo& info, const DibLayout& layout) {
  ExpectedDib dib = EmptyDib(layout);
  const PictureKind kind = DetectImageKind(picture);
  if (kind == McgPicture) {
    ExpectMcg(picture, layout, info.Height, &dib);
    return dib;
  }
  ExpectChunkPalette(picture, &dib);
  std::vector<const uint8_t*> chunks;
  if (kind == IpfPicture) {
    chunks.push_back(FindChunk(picture, "bmp "));
  } else if (mode != ShowConnected) {
    chunks.push_back(FrameChunk(picture, SelectedFrameIndex(picture, mode)));
  } else {
    for (int32_t index = 0; index < FrameCount(picture); ++index) chunks.push_back(FrameChunk(picture, index));
  }
  // A row's filler up to the stride has no meaning.
  int32_t top = 0;
  for (const uint8_t* chunk : chunks) {
    ExpectChunk(picture, chunk, top, info, layout.Stride, &dib);
    top += ReadU16(chunk + 10);
  }
  FUZZ_CHECK(top == info.Height);
  return dib;
}

ExpectedDib ExpectFrameDib(const PictureImage& picture, const uint8_t* chunk, const PictureInfo& info,
                           const DibLayout& layout) {
  ExpectedDib dib = EmptyDib(layout);
  ExpectChunkPalette(picture, &dib);
  ExpectChunk(picture, chunk, 0, info, layout.Stride, &dib);
  return dib;
}

void CheckDib(const ExpectedDib& expected, const uint8_t* colours, const uint8_t* pixels, bool withReserved) {
  for (size_t at = 0; at < expected.Colours.size(); ++at) {
    if (withReserved || at % 4 != 3) FUZZ_CHECK(colours[at] == expected.Colours[at]);
  }
  for (size_t at = 0; at < expected.Pixels.size(); ++at) {
    if (expected.Meaningful[at]) FUZZ_CHECK(pixels[at] == expected.Pixels[at]);
  }
}
