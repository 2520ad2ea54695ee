#include "fcview/png_encoder.h"

#include <cstring>
#include <new>

#if defined(FCVIEW_HAVE_LIBPNG)
#include <png.h>
#endif

namespace fcview {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
  static uint32_t table[256];
  static bool ready = false;
  if (!ready) {
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
    ready = true;
  }
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uint32_t Adler32(const uint8_t* data, size_t size, uint32_t adler) {
  uint32_t a = adler & 0xFFFF;
  uint32_t b = adler >> 16;
  while (size > 0) {
    // 5552 bytes is the most that cannot overflow b before the reduction.
    const size_t run = size < 5552 ? size : 5552;
    for (size_t i = 0; i < run; ++i) {
      a += data[i];
      b += a;
    }
    a %= 65521;
    b %= 65521;
    data += run;
    size -= run;
  }
  return (b << 16) | a;
}

namespace {

void PutBe32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  PutBe32(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBe32(out, Crc32(out.data() + typeAt, out.size() - typeAt));
}

// Each row behind its filter byte 0 (none), top row first.
std::vector<uint8_t> FilteredRows(const RgbImage& image) {
  const size_t rowBytes = static_cast<size_t>(image.Width) * 3;
  std::vector<uint8_t> rows;
  rows.reserve((rowBytes + 1) * static_cast<size_t>(image.Height));
  for (int32_t y = 0; y < image.Height; ++y) {
    rows.push_back(0);
    const uint8_t* row = image.Rgb.data() + rowBytes * static_cast<size_t>(y);
    rows.insert(rows.end(), row, row + rowBytes);
  }
  return rows;
}

} // namespace

std::vector<uint8_t> StoredPng(const RgbImage& image) {
  static const uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> png(Signature, Signature + 8);

  std::vector<uint8_t> header;
  PutBe32(header, static_cast<uint32_t>(image.Width));
  PutBe32(header, static_cast<uint32_t>(image.Height));
  header.insert(header.end(), {8, 2, 0, 0, 0}); // depth 8, truecolour, deflate, filter 0, no interlace
  PutChunk(png, "IHDR", header);

  const std::vector<uint8_t> rows = FilteredRows(image);
  std::vector<uint8_t> zlib = {0x78, 0x01}; // deflate, 32K window, no preset dictionary, check bits
  size_t at = 0;
  do {
    const size_t length = rows.size() - at < 65535 ? rows.size() - at : 65535;
    const bool last = at + length == rows.size();
    zlib.push_back(last ? 1 : 0); // BFINAL, BTYPE 00 (stored)
    zlib.push_back(static_cast<uint8_t>(length));
    zlib.push_back(static_cast<uint8_t>(length >> 8));
    zlib.push_back(static_cast<uint8_t>(~length));
    zlib.push_back(static_cast<uint8_t>(~length >> 8));
    zlib.insert(zlib.end(), rows.begin() + static_cast<std::ptrdiff_t>(at),
                rows.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  } while (at < rows.size());
  PutBe32(zlib, Adler32(rows.data(), rows.size()));
  PutChunk(png, "IDAT", zlib);
  PutChunk(png, "IEND", {});
  return png;
}

#if defined(FCVIEW_HAVE_LIBPNG)

namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

} // namespace

bool EncodePng(const RgbImage& image, std::vector<uint8_t>* out) {
  out->clear();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, AppendBytes, NoFlush);
  const bool indexed = image.IndexDepth > 0 && !image.Palette.empty() && image.Palette.size() <= 256;
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.Width), static_cast<png_uint_32>(image.Height),
               indexed ? image.IndexDepth : 8, indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // Palette pictures as palette PNG files: the colours in their order, the indexes as they are.
  png_color palette[256];
  if (indexed) {
    for (size_t i = 0; i < image.Palette.size(); ++i) {
      palette[i] = png_color{static_cast<png_byte>(image.Palette[i] >> 16), static_cast<png_byte>(image.Palette[i] >> 8),
                             static_cast<png_byte>(image.Palette[i])};
    }
    png_set_PLTE(png, info, palette, static_cast<int>(image.Palette.size()));
  }
  png_write_info(png, info);
  if (indexed && image.IndexDepth < 8) png_set_packing(png); // one index a byte in, packed out
  const uint8_t* rows = indexed ? image.Indexes.data() : image.Rgb.data();
  const size_t rowBytes = static_cast<size_t>(image.Width) * (indexed ? 1 : 3);
  for (int32_t y = 0; y < image.Height; ++y) {
    png_write_row(png, const_cast<png_bytep>(rows + rowBytes * static_cast<size_t>(y)));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

#else

bool EncodePng(const RgbImage& image, std::vector<uint8_t>* out) {
  try {
    *out = StoredPng(image);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

#endif

} // namespace fcview
