// Text the tool prints: formatted lines through the platform's console
// output, and JSON strings.
#pragma once
#include <cstdio>
#include <string>

namespace fcview {

// printf into a string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// printf to stdout or stderr, the text taken as UTF-8 (see WriteText).
void Print(std::FILE* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));

// A JSON string literal of UTF-8 text, quotes included: '"', '\' and control
// characters escaped, every other character as it is.
std::string JsonString(const std::string& text);

} // namespace fcview
