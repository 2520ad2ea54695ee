#include "fcview/png_reader.h"

#if defined(FCVIEW_HAVE_LIBPNG)
#include <png.h>

#include <csetjmp>
#include <cstring>

namespace fcview {

namespace {

struct MemoryInput {
  const uint8_t* Data;
  size_t Size;
  size_t Position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* input = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (count > input->Size - input->Position) png_error(png, "the file ends early");
  std::memcpy(out, input->Data + input->Position, count);
  input->Position += count;
}

void KeepMessage(png_structp png, png_const_charp message) {
  auto* reason = static_cast<std::string*>(png_get_error_ptr(png));
  *reason = message;
  png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Everything the reading allocates lives outside the frames that libpng's
// error jump leaves, so that a damaged file leaks nothing.
struct Scratch {
  std::vector<png_bytep> Rows;
  std::vector<uint8_t> AlphaOfIndex;
  std::vector<uint8_t> Rgba;
};

// The picture's rows, with everything libpng is set to do to them.
bool ReadRows(png_structp png, png_infop info, uint32_t height, std::vector<uint8_t>* pixels, Scratch* scratch) {
  png_read_update_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  pixels->assign(rowBytes * height, 0);
  scratch->Rows.resize(height);
  for (uint32_t y = 0; y < height; ++y) scratch->Rows[y] = pixels->data() + rowBytes * y;
  png_read_image(png, scratch->Rows.data());
  return true;
}

bool Decode(png_structp png, png_infop info, PngPicture* picture, Scratch* scratch, std::string* reason) {
  png_read_info(png, info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, colourType = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
  if (depth == 16) {
    *reason = "has 16-bit samples; these formats hold 8 bits a sample at most";
    return false;
  }
  if (static_cast<uint64_t>(width) * height > (uint64_t{1} << 28)) {
    *reason = "is too large";
    return false;
  }
  png_set_interlace_handling(png);
  picture->Image.Width = static_cast<int32_t>(width);
  picture->Image.Height = static_cast<int32_t>(height);
  const size_t count = static_cast<size_t>(width) * height;
  const bool indexed = colourType == PNG_COLOR_TYPE_PALETTE || colourType == PNG_COLOR_TYPE_GRAY;
  std::vector<uint8_t>& alphaOfIndex = scratch->AlphaOfIndex;
  alphaOfIndex.assign(256, 255);
  if (indexed) {
    picture->IndexDepth = depth;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
      png_colorp entries = nullptr;
      int entryCount = 0;
      png_get_PLTE(png, info, &entries, &entryCount);
      for (int i = 0; i < entryCount; ++i) {
        picture->Palette.push_back((uint32_t{entries[i].red} << 16) | (uint32_t{entries[i].green} << 8) |
                                   entries[i].blue);
      }
      png_bytep alpha = nullptr;
      int alphaCount = 0;
      if (png_get_tRNS(png, info, &alpha, &alphaCount, nullptr) != 0 && alpha != nullptr) {
        for (int i = 0; i < alphaCount && i < 256; ++i) alphaOfIndex[static_cast<size_t>(i)] = alpha[i];
      }
    } else {
      const uint32_t top = (1u << depth) - 1;
      for (uint32_t v = 0; v <= top; ++v) picture->Palette.push_back((v * 255 / top) * 0x010101u);
      png_color_16p grey = nullptr;
      if (png_get_tRNS(png, info, nullptr, nullptr, &grey) != 0 && grey != nullptr && grey->gray <= top) {
        alphaOfIndex[grey->gray] = 0;
      }
    }
    if (depth < 8) png_set_packing(png);
    if (!ReadRows(png, info, height, &picture->Indexes, scratch)) return false;
    picture->Image.Rgb.resize(count * 3);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t index = picture->Indexes[i];
      if (index >= picture->Palette.size()) {
        *reason = "has a pixel whose index lies beyond its palette";
        return false;
      }
      if (alphaOfIndex[index] != 255) {
        *reason = "has pixels that are not fully opaque; these formats hold no transparency";
        return false;
      }
      const uint32_t rgb = picture->Palette[index];
      picture->Image.Rgb[3 * i] = static_cast<uint8_t>(rgb >> 16);
      picture->Image.Rgb[3 * i + 1] = static_cast<uint8_t>(rgb >> 8);
      picture->Image.Rgb[3 * i + 2] = static_cast<uint8_t>(rgb);
    }
    return true;
  }
  // True colour, grey with alpha: as RGBA, 8 bits a sample.
  if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(png);
  if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  std::vector<uint8_t>& rgba = scratch->Rgba;
  if (!ReadRows(png, info, height, &rgba, scratch)) return false;
  if (rgba.size() != count * 4) {
    *reason = "has a pixel layout this reader does not know";
    return false;
  }
  picture->Image.Rgb.resize(count * 3);
  for (size_t i = 0; i < count; ++i) {
    if (rgba[4 * i + 3] != 255) {
      *reason = "has pixels that are not fully opaque; these formats hold no transparency";
      return false;
    }
    std::memcpy(&picture->Image.Rgb[3 * i], &rgba[4 * i], 3);
  }
  return true;
}

} // namespace

bool ReadPng(const uint8_t* data, size_t size, PngPicture* picture, std::string* reason) {
  *picture = PngPicture{};
  if (size < 8 || png_sig_cmp(data, 0, 8) != 0) {
    *reason = "is not a PNG file";
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, reason, KeepMessage, IgnoreWarning);
  png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    *reason = "out of memory";
    return false;
  }
  MemoryInput input{data, size, 0};
  png_set_read_fn(png, &input, ReadFromMemory);
  Scratch scratch;
  bool ok = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    ok = Decode(png, info, picture, &scratch, reason);
  } else {
    *reason = "is a damaged PNG file: " + *reason;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return ok;
}

} // namespace fcview

#else

namespace fcview {

bool ReadPng(const uint8_t*, size_t, PngPicture*, std::string* reason) {
  *reason = "cannot be read: this build of fcview has no PNG reader (libpng was not found)";
  return false;
}

} // namespace fcview

#endif
