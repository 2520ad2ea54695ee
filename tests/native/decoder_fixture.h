// What the decoder tests share: a progress recorder, exact-size heap copies
// (so the sanitizers see every byte read or written outside them), and a
// DIB built the way the plug-in frame builds it.
#pragma once
#include <memory>
#include <utility>
#include <vector>

#include "common/progress.h"
#include "container/read_picture_info.h"
#include "picture_filter/decode_picture.h"
#include "picture_filter/dib_layout.h"
#include "tests/native/picture_fixture.h"

struct ProgressLog {
  std::vector<std::pair<int32_t, int32_t>> Calls;
  int CancelAtCall = -1; // answer "stop" at this call (0 = the first)
};

inline int32_t FC_STDCALL RecordProgress(int32_t done, int32_t total, intptr_t user) {
  ProgressLog* log = reinterpret_cast<ProgressLog*>(user);
  log->Calls.emplace_back(done, total);
  return static_cast<int>(log->Calls.size()) - 1 == log->CancelAtCall ? 1 : 0;
}

inline Progress ProgressTo(ProgressLog& log) { return Progress{RecordProgress, reinterpret_cast<intptr_t>(&log)}; }

// A heap block of exactly these bytes.
struct ExactBytes {
  std::unique_ptr<uint8_t[]> Data;
  size_t Size;
};
inline ExactBytes ExactCopy(const Bytes& bytes) {
  ExactBytes copy{std::unique_ptr<uint8_t[]>(new uint8_t[bytes.size() + 1]), bytes.size()};
  std::copy(bytes.begin(), bytes.end(), copy.Data.get());
  return copy;
}

struct DecodedDib {
  int32_t Result = -100;
  PictureInfo Info{};
  DibLayout Layout{};
  Bytes Colours;
  Bytes Pixels;
  // The picture's row y counted from the top, `width` bytes of it.
  Bytes Row(int32_t y, int32_t width) const {
    const size_t start = static_cast<size_t>(Info.Height - 1 - y) * Layout.Stride;
    return Bytes(Pixels.begin() + start, Pixels.begin() + start + width);
  }
};

// Describes and decodes a file as GetPicture does, with the DIB's blocks
// pre-filled with `fill` (the frame zero-fills them; a test may not).
inline DecodedDib DecodeFile(const Bytes& file, int32_t mode = ShowConnected, Progress progress = {},
                             uint8_t fill = 0) {
  DecodedDib dib;
  ExactBytes input = ExactCopy(file);
  const PictureImage picture{InputRange{input.Data.get(), input.Size}, input.Data.get()};
  dib.Result = ReadPictureInfo(picture, mode, &dib.Info);
  if (dib.Result != 0) return dib;
  dib.Result = ComputeDibLayout(dib.Info, &dib.Layout);
  if (dib.Result != 0) return dib;
  dib.Colours.assign(4 * static_cast<size_t>(dib.Layout.ColourEntries), fill);
  dib.Pixels.assign(static_cast<size_t>(dib.Layout.ImageSize), fill);
  const DibTarget target{dib.Colours.data(), dib.Layout.ColourEntries, dib.Pixels.data(), dib.Layout.Stride,
                         dib.Info.Height};
  dib.Result = DecodePicture(picture, mode, target, progress);
  return dib;
}

inline Bytes Entry(const DecodedDib& dib, int index) {
  return Bytes(dib.Colours.begin() + 4 * index, dib.Colours.begin() + 4 * index + 4);
}

inline BitmapFrame CompressedFrame(uint16_t width, uint16_t height, const Bytes& codes) {
  BitmapFrame frame;
  frame.Width = width;
  frame.Height = height;
  frame.Packing = 1;
  frame.PixelData = codes;
  return frame;
}
