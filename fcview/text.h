// Text the tool prints: formatted lines through the platform's console
// output, and JSON strings.
#pragma once
#include <cstdio>
#include <string>

// The C runtime's formatting is the C99 one in both builds (MinGW's own in
// C++), so %zu and %lld mean the same everywhere.
#if defined(__MINGW32__)
#define FCVIEW_PRINTF(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define FCVIEW_PRINTF(f, a) __attribute__((format(printf, f, a)))
#endif

namespace fcview {

// printf into a string.
std::string Format(const char* format, ...) FCVIEW_PRINTF(1, 2);

// printf to stdout or stderr, the text taken as UTF-8 (see WriteText).
void Print(std::FILE* stream, const char* format, ...) FCVIEW_PRINTF(2, 3);

// A JSON string literal of UTF-8 text, quotes included: '"', '\' and control
// characters escaped, every other character as it is.
std::string JsonString(const std::string& text);

} // namespace fcview
