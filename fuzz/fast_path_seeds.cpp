#include "fuzz/fast_path_seeds.h"

#include <cstdio>

namespace {

// The lengths at which the IPF fast loop and the match copies change course:
// 8 and 16 (two words), 24 (the short copy), 64 (one wide move), 256.
const size_t IpfCopyLengths[] = {1, 2, 3, 7, 8, 9, 15, 16, 17, 23, 24, 25, 40, 63, 64, 65, 100, 256};
const size_t IpfRunLengths[] = {1, 2, 8, 9, 16, 17, 24, 25, 63, 64, 65, 100, 255, 256, 257, 1000, 3584};
const size_t IpfDistances[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 15, 16, 17, 24, 31, 32, 33, 64, 255, 256, 257, 4096};

struct IpfCodes {
  Bytes Codes;
  size_t Pixels = 0;
  uint8_t Next = 0x20;

  void Literals(size_t count) {
    for (size_t i = 0; i < count; ++i) {
      Codes.push_back(Next);
      Next = static_cast<uint8_t>(0x20 + (Next - 0x20 + 7) % 0xE0);
    }
    Pixels += count;
  }
  void Copy(size_t distance, size_t length) {
    Codes.insert(Codes.end(), {static_cast<uint8_t>(0x10 | (distance - 1) >> 8), static_cast<uint8_t>(distance - 1),
                               static_cast<uint8_t>(length - 1)});
    Pixels += length;
  }
  void Run(size_t length, uint8_t value) {
    Codes.insert(Codes.end(), {static_cast<uint8_t>((length - 1) >> 8), static_cast<uint8_t>(length - 1), value});
    Pixels += length;
  }
  void Escaped() { // the code for pixel 0x0E
    Codes.push_back(0x0E);
    Pixels += 1;
  }
  // Literals up to a whole number of rows of `width`, the 0x0E code among
  // the last codes (which the careful loop takes), then the end code and
  // `trailing` bytes after it that no decoder may read as codes.
  Bytes Picture(uint16_t width, size_t trailing = 0) {
    Literals((width - (Pixels + 41) % width) % width + 20);
    Escaped();
    Literals(20);
    Codes.push_back(0x0F);
    Codes.insert(Codes.end(), trailing, 0x10);
    BitmapFrame frame;
    frame.Width = width;
    // An early end leaves rows of the picture to the decoder's zeros.
    frame.Height = static_cast<uint16_t>(Pixels / width + (trailing > 0 ? 2 : 0));
    frame.Packing = 1;
    frame.PixelData = Codes;
    return MakeIpf(GreyPalette(), frame);
  }
};

// Every copy length at each output position modulo 16, for one distance.
Bytes IpfDistancePicture(size_t distance) {
  IpfCodes codes;
  codes.Literals(distance < 300 ? 300 : distance); // bytes to copy from
  for (size_t length : IpfCopyLengths) {
    for (size_t shift = 0; shift < 16; ++shift) {
      codes.Literals((16 - codes.Pixels % 16 + shift) % 16);
      codes.Copy(distance, length);
      if (shift % 5 == 0) codes.Escaped();
    }
  }
  return codes.Picture(256);
}

// Runs of every length class at each output position modulo 16, then
// copies that cross the window's end: more pixels than the window holds.
Bytes IpfRunsPicture() {
  IpfCodes codes;
  for (size_t length : IpfRunLengths) {
    for (size_t shift = 0; shift < 16; ++shift) {
      codes.Literals((16 - codes.Pixels % 16 + shift) % 16);
      codes.Run(length, static_cast<uint8_t>(length + shift));
    }
  }
  for (size_t distance : {size_t{1}, size_t{3}, size_t{12}, size_t{40}}) {
    for (size_t length : {size_t{17}, size_t{100}, size_t{256}}) {
      for (int repeat = 0; repeat < 8; ++repeat) codes.Copy(distance, length);
      codes.Literals(3);
    }
  }
  return codes.Picture(512);
}

// The end code amid the fast loop's codes, with more after it.
Bytes IpfEarlyEndPicture() {
  IpfCodes codes;
  codes.Literals(700);
  codes.Copy(3, 200);
  return codes.Picture(100, 300);
}

// MCG LZSS items: literals and references into the 4096-byte ring.
struct McgItems {
  Bytes Packed;
  size_t FlagsAt = 0;
  unsigned Item = 8;
  size_t Unpacked = 0;

