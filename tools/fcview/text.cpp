#include "tools/fcview/text.h"

#include <cstdint>
#include <cstdio>

namespace fcview {

namespace {

std::string Escape(const char* format, unsigned value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

} // namespace

std::string DisplayName(const std::string& bytes) {
  std::string out;
  for (const char c : bytes) {
    const uint8_t byte = static_cast<uint8_t>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      out += c;
    } else {
      out += Escape("\\x%02x", byte);
    }
  }
  return out;
}

std::string JsonString(const std::string& bytes) {
  std::string out = "\"";
  for (const char c : bytes) {
    const uint8_t byte = static_cast<uint8_t>(c);
    if (byte == '"' || byte == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      out += Escape("\\u%04x", byte);
    } else {
      out += c;
    }
  }
  return out + "\"";
}

} // namespace fcview
