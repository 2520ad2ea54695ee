// How member names (bytes of code page 932) are shown.
#pragma once
#include <string>

namespace fcview {

// For the table and messages: printable ASCII as it is, every other byte
// (control characters, '\', and the bytes of double-byte characters) as \xNN.
// `extract` accepts a name in this form as well as in its raw bytes.
std::string DisplayName(const std::string& bytes);

// A JSON string literal, quotes included. Every byte stands for the character
// of its Latin-1 meaning: bytes from 0x80 on become \u0080 to \u00ff, so a
// reader recovers the original code page 932 bytes by taking each character
// as one byte. Control characters, '"' and '\' are escaped.
std::string JsonString(const std::string& bytes);

} // namespace fcview
