// Running the fcview binary as a user does, and reading what it leaves behind.
#pragma once
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "fcview/pictures.h"
#include "tests/support/file_bytes.h"
#include "writers/picture_writer.h"

namespace fs = std::filesystem;

struct RunResult {
  int Exit = -1;
  std::string Out;
  std::string Err;
};

// Runs `program args...` through the shell, stdout and stderr captured apart.
// `prefix` goes before the program (for example "wine").
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& prefix = "");
RunResult RunFcview(const std::vector<std::string>& args);

std::string Sample(const char* name);
Bytes ReadBytes(const fs::path& path);

// The lines of `text`, each without its line end.
std::vector<std::string> Lines(const std::string& text);

// A fresh directory, removed with everything in it at the end of the test.
struct ScratchDir {
  ScratchDir();
  ~ScratchDir();
  fs::path operator/(const std::string& name) const { return Path / name; }
  std::string Str(const std::string& name) const { return (Path / name).string(); }
  fs::path Path;
};

// Every entry of a directory, by name.
std::vector<std::string> Entries(const fs::path& dir);

// The PNG file decoded by libpng to 8-bit RGB; Width 0 when libpng refuses it.
fcview::RgbImage ReadPng(const fs::path& path);
fcview::RgbImage ReadPngBytes(const Bytes& png);

// A PNG file written by libpng, as any editor could have written it.
struct PngPicture {
  int32_t Width = 0;
  int32_t Height = 0;
  int ColourType = 2;             // PNG colour type: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
  int Depth = 8;                  // bits a sample (palette and grey: 1, 2, 4, 8; 16 where allowed)
  std::vector<uint32_t> Palette;  // 0xRRGGBB
  std::vector<uint8_t> Alpha;     // palette alpha (tRNS), may be shorter than the palette
  std::vector<uint32_t> Pixels;   // per pixel: index or grey value, or 0xAARRGGBB (RGB: alpha ignored)
};
bool WritePng(const fs::path& path, const PngPicture& picture);

// What the picture filter's DecodePicture makes of `file` in display mode
// `mode`, each DIB pixel looked up in the DIB's colour table, top row first.
fcview::RgbImage DecodeThroughDib(const Bytes& file, int32_t mode, int32_t* result);

// A strict JSON reader, enough for fcview's output: false on anything that is
// not one complete JSON value.
struct JsonValue {
  enum Kind { Null, Bool, Number, String, Array, Object } Type = Null;
  bool Flag = false;
  double Value = 0;
  std::vector<uint32_t> Text; // code points of a string
  std::vector<JsonValue> Items;
  std::vector<std::pair<std::string, JsonValue>> Members;
  const JsonValue* Find(const std::string& key) const;
  // A string whose code points are all below 256, as those bytes.
  std::string Bytes() const;
  // A string as UTF-8.
  std::string Utf8() const;
};
bool ParseJson(const std::string& text, JsonValue* value);
