#include "fcview/text.h"

#include <cstdarg>
#include <cstdint>

#include "fcview/platform.h"

namespace fcview {

namespace {

std::string FormatList(const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  char small[512];
  const int length = std::vsnprintf(small, sizeof small, format, args);
  std::string text;
  if (length >= static_cast<int>(sizeof small)) {
    text.assign(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, again);
    text.resize(static_cast<size_t>(length));
  } else if (length > 0) {
    text.assign(small, static_cast<size_t>(length));
  }
  va_end(again);
  return text;
}

} // namespace

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatList(format, args);
  va_end(args);
  return text;
}

void Print(std::FILE* stream, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = FormatList(format, args);
  va_end(args);
  WriteText(stream, text);
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const uint8_t byte = static_cast<uint8_t>(c);
    if (byte == '"' || byte == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      out += Format("\\u%04x", byte);
    } else {
      out += c;
    }
  }
  return out + "\"";
}

} // namespace fcview
