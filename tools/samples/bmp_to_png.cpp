// Turns a BMP written by fc_host (8-bit palettised, 1/4-bit, or 24-bit, rows
// bottom-up) into a PNG file that any image viewer opens:
//   bmp_to_png IN.bmp OUT.png
// The rows go through fcview's own DIB conversion and PNG encoder.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/input_range.h"
#include "fcview/files.h"
#include "fcview/pictures.h"
#include "fcview/png_encoder.h"
#include "tests/support/file_bytes.h"

namespace {

constexpr size_t FileHeaderSize = 14;
constexpr size_t InfoHeaderSize = 40;

// The DIB inside a BMP file; false when it is not one fc_host writes or is cut short.
bool ReadBmp(const std::vector<uint8_t>& bmp, fcview::DibPixels* dib) {
  if (bmp.size() < FileHeaderSize + InfoHeaderSize || bmp[0] != 'B' || bmp[1] != 'M') return false;
  const uint8_t* header = bmp.data() + FileHeaderSize;
  const uint32_t offBits = ReadU32(bmp.data() + 10);
  dib->Width = ReadI32(header + 4);
  dib->Height = ReadI32(header + 8);
  dib->Depth = ReadU16(header + 14);
  if (dib->Width <= 0 || dib->Height <= 0) return false;
  if (dib->Depth != 1 && dib->Depth != 4 && dib->Depth != 8 && dib->Depth != 24) return false;
  const size_t tableSize = dib->Depth == 24 ? 0 : size_t{4} << dib->Depth;
  dib->Stride = ((static_cast<size_t>(dib->Width) * dib->Depth + 31) / 32) * 4;
  if (FileHeaderSize + InfoHeaderSize + tableSize > offBits ||
      offBits + dib->Stride * static_cast<size_t>(dib->Height) > bmp.size()) {
    return false;
  }
  dib->Table = header + InfoHeaderSize;
  dib->Rows = bmp.data() + offBits;
  return true;
}

} // namespace

int main(int argc, char** argv) {
  std::vector<uint8_t> bmp;
  std::string reason;
  if (argc != 3 || !fcview::ReadWholeFile(argv[1], &bmp, &reason)) {
    std::fprintf(stderr, "usage: bmp_to_png IN.bmp OUT.png (IN must be a BMP file)\n");
    return 2;
  }
  fcview::DibPixels dib;
  if (!ReadBmp(bmp, &dib)) {
    std::fprintf(stderr, "%s: unsupported or truncated BMP\n", argv[1]);
    return 1;
  }
  fcview::RgbImage image;
  fcview::DibToRgb(dib, &image);
  image.IndexDepth = 0; // an RGB PNG file, whatever the depth, as the screenshots have always been
  std::vector<uint8_t> png;
  if (!fcview::EncodePng(image, &png) || !WriteFileBytes(argv[2], png)) {
    std::fprintf(stderr, "%s: cannot write PNG\n", argv[2]);
    return 1;
  }
  return 0;
}
