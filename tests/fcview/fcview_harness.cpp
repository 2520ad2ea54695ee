#include "tests/fcview/fcview_harness.h"

#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "common/result_codes.h"
#include "container/picture_image.h"
#include "container/read_picture_info.h"
#include "picture_filter/decode_picture.h"
#include "picture_filter/dib_layout.h"

namespace {

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& prefix) {
  ScratchDir capture;
  std::string command = prefix.empty() ? "" : prefix + " ";
  command += Quote(program);
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " >" + Quote(capture.Str("out")) + " 2>" + Quote(capture.Str("err")) + " </dev/null";
  RunResult result;
  const int status = std::system(command.c_str());
  result.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.Out = ReadText(capture / "out");
  result.Err = ReadText(capture / "err");
  return result;
}

RunResult RunFcview(const std::vector<std::string>& args) { return RunProgram(FCVIEW_BINARY, args); }

std::string Sample(const char* name) { return std::string(FC_SAMPLES_DIR) + "/" + name; }

Bytes ReadBytes(const fs::path& path) {
  const std::string text = ReadText(path);
  return Bytes(text.begin(), text.end());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

ScratchDir::ScratchDir() {
  char pattern[] = "/tmp/fcview-test-XXXXXX";
  Path = mkdtemp(pattern);
}

ScratchDir::~ScratchDir() {
  std::error_code error;
  fs::permissions(Path, fs::perms::owner_all, fs::perm_options::add, error);
  fs::remove_all(Path, error);
}

std::vector<std::string> Entries(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(dir, error)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

fcview::RgbImage FinishRead(png_image* image, const void* memory, size_t size, const char* file) {
  fcview::RgbImage result;
  const int begun = file != nullptr ? png_image_begin_read_from_file(image, file)
                                    : png_image_begin_read_from_memory(image, memory, size);
  if (begun == 0) return result;
  image->format = PNG_FORMAT_RGB;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(*image));
  if (png_image_finish_read(image, nullptr, pixels.data(), 0, nullptr) == 0) return result;
  result.Width = static_cast<int32_t>(image->width);
  result.Height = static_cast<int32_t>(image->height);
  result.Rgb = std::move(pixels);
  return result;
}

} // namespace

fcview::RgbImage ReadPng(const fs::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  const std::string name = path.string();
  return FinishRead(&image, nullptr, 0, name.c_str());
}

fcview::RgbImage ReadPngBytes(const Bytes& png) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  return FinishRead(&image, png.data(), png.size(), nullptr);
}

bool WritePng(const fs::path& path, const PngPicture& picture) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  // Rows laid out by hand (samples packed most significant first), so the file has exactly the given depth.
  const int channels = picture.ColourType == 2 ? 3 : picture.ColourType == 4 ? 2 : picture.ColourType == 6 ? 4 : 1;
  const size_t rowBits = static_cast<size_t>(picture.Width) * channels * picture.Depth;
  std::vector<Bytes> rows(static_cast<size_t>(picture.Height), Bytes((rowBits + 7) / 8, 0));
  for (int32_t y = 0; y < picture.Height; ++y) {
    for (int32_t x = 0; x < picture.Width; ++x) {
      const uint32_t v = picture.Pixels[static_cast<size_t>(y) * picture.Width + x];
      std::vector<uint32_t> samples;
      if (channels == 1) samples = {v};
      if (channels == 2) samples = {v & 0xFF, v >> 24};
      if (channels >= 3) samples = {(v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF};
      if (channels == 4) samples.push_back(v >> 24);
      for (int c = 0; c < channels; ++c) {
        const size_t bit = (static_cast<size_t>(x) * channels + c) * picture.Depth;
        Bytes& row = rows[static_cast<size_t>(y)];
        if (picture.Depth == 16) {
          row[bit / 8] = static_cast<uint8_t>(samples[c]);
          row[bit / 8 + 1] = static_cast<uint8_t>(samples[c]);
        } else {
          row[bit / 8] |= static_cast<uint8_t>(samples[c] << (8 - picture.Depth - bit % 8));
        }
      }
    }
  }
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.Width), static_cast<png_uint_32>(picture.Height), picture.Depth,
               picture.ColourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  for (uint32_t rgb : picture.Palette) {
    palette.push_back(png_color{static_cast<png_byte>(rgb >> 16), static_cast<png_byte>(rgb >> 8),
                                static_cast<png_byte>(rgb)});
  }
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!picture.Alpha.empty()) {
    png_set_tRNS(png, info, picture.Alpha.data(), static_cast<int>(picture.Alpha.size()), nullptr);
  }
  png_write_info(png, info);
  for (Bytes& row : rows) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

