// Pictures as the tool sees them: described, decoded through the picture
// filter's own routines into a DIB, and turned into plain RGB rows.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/input_range.h"
#include "container/picture_info.h"
#include "container/picture_kind.h"

namespace fcview {

struct RgbImage {
  int32_t Width = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Rgb; // Width * Height triples, red, green, blue, top row first
  // A palette picture also keeps its indexes, so that a PNG file can hold the
  // palette exactly (and a picture made from it again the same indexes).
  int32_t IndexDepth = 0;        // 1, 4 or 8; 0 for true colour
  std::vector<uint32_t> Palette; // 0xRRGGBB per index
  std::vector<uint8_t> Indexes;  // one per pixel, top row first
};

struct FrameSize {
  int32_t Width;
  int32_t Height;
};

struct PictureSummary {
  PictureKind Kind = NotAPicture;
  PictureInfo Info{};             // an IPQ as its connected picture
  int32_t Frames = 0;
  std::vector<FrameSize> FrameSizes; // IPQ only
};

const char* KindName(PictureKind kind);

// 0 with the summary filled, else the result code (2 not a picture, 3 broken data).
int32_t DescribePicture(const InputRange& input, PictureSummary* summary);

// A DIB as the picture filter fills it (and as a BMP file holds it): the
// colour table's RGBQUAD entries and the rows, bottom row first, `Stride`
// bytes apart.
struct DibPixels {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Depth = 0;            // 1, 4, 8 or 24
  const uint8_t* Table = nullptr; // 2 to the power Depth entries below 24 bits
  const uint8_t* Rows = nullptr;
  size_t Stride = 0;
};

// The DIB as RGB rows, top row first; below 24 bits also its palette and indexes.
void DibToRgb(const DibPixels& dib, RgbImage* image);

// Decodes the picture as display mode `mode` shows it (ignored but for IPQ)
// and converts the DIB to RGB. 0 or the result code of the failing step.
int32_t DecodeToRgb(const InputRange& input, int32_t mode, RgbImage* image);

// The stand-alone IPF file of frame `index` of an IPQ (what extraction of
// that frame writes). 0 or the result code.
int32_t FrameAsIpf(const InputRange& input, int32_t index, std::vector<uint8_t>* ipf);

// "broken data (result 3)" and so on.
std::string ResultText(int32_t result);

} // namespace fcview
