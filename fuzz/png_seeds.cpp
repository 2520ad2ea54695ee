#include "fuzz/png_seeds.h"

#include <cstring>

namespace {

uint32_t Crc(const uint8_t* data, size_t size, uint32_t crc) {
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0 - (crc & 1)));
  }
  return ~crc;
}

void Put32(Bytes* out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(value >> shift));
}

void Chunk(Bytes* png, const char type[4], const Bytes& data) {
  Put32(png, static_cast<uint32_t>(data.size()));
  const size_t start = png->size();
  png->insert(png->end(), type, type + 4);
  png->insert(png->end(), data.begin(), data.end());
  Put32(png, Crc(png->data() + start, png->size() - start, 0));
}

// A zlib stream of stored blocks.
Bytes Stored(const Bytes& raw) {
  Bytes z = {0x78, 0x01};
  size_t at = 0;
  do {
    const size_t block = raw.size() - at < 65535 ? raw.size() - at : 65535;
    const bool last = at + block == raw.size();
    z.insert(z.end(), {static_cast<uint8_t>(last), static_cast<uint8_t>(block), static_cast<uint8_t>(block >> 8),
                       static_cast<uint8_t>(~block), static_cast<uint8_t>(~block >> 8)});
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at), raw.begin() + static_cast<std::ptrdiff_t>(at + block));
    at += block;
  } while (at < raw.size());
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  Put32(&z, (b << 16) | a);
  return z;
}

struct PngShape {
  uint32_t Width, Height;
  uint8_t Depth, ColourType, Interlace;
  int PaletteEntries; // PLTE entries; 0 for none
  Bytes Transparency; // tRNS data; empty for none
};

size_t SamplesOf(uint8_t colourType) {
  switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

// Rows of `width` pixels with a filter byte each (all five filters in turn);
// the bytes are whatever the pattern gives, each filter making its own
// pixels (indexes stay within the palettes below, which are full).
void Rows(const PngShape& shape, uint32_t width, uint32_t height, uint32_t seed, Bytes* raw) {
  if (width == 0 || height == 0) return;
  const size_t rowBytes = (size_t{width} * SamplesOf(shape.ColourType) * shape.Depth + 7) / 8;
  for (uint32_t y = 0; y < height; ++y) {
    // Alpha must come out opaque: those rows are not filtered.
    const bool alpha = shape.ColourType == 4 || shape.ColourType == 6;
    raw->push_back(alpha ? 0 : static_cast<uint8_t>((y + seed) % 5));
    for (size_t x = 0; x < rowBytes; ++x) {
      uint8_t byte = static_cast<uint8_t>((x * 37 + y * 11 + seed) * (x % 3 + 1));
      if ((shape.ColourType == 6 && x % 4 == 3) || (shape.ColourType == 4 && x % 2 == 1)) byte = 0xFF;
      raw->push_back(byte);
    }
  }
}

Bytes Png(const PngShape& shape, uint32_t seed) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  Put32(&header, shape.Width);
  Put32(&header, shape.Height);
  header.insert(header.end(), {shape.Depth, shape.ColourType, 0, 0, shape.Interlace});
  Chunk(&png, "IHDR", header);
  if (shape.PaletteEntries > 0) {
    Bytes palette;
    for (int i = 0; i < shape.PaletteEntries; ++i) {
      palette.insert(palette.end(), {static_cast<uint8_t>(i * 40), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)});
    }
    Chunk(&png, "PLTE", palette);
  }
  if (!shape.Transparency.empty()) Chunk(&png, "tRNS", shape.Transparency);
  Bytes raw;
  if (shape.Interlace == 0) {
    Rows(shape, shape.Width, shape.Height, seed, &raw);
  } else {
    // Adam7: seven passes over the pixels at these starts and steps.
    const uint32_t x0[7] = {0, 4, 0, 2, 0, 1, 0}, dx[7] = {8, 8, 4, 4, 2, 2, 1};
    const uint32_t y0[7] = {0, 0, 4, 0, 2, 0, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
    for (int pass = 0; pass < 7; ++pass) {
      const uint32_t w = shape.Width > x0[pass] ? (shape.Width - x0[pass] + dx[pass] - 1) / dx[pass] : 0;
      const uint32_t h = shape.Height > y0[pass] ? (shape.Height - y0[pass] + dy[pass] - 1) / dy[pass] : 0;
      Rows(shape, w, h, seed + pass, &raw);
    }
  }
  Chunk(&png, "IDAT", Stored(raw));
  Chunk(&png, "IEND", {});
  return png;
}

