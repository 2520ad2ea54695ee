#include "fcview/names.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "fcview/platform.h"

namespace fcview {

namespace {

bool IsLeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool IsTrailByte(uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
bool IsHalfwidthKana(uint8_t b) { return b >= 0xA1 && b <= 0xDF; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool EscapeAt(const std::string& text, size_t i) {
  return i + 2 < text.size() && text[i] == '%' && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0;
}

std::string Escape(uint8_t byte) {
  char buffer[4];
  std::snprintf(buffer, sizeof buffer, "%%%02X", byte);
  return buffer;
}

// Code point of the UTF-8 sequence at `i` and its length; 0 length when invalid.
uint32_t DecodeUtf8(const std::string& text, size_t i, size_t* length) {
  const uint8_t first = static_cast<uint8_t>(text[i]);
  size_t n = first < 0x80 ? 1 : (first >> 5) == 6 ? 2 : (first >> 4) == 14 ? 3 : (first >> 3) == 30 ? 4 : 0;
  uint32_t code = n == 1 ? first : n == 2 ? first & 0x1F : n == 3 ? first & 0x0F : first & 0x07;
  if (n == 0 || i + n > text.size()) {
    *length = 0;
    return 0;
  }
  for (size_t k = 1; k < n; ++k) {
    const uint8_t next = static_cast<uint8_t>(text[i + k]);
    if ((next & 0xC0) != 0x80) {
      *length = 0;
      return 0;
    }
    code = (code << 6) | (next & 0x3F);
  }
  *length = n;
  return code;
}

// The character of `bytes` when it converts to Unicode and back unchanged and
// is no private-use character (which no font shows and the systems' tables
// do not agree on).
bool DecodeExactly(const uint8_t* bytes, size_t count, std::string* utf8) {
  if (!Cp932CharToUtf8(bytes, count, utf8)) return false;
  size_t length = 0;
  const uint32_t code = DecodeUtf8(*utf8, 0, &length);
  if (length != utf8->size() || (code >= 0xE000 && code <= 0xF8FF)) return false;
  std::string back;
  return Utf8CharToCp932(*utf8, &back) && back == std::string(reinterpret_cast<const char*>(bytes), count);
}

// Code points, with ASCII letters folded to upper case.
std::vector<uint32_t> FoldedCodePoints(const std::string& text) {
  std::vector<uint32_t> points;
  for (size_t i = 0; i < text.size();) {
    size_t length = 0;
    uint32_t code = DecodeUtf8(text, i, &length);
    if (length == 0) {
      code = 0xDC00 + static_cast<uint8_t>(text[i]); // a stray byte stands for itself
      length = 1;
    }
    if (code >= 'a' && code <= 'z') code -= 'a' - 'A';
    points.push_back(code);
    i += length;
  }
  return points;
}

} // namespace

std::string MemberText(const std::string& name) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(name.data());
  const size_t n = name.size();
  std::string text;
  for (size_t i = 0; i < n;) {
    const uint8_t b = bytes[i];
    std::string character;
    if (b == '%') {
      text += EscapeAt(name, i) ? "%25" : "%";
      i += 1;
    } else if (b >= 0x20 && b < 0x7F) {
      text += static_cast<char>(b);
      i += 1;
    } else if (IsLeadByte(b) && i + 1 < n && IsTrailByte(bytes[i + 1]) && DecodeExactly(bytes + i, 2, &character)) {
      text += character;
      i += 2;
    } else if (IsHalfwidthKana(b) && DecodeExactly(bytes + i, 1, &character)) {
      text += character;
      i += 1;
    } else {
      text += Escape(b);
      i += 1;
    }
  }
  return text;
}

bool MemberBytes(const std::string& text, std::string* bytes, std::string* reason) {
  bytes->clear();
  for (size_t i = 0; i < text.size();) {
    if (EscapeAt(text, i)) {
      bytes->push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 3;
      continue;
    }
    size_t length = 0;
    const uint32_t code = DecodeUtf8(text, i, &length);
    if (length == 0) {
      *reason = "is not UTF-8 text";
      return false;
    }
    if (code < 0x80) {
      bytes->push_back(text[i]);
      i += 1;
      continue;
    }
    const std::string character = text.substr(i, length);
    std::string encoded, back;
    if (!Utf8CharToCp932(character, &encoded) ||
        !DecodeExactly(reinterpret_cast<const uint8_t*>(encoded.data()), encoded.size(), &back) || back != character) {
      *reason = "has the character \"" + character + "\", which code page 932 does not hold";
      return false;
    }
    *bytes += encoded;
    i += length;
  }
  return true;
}

bool HasWildcard(const std::string& pattern) { return pattern.find_first_of("*?") != std::string::npos; }

bool NameMatches(const std::string& pattern, const std::string& text) {
  const std::vector<uint32_t> p = FoldedCodePoints(pattern);
  const std::vector<uint32_t> t = FoldedCodePoints(text);
  // Iterative glob: on a mismatch, let the last '*' take one more character.
  size_t pi = 0, ti = 0, starP = SIZE_MAX, starT = 0;
  while (ti < t.size()) {
    if (pi < p.size() && (p[pi] == '?' || (p[pi] != '*' && p[pi] == t[ti]))) {
      ++pi;
      ++ti;
    } else if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starT = ti;
    } else if (starP != SIZE_MAX) {
      pi = starP + 1;
      ti = ++starT;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

} // namespace fcview
