#include "fcview/encode.h"

#include <algorithm>
#include <unordered_map>

#include "common/input_range.h"
#include "common/result_codes.h"
#include "container/ipq_display_mode.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"
#include "writers/picture_writer.h"

namespace fcview {

namespace {

constexpr size_t PaletteSize = 256;

std::string Which(size_t index, size_t count) {
  return count > 1 ? "picture " + std::to_string(index + 1) + " " : "the picture ";
}

uint32_t RgbAt(const RgbImage& image, size_t pixel) {
  const uint8_t* p = &image.Rgb[3 * pixel];
  return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}

// One palette for all pictures and every picture's indexes into it. The
// pictures' own palette is kept when they all have the same one; otherwise
// the colours are numbered in the order they first appear.
bool SharedPalette(const std::vector<PngPicture>& pictures, std::vector<uint32_t>* palette,
                   std::vector<std::vector<uint8_t>>* indexes, std::string* reason) {
  const bool samePalette = std::all_of(pictures.begin(), pictures.end(), [&](const PngPicture& p) {
    return p.IndexDepth > 0 && p.Palette == pictures[0].Palette && p.Palette.size() <= PaletteSize;
  });
  if (samePalette) {
    *palette = pictures[0].Palette;
    for (const PngPicture& p : pictures) indexes->push_back(p.Indexes);
    return true;
  }
  std::unordered_map<uint32_t, uint8_t> numbers;
  for (size_t k = 0; k < pictures.size(); ++k) {
    const RgbImage& image = pictures[k].Image;
    const size_t count = static_cast<size_t>(image.Width) * image.Height;
    std::vector<uint8_t> picture(count);
    for (size_t i = 0; i < count; ++i) {
      const uint32_t rgb = RgbAt(image, i);
      auto found = numbers.find(rgb);
      if (found == numbers.end()) {
        if (palette->size() == PaletteSize) {
          *reason = Which(k, pictures.size()) + "brings the colours to more than 256, which is all a palette of " +
                    "these formats holds; reduce the colours first";
          return false;
        }
        found = numbers.emplace(rgb, static_cast<uint8_t>(palette->size())).first;
        palette->push_back(rgb);
      }
      picture[i] = found->second;
    }
    indexes->push_back(std::move(picture));
  }
  return true;
}

BitmapFrame FrameOf(const RgbImage& image, const std::vector<uint8_t>& indexes) {
  BitmapFrame frame;
  frame.Width = static_cast<uint16_t>(image.Width);
  frame.Height = static_cast<uint16_t>(image.Height);
  Bytes packed = EncodeIpfCodes(indexes);
  // Stored when the code would not be smaller.
  if (packed.size() < indexes.size()) {
    frame.Packing = 1;
    frame.PixelData = std::move(packed);
  } else {
    frame.PixelData = indexes;
  }
  return frame;
}

bool EncodeRiff(EncodedKind kind, const std::vector<PngPicture>& pictures, Bytes* file, std::string* reason) {
  for (size_t k = 0; k < pictures.size(); ++k) {
    if (pictures[k].Image.Width > 0xFFFF || pictures[k].Image.Height > 0xFFFF) {
      *reason = Which(k, pictures.size()) + "is larger than 65535 pixels a side, the most IPF and IPQ hold";
      return false;
    }
  }
  std::vector<uint32_t> colours;
  std::vector<std::vector<uint8_t>> indexes;
  if (!SharedPalette(pictures, &colours, &indexes, reason)) return false;
  ChunkPalette palette;
  for (size_t i = 0; i < colours.size(); ++i) {
    palette.Presence[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    palette.Triples.push_back(static_cast<uint8_t>(colours[i] >> 16));
    palette.Triples.push_back(static_cast<uint8_t>(colours[i] >> 8));
    palette.Triples.push_back(static_cast<uint8_t>(colours[i]));
  }
  if (kind == EncodedKind::Ipf) {
    *file = MakeIpf(palette, FrameOf(pictures[0].Image, indexes[0]));
  } else {
    std::vector<BitmapFrame> frames;
    for (size_t k = 0; k < pictures.size(); ++k) frames.push_back(FrameOf(pictures[k].Image, indexes[k]));
    *file = MakeIpq(palette, frames);
  }
  return true;
}

// MCG keeps a palette picture's depth where MCG has it (2 bits become 4);
// anything else is true colour.
int32_t McgDepthOf(const PngPicture& picture) {
  switch (picture.IndexDepth) {
    case 1: return 1;
    case 2:
    case 4: return 4;
    case 8: return 8;
    default: return 24;
  }
}

bool EncodeMcg(const PngPicture& picture, Bytes* file, std::string* reason) {
  const RgbImage& image = picture.Image;
  const int32_t depth = McgDepthOf(picture);
  const size_t stride = (static_cast<size_t>(image.Width) * depth + 31) / 32 * 4;
  if (stride * image.Height > 0x7FFFFFFF) {
    *reason = "the picture is too large for an MCG file";
    return false;
  }
  Bytes rows(stride * image.Height, 0);
  for (int32_t y = 0; y < image.Height; ++y) {
    uint8_t* row = rows.data() + stride * y;
    for (int32_t x = 0; x < image.Width; ++x) {
      const size_t pixel = static_cast<size_t>(y) * image.Width + x;
      if (depth == 24) {
        row[3 * x] = image.Rgb[3 * pixel + 2]; // the DIB's order: blue, green, red
        row[3 * x + 1] = image.Rgb[3 * pixel + 1];
        row[3 * x + 2] = image.Rgb[3 * pixel];
      } else {
        const size_t bit = static_cast<size_t>(x) * depth;
        row[bit / 8] |= static_cast<uint8_t>(picture.Indexes[pixel] << (8 - depth - bit % 8));
      }
    }
  }
  McgFile mcg;
  mcg.Width = image.Width;
  mcg.Height = image.Height;
  mcg.Depth = static_cast<uint16_t>(depth);
  mcg.UnpackedSize = static_cast<int32_t>(rows.size());
  if (depth != 24) mcg.Colours = picture.Palette; // 0xRRGGBB: blue, green, red, 0 as little-endian bytes
  mcg.Packed = EncodeMcgLzss(rows);
  *file = MakeMcg(mcg);
  return true;
}

bool SamePixels(const RgbImage& decoded, const RgbImage& wanted, const std::string& which, std::string* reason) {
  if (decoded.Width != wanted.Width || decoded.Height != wanted.Height) {
    *reason = which + "decodes at another size";
    return false;
  }
  for (size_t i = 0; i < wanted.Rgb.size(); i += 3) {
    if (std::equal(wanted.Rgb.begin() + i, wanted.Rgb.begin() + i + 3, decoded.Rgb.begin() + i)) continue;
    const size_t pixel = i / 3;
    *reason = which + "decodes with another colour at x " + std::to_string(pixel % wanted.Width) + ", y " +
              std::to_string(pixel / wanted.Width);
    return false;
  }
  return true;
}

} // namespace

bool EncodedKindOf(const std::string& fileName, EncodedKind* kind) {
  if (fileName.size() < 4) return false;
  std::string suffix = fileName.substr(fileName.size() - 4);
  for (char& c : suffix) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (suffix == ".ipf") *kind = EncodedKind::Ipf;
  else if (suffix == ".ipq") *kind = EncodedKind::Ipq;
  else if (suffix == ".mcg") *kind = EncodedKind::Mcg;
  else return false;
  return true;
}

bool EncodePictures(EncodedKind kind, const std::vector<PngPicture>& pictures, std::vector<uint8_t>* file,
                    std::string* reason) {
  if (pictures.empty() || (kind != EncodedKind::Ipq && pictures.size() != 1)) {
    *reason = "takes one picture";
    return false;
  }
  for (size_t k = 0; k < pictures.size(); ++k) {
    if (pictures[k].Image.Width <= 0 || pictures[k].Image.Height <= 0) {
      *reason = Which(k, pictures.size()) + "has no pixels";
      return false;
    }
  }
  if (kind == EncodedKind::Mcg) return EncodeMcg(pictures[0], file, reason);
  return EncodeRiff(kind, pictures, file, reason);
}

bool VerifyEncoded(EncodedKind kind, const uint8_t* file, size_t size, const std::vector<PngPicture>& pictures,
                   std::string* reason) {
  const InputRange input{file, size};
  for (size_t k = 0; k < pictures.size(); ++k) {
    RgbImage decoded;
    int32_t result;
    if (kind == EncodedKind::Ipq) {
      std::vector<uint8_t> frame;
      result = FrameAsIpf(input, static_cast<int32_t>(k), &frame);
      if (result == ResultSuccess) result = DecodeToRgb(InputRange{frame.data(), frame.size()}, ShowLast, &decoded);
    } else {
      result = DecodeToRgb(input, ShowConnected, &decoded);
    }
    const std::string which = Which(k, pictures.size());
    if (result != ResultSuccess) {
      *reason = "read back, " + which + "does not decode: " + ResultText(result);
      return false;
    }
    if (!SamePixels(decoded, pictures[k].Image, "read back, " + which, reason)) return false;
  }
  return true;
}

} // namespace fcview