// A header that promises width x height RGB pixels, one empty IDAT and IEND:
// enough for the reader to judge the size before it reads a row.
Bytes HeaderOnly(uint32_t width, uint32_t height) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  Put32(&header, width);
  Put32(&header, height);
  header.insert(header.end(), {8, 2, 0, 0, 0});
  Chunk(&png, "IHDR", header);
  Chunk(&png, "IDAT", Stored({0}));
  Chunk(&png, "IEND", {});
  return png;
}

} // namespace

std::vector<std::pair<std::string, Bytes>> PngSeedFiles() {
  std::vector<std::pair<std::string, Bytes>> files;
  // A palette of every depth, full and small.
  for (uint8_t depth : {1, 2, 4, 8}) {
    const int entries = 1 << depth;
    files.emplace_back("palette-" + std::to_string(depth), Png({9, 5, depth, 3, 0, entries, {}}, depth));
  }
  files.emplace_back("palette-8-opaque-trns", Png({6, 4, 8, 3, 0, 256, Bytes(20, 0xFF)}, 3));
  files.emplace_back("palette-4-clear-index", Png({6, 4, 4, 3, 0, 16, {0xFF, 0x00}}, 4));
  files.emplace_back("palette-8-interlaced", Png({11, 9, 8, 3, 1, 256, {}}, 5));
  for (uint8_t depth : {1, 2, 4, 8}) {
    files.emplace_back("grey-" + std::to_string(depth), Png({13, 3, depth, 0, 0, 0, {}}, depth));
  }
  files.emplace_back("grey-8-trns", Png({5, 5, 8, 0, 0, 0, {0x00, 0x05}}, 6));
  files.emplace_back("grey-16", Png({4, 2, 16, 0, 0, 0, {}}, 7));
  files.emplace_back("rgb-8", Png({7, 6, 8, 2, 0, 0, {}}, 8));
  files.emplace_back("rgb-8-many-colours", Png({40, 20, 8, 2, 0, 0, {}}, 9));
  files.emplace_back("rgb-8-trns", Png({4, 4, 8, 2, 0, 0, {0, 1, 0, 2, 0, 3}}, 10));
  files.emplace_back("rgb-8-interlaced", Png({9, 10, 8, 2, 1, 0, {}}, 11));
  files.emplace_back("rgba-8", Png({5, 4, 8, 6, 0, 0, {}}, 12));
  files.emplace_back("grey-alpha-8", Png({5, 4, 8, 4, 0, 0, {}}, 13));
  files.emplace_back("rgb-16", Png({3, 3, 16, 2, 0, 0, {}}, 14));
  files.emplace_back("whole-grey-1-wide", Png({70000, 1, 1, 0, 0, 0, {}}, 15));
  // What the reader refuses after libpng took it: more pixels than its limit,
  // indexes past a short palette, and an RGB picture whose one pixel (5, 84,
  // 237 with this seed's unfiltered row) is the tRNS colour.
  files.emplace_back("too-many-pixels", HeaderOnly(20000, 20000));
  files.emplace_back("palette-8-short", Png({9, 5, 8, 3, 0, 2, {}}, 16));
  files.emplace_back("rgb-8-trns-hit", Png({1, 1, 8, 2, 0, 0, {0, 5, 0, 84, 0, 237}}, 5));
  return files;
}