  void Open() {
    if (Item == 8) {
      FlagsAt = Packed.size();
      Packed.push_back(0);
      Item = 0;
    }
  }
  void Literal(uint8_t value) {
    Open();
    Packed[FlagsAt] |= static_cast<uint8_t>(1u << Item++);
    Packed.push_back(value);
    Unpacked += 1;
  }
  // A reference to the byte `distance` back (the ring's write index starts at 4078).
  void Reference(size_t distance, size_t length) {
    Open();
    ++Item;
    const uint32_t position = static_cast<uint32_t>(4078 + Unpacked - distance) & 0x0FFF;
    const uint32_t word = position | static_cast<uint32_t>(length - 3) << 12;
    Packed.insert(Packed.end(), {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8)});
    Unpacked += length;
  }
  Bytes Picture(int32_t width) {
    for (int i = 0; i < 40; ++i) Literal(static_cast<uint8_t>(i * 3));
    while (Unpacked % static_cast<size_t>(width) != 0) Literal(0x55);
    McgFile mcg;
    mcg.Width = width;
    mcg.Height = static_cast<int32_t>(Unpacked / static_cast<size_t>(width));
    mcg.Depth = 8;
    mcg.UnpackedSize = static_cast<int32_t>(Unpacked);
    for (uint32_t i = 0; i < 16; ++i) mcg.Colours.push_back(0x00030201u * i);
    mcg.Packed = Packed;
    return MakeMcg(mcg);
  }
};

// Every reference length (3 to 18) at each output position modulo 16 and
// each item of its group, for one distance.
Bytes McgDistancePicture(size_t distance) {
  McgItems items;
  for (size_t i = 0; i < 64; ++i) items.Literal(static_cast<uint8_t>(i * 5 + 1));
  for (size_t length = 3; length <= 18; ++length) {
    for (size_t shift = 0; shift < 16; ++shift) {
      const size_t literals = (16 - items.Unpacked % 16 + shift) % 16 + (length + shift) % 8;
      for (size_t i = 0; i < literals; ++i) items.Literal(static_cast<uint8_t>(i + length));
      items.Reference(distance, length);
    }
  }
  return items.Picture(64);
}

// References of every class, more bytes than the window holds.
Bytes McgLongPicture() {
  McgItems items;
  for (size_t i = 0; i < 8; ++i) items.Literal(static_cast<uint8_t>(i));
  while (items.Unpacked < 70000) {
    for (size_t distance : {size_t{1}, size_t{2}, size_t{7}, size_t{16}, size_t{300}}) {
      items.Reference(distance, 3 + items.Unpacked % 16);
      items.Literal(static_cast<uint8_t>(items.Unpacked));
    }
  }
  return items.Picture(256);
}

} // namespace

std::vector<std::pair<std::string, Bytes>> FastPathPictures() {
  std::vector<std::pair<std::string, Bytes>> pictures;
  char name[64];
  for (size_t distance : IpfDistances) {
    std::snprintf(name, sizeof name, "whole-ipf-copy-%zu", distance);
    pictures.emplace_back(name, IpfDistancePicture(distance));
  }
  pictures.emplace_back("whole-ipf-runs-window", IpfRunsPicture());
  pictures.emplace_back("whole-ipf-early-end", IpfEarlyEndPicture());
  for (size_t distance : {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 15, 16, 17, 18, 100, 4095, 4096}) {
    std::snprintf(name, sizeof name, "whole-mcg-copy-%zu", distance);
    pictures.emplace_back(name, McgDistancePicture(distance));
  }
  pictures.emplace_back("whole-mcg-window", McgLongPicture());
  return pictures;
}
