// Turns a BMP written by fc_host (8-bit palettised, 1/4-bit, or 24-bit, rows
// bottom-up) into a PNG file that any image viewer opens:
//   bmp_to_png IN.bmp OUT.png
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

bool ReadWhole(const char* path, std::vector<uint8_t>* bytes) {
  FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  uint8_t block[65536];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, file)) > 0) bytes->insert(bytes->end(), block, block + n);
  std::fclose(file);
  return true;
}

} // namespace

int main(int argc, char** argv) {
  std::vector<uint8_t> bmp;
  if (argc != 3 || !ReadWhole(argv[1], &bmp) || bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') {
    std::fprintf(stderr, "usage: bmp_to_png IN.bmp OUT.png (IN must be a BMP file)\n");
    return 2;
  }
  const uint8_t* header = bmp.data() + 14;
  const uint32_t offBits = Le32(bmp.data() + 10);
  const int32_t width = static_cast<int32_t>(Le32(header + 4));
  const int32_t height = static_cast<int32_t>(Le32(header + 8));
  const int depth = header[14];
  const uint8_t* table = header + 40;
  const size_t stride = ((static_cast<size_t>(width) * depth + 31) / 32) * 4;
  if (width <= 0 || height <= 0 || offBits + stride * height > bmp.size()) {
    std::fprintf(stderr, "%s: unsupported or truncated BMP\n", argv[1]);
    return 1;
  }
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = bmp.data() + offBits + stride * (height - 1 - y);
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* out = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      if (depth == 24) {
        out[0] = row[x * 3 + 2], out[1] = row[x * 3 + 1], out[2] = row[x * 3];
        continue;
      }
      const int bitsBefore = x * depth;
      const int index = (row[bitsBefore / 8] >> (8 - depth - bitsBefore % 8)) & ((1 << depth) - 1);
      out[0] = table[index * 4 + 2], out[1] = table[index * 4 + 1], out[2] = table[index * 4];
    }
  }
  FILE* file = std::fopen(argv[2], "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (file == nullptr || png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
    std::fprintf(stderr, "%s: cannot write PNG\n", argv[2]);
    return 1;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < height; ++y) png_write_row(png, &rgb[static_cast<size_t>(y) * width * 3]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 ? 0 : 1;
}
