// Any bytes as the PNG file a user hands to `fcview encode`: fcview's reader
// (libpng, then its palette and opacity rules), then the encoders to IPF,
// IPQ (the picture twice, as two frames) and MCG. The round trip is the
// oracle: an accepted picture's file must decode, through the plain
// reference decoders, to the same pixels, and a palette picture must keep
// its palette and indexes; a refusal must come with a reason, and only for
// what these formats cannot hold.
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "container/ipq_display_mode.h"
#include "container/picture_kind.h"
#include "container/read_picture_info.h"
#include "fcview/encode.h"
#include "fcview/png_reader.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/reference_dib.h"
#include "picture_filter/dib_layout.h"

namespace {

using fcview::EncodedKind;
using fcview::PngPicture;

// Pictures beyond this many pixels are not read: a header may promise
// gigabytes, which the reader would then allocate. Beyond the reader's own
// limit they are, as it refuses them before allocating anything.
constexpr uint64_t LargestPicture = uint64_t{1} << 18;
constexpr uint64_t ReaderLimit = uint64_t{1} << 28;

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool TooLarge(const uint8_t* data, size_t size) {
  if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
  const uint64_t pixels = uint64_t{BigEndian32(data + 16)} * BigEndian32(data + 20);
  return pixels > LargestPicture && pixels <= ReaderLimit;
}

uint32_t RgbAt(const std::vector<uint8_t>& rgb, size_t pixel) {
  return (uint32_t{rgb[3 * pixel]} << 16) | (uint32_t{rgb[3 * pixel + 1]} << 8) | rgb[3 * pixel + 2];
}

// What the reader hands out is self-consistent.
void CheckRead(const PngPicture& picture) {
  const fcview::RgbImage& image = picture.Image;
  FUZZ_CHECK(image.Width > 0 && image.Height > 0);
  const size_t count = static_cast<size_t>(image.Width) * image.Height;
  FUZZ_CHECK(image.Rgb.size() == 3 * count);
  const int32_t depth = picture.IndexDepth;
  FUZZ_CHECK(depth == 0 || depth == 1 || depth == 2 || depth == 4 || depth == 8);
  if (depth == 0) return;
  FUZZ_CHECK(picture.Indexes.size() == count && !picture.Palette.empty());
  for (size_t i = 0; i < count; ++i) {
    FUZZ_CHECK(picture.Indexes[i] < picture.Palette.size() && picture.Indexes[i] < (1u << depth));
    FUZZ_CHECK(RgbAt(image.Rgb, i) == picture.Palette[picture.Indexes[i]]);
  }
}

// Refusals the formats call for: a side beyond 16 bits or more than 256
// colours for IPF and IPQ (unless the pictures share a palette that fits);
// MCG holds every picture read here.
bool MustRefuse(EncodedKind kind, const PngPicture& picture) {
  if (kind == EncodedKind::Mcg) return false;
  if (picture.Image.Width > 0xFFFF || picture.Image.Height > 0xFFFF) return true;
  if (picture.IndexDepth > 0 && picture.Palette.size() <= 256) return false;
  std::set<uint32_t> colours;
  for (size_t i = 0; i < picture.Image.Rgb.size() / 3; ++i) colours.insert(RgbAt(picture.Image.Rgb, i));
  return colours.size() > 256;
}

struct DibPixel {
  uint32_t Rgb;
  int32_t Index; // -1 at 24 bits
};

DibPixel PixelOf(const ExpectedDib& dib, const PictureInfo& info, const DibLayout& layout, int32_t x, int32_t y) {
  const size_t row = static_cast<size_t>(info.Height - 1 - y) * layout.Stride;
  const int32_t depth = info.ColorDepth;
  if (depth == 24) {
    const size_t at = row + 3 * static_cast<size_t>(x);
    FUZZ_CHECK(dib.Meaningful[at] && dib.Meaningful[at + 1] && dib.Meaningful[at + 2]);
    return DibPixel{(uint32_t{dib.Pixels[at + 2]} << 16) | (uint32_t{dib.Pixels[at + 1]} << 8) | dib.Pixels[at], -1};
  }
  const size_t bit = static_cast<size_t>(x) * depth;
  FUZZ_CHECK(dib.Meaningful[row + bit / 8]);
  const int32_t index = dib.Pixels[row + bit / 8] >> (8 - depth - bit % 8) & ((1 << depth) - 1);
  FUZZ_CHECK(index < layout.ColourEntries);
  const uint8_t* quad = &dib.Colours[4 * static_cast<size_t>(index)];
  return DibPixel{(uint32_t{quad[2]} << 16) | (uint32_t{quad[1]} << 8) | quad[0], index};
}

// The file through the reference decoders: every picture's pixels, stacked
// as IPQ frames are, and a palette picture's indexes where the format keeps
// them (MCG always; IPF and IPQ when the pictures' own palette was kept).
void CheckRoundTrip(EncodedKind kind, const std::vector<uint8_t>& file, const std::vector<PngPicture>& pictures) {
  const PictureImage image{InputRange{file.data(), file.size()}, file.data()};
  PictureInfo info;
  FUZZ_CHECK(DetectImageKind(image) != NotAPicture);
  FUZZ_CHECK(ReadPictureInfo(image, ShowConnected, &info) == ResultSuccess);
  DibLayout layout;
  FUZZ_CHECK(ComputeDibLayout(info, &layout) == ResultSuccess);
  const ExpectedDib dib = ExpectDib(image, ShowConnected, info, layout);
  const PngPicture& first = pictures[0];
  FUZZ_CHECK(info.Width == first.Image.Width && info.Height == first.Image.Height * static_cast<int32_t>(pictures.size()));
  const bool keepsIndexes = first.IndexDepth > 0 && (kind == EncodedKind::Mcg || first.Palette.size() <= 256);
  for (size_t k = 0; k < pictures.size(); ++k) {
    const fcview::RgbImage& wanted = pictures[k].Image;
    for (int32_t y = 0; y < wanted.Height; ++y) {
      for (int32_t x = 0; x < wanted.Width; ++x) {
        const size_t pixel = static_cast<size_t>(y) * wanted.Width + x;
        const DibPixel got = PixelOf(dib, info, layout, x, y + static_cast<int32_t>(k) * wanted.Height);
        FUZZ_CHECK(got.Rgb == RgbAt(wanted.Rgb, pixel));
        if (keepsIndexes) FUZZ_CHECK(got.Index == pictures[k].Indexes[pixel]);
      }
    }
  }
}

void Encode(EncodedKind kind, const std::vector<PngPicture>& pictures) {
  std::vector<uint8_t> file;
  std::string reason;
  const bool encoded = fcview::EncodePictures(kind, pictures, &file, &reason);
  FUZZ_CHECK(encoded != MustRefuse(kind, pictures[0]));
  if (!encoded) {
    FUZZ_CHECK(!reason.empty());
    return;
  }
  // fcview's own check (the picture filter's decoders) must pass, and the
  // plain decoders must agree.
  FUZZ_CHECK(fcview::VerifyEncoded(kind, file.data(), file.size(), pictures, &reason));
  CheckRoundTrip(kind, file, pictures);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (TooLarge(data, size)) return 0;
  PngPicture picture;
  std::string reason;
  if (!fcview::ReadPng(data, size, &picture, &reason)) {
    FUZZ_CHECK(!reason.empty());
    return 0;
  }
  CheckRead(picture);
  Encode(EncodedKind::Ipf, {picture});
  Encode(EncodedKind::Mcg, {picture});
  Encode(EncodedKind::Ipq, {picture, picture});
  return 0;
}