fcview::RgbImage DecodeThroughDib(const Bytes& file, int32_t mode, int32_t* result) {
  fcview::RgbImage rgb;
  const PictureImage picture{InputRange{file.data(), file.size()}, file.data()};
  PictureInfo info{};
  DibLayout layout{};
  *result = ReadPictureInfo(picture, mode, &info);
  if (*result == ResultSuccess) *result = ComputeDibLayout(info, &layout);
  if (*result != ResultSuccess) return rgb;
  std::vector<uint8_t> table(static_cast<size_t>(layout.ColourEntries) * 4);
  std::vector<uint8_t> pixels(static_cast<size_t>(layout.ImageSize));
  *result = DecodePicture(picture, mode, DibTarget{table.data(), layout.ColourEntries, pixels.data(), layout.Stride,
                                                   info.Height},
                          Progress{nullptr, 0});
  if (*result != ResultSuccess) return rgb;
  rgb.Width = info.Width;
  rgb.Height = info.Height;
  for (int32_t y = 0; y < info.Height; ++y) {
    const uint8_t* dibRow = pixels.data() + static_cast<size_t>(layout.Stride) * (info.Height - 1 - y);
    for (int32_t x = 0; x < info.Width; ++x) {
      uint8_t bgr[3];
      if (info.ColorDepth == 24) {
        for (int c = 0; c < 3; ++c) bgr[c] = dibRow[3 * x + c];
      } else {
        // The pixel's bits, most significant first within each byte.
        unsigned index = 0;
        for (int bit = 0; bit < info.ColorDepth; ++bit) {
          const int at = x * info.ColorDepth + bit;
          index = (index << 1) | ((dibRow[at / 8] >> (7 - at % 8)) & 1);
        }
        for (int c = 0; c < 3; ++c) bgr[c] = table[index * 4 + c];
      }
      rgb.Rgb.insert(rgb.Rgb.end(), {bgr[2], bgr[1], bgr[0]});
    }
  }
  return rgb;
}

// ---- JSON

const JsonValue* JsonValue::Find(const std::string& key) const {
  for (const auto& member : Members) {
    if (member.first == key) return &member.second;
  }
  return nullptr;
}

