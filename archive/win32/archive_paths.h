// Destination paths in the ANSI code page, double-byte characters included.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t PathBufferSize = 260; // 259 characters and a NUL

bool IsAnsiLeadByte(uint8_t byte);

int32_t FindLastSeparator(const char* text);
size_t FindLastChar(const char* text);
bool AppendFileName(char* directory, const char* name, size_t bufferSize);

// An existing directory (not a file).
bool IsDirectory(const char* path);

// Creates `path` (of `length` characters, in a writable buffer) and every
// missing level above it, outermost first. A path shorter than 3 characters
// (a drive, a root) is taken as existing.
bool CreateDirectoryPath(char* path, size_t length);

// Makes sure `directory` exists, a single trailing '\' allowed.
bool EnsureDirectory(const char* directory);
