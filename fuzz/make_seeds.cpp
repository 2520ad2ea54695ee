// Writes the fuzz targets' seed corpora with the project's writers:
//   fc_fuzz_seeds DIRECTORY
// makes DIRECTORY/<target>/ for every target, a few small files each.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/fast_path_seeds.h"
#include "fuzz/png_seeds.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"
#include "tests/support/file_bytes.h"
#include "writers/picture_writer.h"
#include "writers/vfs_writer.h"

namespace {

Bytes Pixels(size_t count, uint32_t seed) {
  Bytes pixels(count);
  for (size_t i = 0; i < count; ++i) pixels[i] = static_cast<uint8_t>((i / 5 + seed) * (i % 3 == 0 ? 7 : 1));
  return pixels;
}

BitmapFrame Frame(uint16_t width, uint16_t height, bool compressed, uint32_t seed) {
  BitmapFrame frame;
  frame.Width = width;
  frame.Height = height;
  frame.Left = static_cast<uint16_t>(seed);
  frame.Top = static_cast<uint16_t>(seed * 2);
  frame.Packing = compressed ? 1 : 0;
  const Bytes pixels = Pixels(size_t{width} * height, seed);
  frame.PixelData = compressed ? EncodeIpfCodes(pixels) : pixels;
  return frame;
}

ChunkPalette SmallPalette() {
  ChunkPalette palette;
  palette.Presence[0] = 0xC1;
  palette.Presence[31] = 0x01;
  palette.Triples = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
  return palette;
}

Bytes Mcg(int32_t width, int32_t height, uint16_t depth, size_t colours) {
  McgFile mcg;
  mcg.Width = width;
  mcg.Height = height;
  mcg.Depth = depth;
  const size_t stride = ((static_cast<size_t>(depth) * static_cast<size_t>(width) + 7) / 8 + 3) & ~size_t{3};
  const Bytes rows = Pixels(stride * static_cast<size_t>(height), 3);
  mcg.UnpackedSize = static_cast<int32_t>(rows.size());
  for (size_t i = 0; i < colours; ++i) mcg.Colours.push_back(0x00102030u * static_cast<uint32_t>(i + 1));
  mcg.Packed = EncodeMcgLzss(rows);
  return MakeMcg(mcg);
}

void Write(const std::string& directory, const std::string& name, const Bytes& bytes) {
  if (!WriteFileBytes(directory + "/" + name, bytes)) {
    std::fprintf(stderr, "cannot write %s/%s\n", directory.c_str(), name.c_str());
    std::exit(1);
  }
}

// The picture target reads its display mode and cancel point from the last
// byte: every picture goes in with a few endings.
void PictureSeeds(const std::string& directory) {
  std::vector<std::pair<std::string, Bytes>> pictures = {
      {"ipf-stored", MakeIpf(SmallPalette(), Frame(5, 3, false, 1))},
      {"ipf-coded", MakeIpf(GreyPalette(), Frame(24, 9, true, 2))},
      {"ipq-stored", MakeIpq(SmallPalette(), {Frame(4, 2, false, 1), Frame(6, 3, false, 2)})},
      {"ipq-coded", MakeIpq(GreyPalette(), {Frame(9, 4, true, 3), Frame(5, 6, true, 4), Frame(7, 2, true, 5)})},
      {"mcg-8", Mcg(7, 5, 8, 6)},
      {"mcg-24", Mcg(5, 3, 24, 0)},
      {"mcg-1", Mcg(33, 2, 1, 2)},
      {"mcg-4", Mcg(9, 3, 4, 16)},
  };
  for (const auto& picture : pictures) {
    for (uint8_t ending : {uint8_t{0xF8}, uint8_t{0xF9}, uint8_t{0xFA}, uint8_t{0xFB}, uint8_t{0xFC}, uint8_t{0x0A}}) {
      Bytes bytes = picture.second;
      bytes.push_back(ending);
      char name[64];
      std::snprintf(name, sizeof name, "%s-%02x", picture.first.c_str(), ending);
      Write(directory, name, bytes);
    }
  }
}

void VfsSeeds(const std::string& directory) {
  Write(directory, "empty", MakeVfs({}));
  Write(directory, "three", MakeVfs({{"ONE.DAT", Bytes(40, 1)}, {"TWO.IPF", Pixels(1500, 2)}, {"3", Bytes(0)}}));
  Write(directory, "pictures", MakeVfs({{"A.IPF", MakeIpf(SmallPalette(), Frame(3, 2, false, 1))},
                                        {"B.MCG", Mcg(3, 2, 8, 2)}}));
  VfsLayout layout = LayOutVfs({{"X", Bytes(5, 5)}, {"Y", Bytes(7, 7)}, {"Z", Bytes(9, 9)}});
  layout.Entries[1].DataOffset += 100; // out of order: Z cannot be found again
  Write(directory, "unordered", WriteVfs(layout));
}

// The IPQ archive target takes the picture filter's presence and mode from
// the last byte too: 0x0A leaves IPQ files to it (no filter bound), 0x20
// binds one in mode 0.
void IpqArchiveSeeds(const std::string& directory) {
  const std::vector<std::pair<std::string, Bytes>> files = {
      {"two-stored", MakeIpq(SmallPalette(), {Frame(4, 2, false, 1), Frame(6, 3, false, 2)})},
      {"three-coded", MakeIpq(GreyPalette(), {Frame(9, 4, true, 3), Frame(5, 6, true, 4), Frame(7, 2, true, 5)})},
      {"one-large", MakeIpq(SmallPalette(), {Frame(40, 30, false, 6)})},
  };
  for (const auto& file : files) {
    for (uint8_t ending : {uint8_t{0x0A}, uint8_t{0x20}, uint8_t{0xF8}}) {
      Bytes bytes = file.second;
      bytes.push_back(ending);
      char name[64];
      std::snprintf(name, sizeof name, "%s-%02x", file.first.c_str(), ending);
      Write(directory, name, bytes);
    }
  }
}

// An IPQ whose 32769 frames are all one chunk 65535 rows tall: together
// more rows than 31 bits hold, which the description must refuse. Its last
// byte asks the picture target for the connected frames (and the IPQ
// archive target for no picture filter).
Bytes TallIpq() {
  const int32_t count = 32769;
  const Bytes palette = MakePaletteChunk(SmallPalette());
  Bytes anim;
  PutU32(anim, static_cast<uint32_t>(count));
  const uint32_t chunkAt = static_cast<uint32_t>(56 + palette.size() + 8 + 4 + 4 * count);
  for (int32_t i = 0; i < count; ++i) PutU32(anim, chunkAt);
  BitmapFrame frame;
  frame.Width = 1;
  frame.Height = 0xFFFF;
  frame.PixelData = Pixels(300, 9); // the rest of the rows left open
  Bytes file = MakeRiff("IPQ ", {palette, MakeChunk("anim", anim), MakeBitmapChunk(frame)});
  file.push_back(0x83);
  return file;
}

// The decoders' fast paths, code by code: kept in the corpus whole (whole-*).
void FastPathSeeds(const std::string& directory) {
  for (const auto& picture : FastPathPictures()) {
    Bytes bytes = picture.second;
    bytes.push_back(0xF8); // no cancelling
    Write(directory, picture.first, bytes);
  }
}

// The pack and replace target: an even first byte packs the members that
// follow (name length, name, 16-bit size, data); an odd one replaces
// (count, then entry, size and data each) in the archive after them.
void VfsPlanSeeds(const std::string& directory) {
  Bytes pack = {0};
  for (const std::string name : {"ONE.DAT", "", "TWELVE.CHARS", "X"}) {
    pack.push_back(static_cast<uint8_t>(name.size()));
    pack.insert(pack.end(), name.begin(), name.end());
    const Bytes data = Pixels(name.size() * 70, 4);
    pack.insert(pack.end(), {static_cast<uint8_t>(data.size()), static_cast<uint8_t>(data.size() >> 8)});
    pack.insert(pack.end(), data.begin(), data.end());
  }
  Write(directory, "pack", pack);
  const Bytes archive = MakeVfs({{"A.IPF", Pixels(300, 1)}, {"B", Bytes(0)}, {"C.MCG", Pixels(40, 2)}});
  Bytes replace = {1, 2, 0, 5, 1, 2, 3, 4, 5, 2, 0};
  replace.insert(replace.end(), archive.begin(), archive.end());
  Write(directory, "replace", replace);
  VfsLayout layout = LayOutVfs({{"X", Bytes(5, 5)}, {"Y", Bytes(7, 7)}, {"Z", Bytes(9, 9)}});
  layout.Entries[1].DataOffset += 100; // out of order, and past the end
  Bytes unordered = {3, 1, 1, 7, 9};
  const Bytes broken = WriteVfs(layout);
  unordered.insert(unordered.end(), broken.begin(), broken.end());
  Write(directory, "replace-unordered", unordered);
}

// The host text target: a control byte, a directory, a zero byte, a name;
// code page 932 text whose trail bytes look like '\\'.
void HostTextSeeds(const std::string& directory) {
  const std::vector<std::pair<std::string, std::string>> texts = {
      {"C:\\Games\\", "A.IPF"},           {"C:\\Games", "#00001.IPF"},   {"", "CON.txt"},
      {"D:\\\x95\x5C", "\x83\x5C.ipf"}, {"\x81", "com9 "},            {"x:", ".."},
      {"C:\\\x95\x5C\\", "A\x81"},     {"\\\\server\\share", "a/b"}};
  uint8_t control = 0;
  for (const auto& text : texts) {
    Bytes bytes = {control};
    bytes.insert(bytes.end(), text.first.begin(), text.first.end());
    bytes.push_back(0);
    bytes.insert(bytes.end(), text.second.begin(), text.second.end());
    Write(directory, "text-" + std::to_string(control), bytes);
    control = static_cast<uint8_t>(control + 37);
  }
}

void PngSeeds(const std::string& directory) {
  for (const auto& file : PngSeedFiles()) Write(directory, file.first, file.second);
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
    return 2;
  }
  const std::string root = argv[1];
  mkdir(root.c_str(), 0755);
  for (const char* target : {"fuzz_picture", "fuzz_vfs", "fuzz_ipq_archive", "fuzz_vfs_plan", "fuzz_png_encode",
                             "fuzz_host_text"}) {
    mkdir((root + "/" + target).c_str(), 0755);
  }
  PictureSeeds(root + "/fuzz_picture");
  VfsSeeds(root + "/fuzz_vfs");
  IpqArchiveSeeds(root + "/fuzz_ipq_archive");
  // The WIC codec reads the same pictures.
  mkdir((root + "/fuzz_codec").c_str(), 0755);
  PictureSeeds(root + "/fuzz_codec");
  FastPathSeeds(root + "/fuzz_picture");
  Write(root + "/fuzz_picture", "whole-ipq-tall", TallIpq());
  Write(root + "/fuzz_ipq_archive", "whole-ipq-tall", TallIpq());
  FastPathSeeds(root + "/fuzz_codec");
  VfsPlanSeeds(root + "/fuzz_vfs_plan");
  PngSeeds(root + "/fuzz_png_encode");
  HostTextSeeds(root + "/fuzz_host_text");
  return 0;
}