std::string JsonValue::Utf8() const {
  std::string out;
  for (uint32_t c : Text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string JsonValue::Bytes() const {
  std::string out;
  for (uint32_t c : Text) out += c < 256 ? static_cast<char>(c) : '?';
  return out;
}

namespace {

struct JsonReader {
  const std::string& S;
  size_t At = 0;

  void Space() {
    while (At < S.size() && (S[At] == ' ' || S[At] == '\n' || S[At] == '\r' || S[At] == '\t')) ++At;
  }
  bool Literal(const char* word) {
    const std::string w(word);
    if (S.compare(At, w.size(), w) != 0) return false;
    At += w.size();
    return true;
  }
  bool Hex4(uint32_t* value) {
    if (At + 4 > S.size()) return false;
    *value = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = S[At++];
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                       : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (digit < 0) return false;
      *value = *value * 16 + static_cast<uint32_t>(digit);
    }
    return true;
  }
  bool String(std::vector<uint32_t>* text) {
    if (At >= S.size() || S[At] != '"') return false;
    ++At;
    while (At < S.size()) {
      const uint8_t c = static_cast<uint8_t>(S[At++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c == '\\') {
        if (At >= S.size()) return false;
        const char e = S[At++];
        static const std::string simple = "\"\\/bfnrt";
        static const uint32_t meaning[] = {'"', '\\', '/', '\b', '\f', '\n', '\r', '\t'};
        const size_t k = simple.find(e);
        uint32_t code;
        if (k != std::string::npos) {
          code = meaning[k];
        } else if (e != 'u' || !Hex4(&code)) {
          return false;
        }
        text->push_back(code);
      } else if (c >= 0x80) {
        // UTF-8, strictly: the shortest form, no surrogates.
        const int extra = (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || At + extra > S.size()) return false;
        uint32_t code = c & (0x3F >> extra);
        for (int k = 0; k < extra; ++k) {
          const uint8_t next = static_cast<uint8_t>(S[At++]);
          if ((next & 0xC0) != 0x80) return false;
          code = (code << 6) | (next & 0x3F);
        }
        static const uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (code < least[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        text->push_back(code);
      } else {
        text->push_back(c);
      }
    }
    return false;
  }
  bool Number(double* value) {
    const size_t start = At;
    if (At < S.size() && S[At] == '-') ++At;
    if (At >= S.size() || !isdigit(static_cast<unsigned char>(S[At]))) return false;
    if (S[At] == '0' && At + 1 < S.size() && isdigit(static_cast<unsigned char>(S[At + 1]))) return false;
    while (At < S.size() && (isdigit(static_cast<unsigned char>(S[At])) || S[At] == '.' || S[At] == 'e' ||
                             S[At] == 'E' || S[At] == '+' || S[At] == '-')) {
      ++At;
    }
    char* end = nullptr;
    const std::string text = S.substr(start, At - start);
    *value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size();
  }
  bool Value(JsonValue* v, int depth) {
    if (depth > 64) return false;
    Space();
    if (At >= S.size()) return false;
    const char c = S[At];
    if (c == '{') {
      v->Type = JsonValue::Object;
      ++At;
      Space();
      if (At < S.size() && S[At] == '}') return ++At, true;
      for (;;) {
        Space();
        std::vector<uint32_t> key;
        if (!String(&key)) return false;
        Space();
        if (At >= S.size() || S[At++] != ':') return false;
        JsonValue member;
        if (!Value(&member, depth + 1)) return false;
        std::string keyText;
        for (uint32_t k : key) keyText += static_cast<char>(k);
        v->Members.emplace_back(keyText, member);
        Space();
        if (At < S.size() && S[At] == ',') {
          ++At;
          continue;
        }
        return At < S.size() && S[At++] == '}';
      }
    }
    if (c == '[') {
      v->Type = JsonValue::Array;
      ++At;
      Space();
      if (At < S.size() && S[At] == ']') return ++At, true;
      for (;;) {
        JsonValue item;
        if (!Value(&item, depth + 1)) return false;
        v->Items.push_back(item);
        Space();
        if (At < S.size() && S[At] == ',') {
          ++At;
          continue;
        }
        return At < S.size() && S[At++] == ']';
      }
    }
    if (c == '"') {
      v->Type = JsonValue::String;
      return String(&v->Text);
    }
    if (Literal("true")) return v->Type = JsonValue::Bool, v->Flag = true, true;
    if (Literal("false")) return v->Type = JsonValue::Bool, true;
    if (Literal("null")) return v->Type = JsonValue::Null, true;
    v->Type = JsonValue::Number;
    return Number(&v->Value);
  }
};

} // namespace

bool ParseJson(const std::string& text, JsonValue* value) {
  JsonReader reader{text};
  if (!reader.Value(value, 0)) return false;
  reader.Space();
  return reader.At == text.size();
}
