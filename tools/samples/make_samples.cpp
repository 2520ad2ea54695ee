// Writes the bundled sample pictures, made entirely by the project's writers:
//   make_samples DIRECTORY
#include <cmath>
#include <cstdio>
#include <string>

#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"
#include "tests/support/file_bytes.h"
#include "writers/picture_writer.h"
#include "writers/vfs_writer.h"

namespace {

// A smooth two-wave pattern: a picture with gradients and edges, like art.
Bytes Plasma(int width, int height, double phase) {
  Bytes pixels(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double v = std::sin(x / 23.0 + phase) + std::sin(y / 17.0 - phase) + std::sin((x + y) / 41.0);
      pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>((v + 3.0) * 42.5);
    }
  }
  return pixels;
}

uint32_t SunsetColour(int i) {
  const int r = i < 128 ? i * 2 : 255;
  const int g = i < 128 ? i / 2 : 64 + (i - 128);
  const int b = i < 64 ? 96 + i : (i < 192 ? 160 - (i - 64) : 32 + (i - 192) * 3);
  return static_cast<uint32_t>((r << 16) | (g << 8) | b);
}

BitmapFrame Frame(int width, int height, double phase, uint16_t left, uint16_t top) {
  BitmapFrame frame;
  frame.Width = static_cast<uint16_t>(width);
  frame.Height = static_cast<uint16_t>(height);
  frame.Left = left;
  frame.Top = top;
  frame.Packing = 1;
  frame.PixelData = EncodeIpfCodes(Plasma(width, height, phase));
  return frame;
}

Bytes McgSample() {
  const int width = 256, height = 192, stride = 256;
  McgFile mcg;
  mcg.Width = width;
  mcg.Height = height;
  mcg.Depth = 8;
  mcg.UnpackedSize = stride * height;
  for (int i = 0; i < 256; ++i) {
    const uint32_t rgb = SunsetColour(255 - i);
    mcg.Colours.push_back(rgb); // blue, green, red, reserved as the bytes of a little-endian word
  }
  mcg.Packed = EncodeMcgLzss(Plasma(width, height, 1.3));
  return MakeMcg(mcg);
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_samples DIRECTORY\n");
    return 2;
  }
  const std::string directory = std::string(argv[1]) + "/";
  const ChunkPalette palette = FullPalette(SunsetColour);
  const Bytes ipf = MakeIpf(palette, Frame(320, 240, 0.0, 0, 0));
  const Bytes ipq = MakeIpq(palette, {Frame(160, 120, 0.0, 0, 0), Frame(200, 100, 0.8, 16, 8),
                                      Frame(120, 80, 1.6, 40, 24)});
  const Bytes mcg = McgSample();
  const std::string note = "Sample archive made by the project's own writers.\r\n";
  const Bytes vfs = MakeVfs({{"README.TXT", Bytes(note.begin(), note.end())},
                             {"CASTLE.IPF", MakeIpf(palette, Frame(96, 64, 2.2, 0, 0))},
                             {"DUSK.MCG", mcg},
                             {"WAVES.IPQ", ipq}});
  const bool written = WriteFileBytes(directory + "sunset.ipf", ipf) && WriteFileBytes(directory + "waves.ipq", ipq) &&
                       WriteFileBytes(directory + "dusk.mcg", mcg) && WriteFileBytes(directory + "pictures.vfs", vfs);
  if (!written) std::fprintf(stderr, "make_samples: cannot write into %s\n", argv[1]);
  return written ? 0 : 1;
}
