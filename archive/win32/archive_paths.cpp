#include "archive/win32/archive_paths.h"

#include <windows.h>

#include <cstring>

#include "archive/path_text.h"

bool IsAnsiLeadByte(uint8_t byte) { return IsDBCSLeadByte(byte) != FALSE; }

int32_t FindLastSeparator(const char* text) { return FindLastSeparatorIn(text, IsAnsiLeadByte); }

size_t FindLastChar(const char* text) { return FindLastCharIn(text, IsAnsiLeadByte); }

bool AppendFileName(char* directory, const char* name, size_t bufferSize) {
  return AppendFileNameIn(directory, name, bufferSize, IsAnsiLeadByte);
}

bool IsDirectory(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateDirectoryPath(char* path, size_t length) {
  if (length < 3) return true;
  if (IsDirectory(path)) return true;
  const int32_t separator = FindLastSeparator(path);
  if (separator < 0) return false;
  const char cut = path[separator];
  path[separator] = '\0';
  const bool parentReady = CreateDirectoryPath(path, static_cast<size_t>(separator));
  path[separator] = cut;
  if (!parentReady) return false;
  return CreateDirectoryA(path, nullptr) != FALSE;
}

bool EnsureDirectory(const char* directory) {
  const size_t length = strnlen(directory, PathBufferSize);
  if (length == 0 || length >= PathBufferSize) return false;
  char buffer[PathBufferSize];
  std::memcpy(buffer, directory, length + 1);
  size_t used = length;
  const size_t last = FindLastChar(buffer);
  if (buffer[last] == '\\') {
    buffer[last] = '\0';
    used = last;
  }
  return CreateDirectoryPath(buffer, used);
}
