// The picture loader core as image libraries drive it: the input arrives in
// pieces whose sizes the last byte chooses, the size is asked after each
// piece, and the whole is decoded to RGB at the end. Whatever the pieces,
// the size given early must be the final one, and the outcome and pixels
// must be those of the picture filter's own routines on the whole input
// (display mode 1), converted to RGB here pixel by pixel, and those
// routines' DIB must hold the plain reference decoders' pixels. The last
// byte sometimes sets the loader's input limit to half the input, which it
// must refuse at the piece that crosses that limit.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "common/result_codes.h"
#include "container/ipq_display_mode.h"
#include "container/read_picture_info.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/reference_dib.h"
#include "picture_filter/decode_picture.h"
#include "picture_filter/dib_layout.h"
#include "picture_filter/picture_loader.h"

namespace {

// Small limits keep every allocation of a run well below libFuzzer's.
constexpr LoaderLimits FuzzLimits{size_t{1} << 20, int64_t{1} << 18};

struct Expected {
  int32_t Described;
  PictureInfo Info;
  int32_t Decoded;
  std::vector<uint8_t> Rgb;
};

// The picture filter's way, then each pixel looked up in the DIB by itself.
Expected Reference(const uint8_t* data, size_t size) {
  Expected expected{};
  const PictureImage picture{InputRange{data, size}, data};
  expected.Described = DetectImageKind(picture) == NotAPicture ? ResultNotOurFormat
                                                               : ReadPictureInfo(picture, ShowConnected, &expected.Info);
  if (expected.Described != ResultSuccess) return expected;
  DibLayout layout;
  expected.Described = ComputeDibLayout(expected.Info, &layout);
  if (expected.Described != ResultSuccess) return expected;
  const PictureInfo& info = expected.Info;
  if (int64_t{info.Width} * info.Height > FuzzLimits.MaxPixels) {
    expected.Described = LoadPictureTooLarge;
    return expected;
  }
  std::vector<uint8_t> colours(4 * 256, 0), pixels(static_cast<size_t>(layout.ImageSize), 0);
  const DibTarget dib{colours.data(), layout.ColourEntries, pixels.data(), layout.Stride, info.Height};
  expected.Decoded = DecodePicture(picture, ShowConnected, dib, Progress{nullptr, 0});
  if (expected.Decoded != ResultSuccess) return expected;
  // The picture filter's fast decoders against the plain ones, then the
  // loader against the picture filter.
  if (ReferenceFits(picture)) CheckDib(ExpectDib(picture, ShowConnected, info, layout), colours.data(), pixels.data());
  for (int32_t y = 0; y < info.Height; ++y) {
    const uint8_t* row = pixels.data() + static_cast<size_t>(info.Height - 1 - y) * layout.Stride;
    for (int32_t x = 0; x < info.Width; ++x) {
      const int depth = info.ColorDepth;
      uint8_t bgr[3];
      if (depth == 24) {
        std::memcpy(bgr, row + 3 * static_cast<size_t>(x), 3);
      } else {
        const size_t bit = static_cast<size_t>(x) * depth;
        const unsigned index = row[bit / 8] >> (8 - depth - bit % 8) & ((1u << depth) - 1);
        // Entries past the table the DIB has stay black.
        const bool present = static_cast<int32_t>(index) < layout.ColourEntries;
        for (int c = 0; c < 3; ++c) bgr[c] = present ? colours[4 * index + c] : 0;
      }
      expected.Rgb.insert(expected.Rgb.end(), {bgr[2], bgr[1], bgr[0]});
    }
  }
  return expected;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t inputSize) {
  if (inputSize == 0) return 0;
  uint32_t state = input[inputSize - 1] * 2654435761u + 1;
  const size_t largestPiece = 1 + (input[inputSize - 1] & 0x3F) * 37;
  const size_t size = inputSize - 1;
  // The file in a block of exactly its size: a read past it is a report.
  std::unique_ptr<uint8_t[]> data(new uint8_t[size + 1]);
  std::memcpy(data.get(), input, size);

  // One input in sixteen meets a host that takes only half its bytes.
  LoaderLimits limits = FuzzLimits;
  if ((input[inputSize - 1] & 0xF0) == 0xF0) limits.MaxInputBytes = size / 2 + 1;
  PictureLoader loader;
  BeginPictureLoad(&loader, limits);
  bool early = false;
  PictureSize earlySize{};
  size_t at = 0;
  int32_t appended = ResultSuccess;
  while (at < size) {
    state ^= state << 13, state ^= state >> 17, state ^= state << 5;
    const size_t piece = std::min(size - at, 1 + state % largestPiece);
    appended = AppendPictureBytes(&loader, data.get() + at, piece);
    const bool kindShown = at < 12 && at + piece >= 12;
    at += piece;
    if (appended == LoadInputTooLarge) {
      FUZZ_CHECK(at > limits.MaxInputBytes && at - piece <= limits.MaxInputBytes);
      EndPictureLoad(&loader);
      return 0;
    }
    if (appended != ResultSuccess) {
      FUZZ_CHECK(appended == ResultNotOurFormat && kindShown && DetectPictureKind(data.get()) == NotAPicture);
      break;
    }
    const int32_t probed = ProbePictureSize(&loader);
    FUZZ_CHECK(probed == ResultSuccess || probed == LoadNeedsMoreData || probed == LoadPictureTooLarge ||
               probed == ResultNotImplemented || probed == ResultBrokenData);
    if (probed == ResultSuccess && !early) {
      early = true;
      earlySize = loader.Known;
    }
    if (probed != ResultSuccess && probed != LoadNeedsMoreData) {
      // Final answers: the whole input must give the same.
      FUZZ_CHECK(Reference(data.get(), size).Described == probed);
      EndPictureLoad(&loader);
      return 0;
    }
  }

  const Expected expected = Reference(data.get(), size);
  PictureSize final{};
  const int32_t described = appended == ResultSuccess ? DescribeLoadedPicture(&loader, &final) : appended;
  FUZZ_CHECK(described == expected.Described);
  if (described == ResultSuccess) {
    FUZZ_CHECK(final.Width == expected.Info.Width && final.Height == expected.Info.Height &&
               final.Depth == expected.Info.ColorDepth && final.Kind == DetectPictureKind(data.get()));
    FUZZ_CHECK(!early || (earlySize.Width == final.Width && earlySize.Height == final.Height &&
                          earlySize.Depth == final.Depth && earlySize.Kind == final.Kind));
    const size_t stride = 3 * static_cast<size_t>(final.Width);
    std::unique_ptr<uint8_t[]> rgb(new uint8_t[stride * final.Height]);
    const int32_t decoded = DecodeLoadedPicture(loader, final, rgb.get(), stride);
    FUZZ_CHECK(decoded == expected.Decoded);
    if (decoded == ResultSuccess) {
      FUZZ_CHECK(std::memcmp(rgb.get(), expected.Rgb.data(), expected.Rgb.size()) == 0);
    }
  }
  EndPictureLoad(&loader);
  return 0;
}
