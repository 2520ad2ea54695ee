// Destination paths and member names, for the classic exports in the ANSI
// code page (double-byte characters included) and for the Unicode exports
// in UTF-16 (no lead units). Each routine exists once, over the character
// type; only the lead-unit rule and the system calls (PathApi) differ.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

constexpr size_t PathBufferSize = 260; // 259 characters and a NUL, bytes or UTF-16 units

// Member names inside the archives are bytes of this code page, whatever the
// system's ANSI code page is.
constexpr UINT MemberCodePage = 932;

bool IsAnsiLeadByte(uint8_t byte);

int32_t FindLastSeparator(const char* text);
int32_t FindLastSeparator(const wchar_t* text);
size_t FindLastChar(const char* text);
size_t FindLastChar(const wchar_t* text);
bool AppendFileName(char* directory, const char* name, size_t bufferSize);
bool AppendFileName(wchar_t* directory, const wchar_t* name, size_t bufferSize);

// A name that can only ever name a file directly inside the destination.
bool IsPlainMemberName(const char* name);
bool IsPlainMemberName(const wchar_t* name);

// An existing directory (not a file).
template <typename Char>
bool IsDirectory(const Char* path);

// Creates `path` (of `length` characters, in a writable buffer) and every
// missing level above it, outermost first. A path shorter than 3 characters
// (a drive, a root) is taken as existing.
template <typename Char>
bool CreateDirectoryPath(Char* path, size_t length);

// Makes sure `directory` exists, a single trailing '\' allowed.
template <typename Char>
bool EnsureDirectory(const Char* directory);

// Converts `bytes` bytes of member-name text (code page 932) to UTF-16 in
// `out`, NUL-terminated when there is room (`outUnits` >= `bytes` + 1
// always leaves room). Lenient: a byte sequence that is no character of the
// code page becomes the code page's default character, and the result is
// true. Strict: such a sequence makes the result false.
bool WidenMemberText(const char* text, size_t bytes, wchar_t* out, size_t outUnits, bool strict);
