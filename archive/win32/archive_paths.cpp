#include "archive/win32/archive_paths.h"

#include <cstring>

#include "archive/path_text.h"
#include "common/win32/path_api.h"

bool IsAnsiLeadByte(uint8_t byte) { return IsDBCSLeadByte(byte) != FALSE; }

int32_t FindLastSeparator(const char* text) { return FindLastSeparatorIn(text, IsAnsiLeadByte); }
int32_t FindLastSeparator(const wchar_t* text) { return FindLastSeparatorIn(text); }

size_t FindLastChar(const char* text) { return FindLastCharIn(text, IsAnsiLeadByte); }
size_t FindLastChar(const wchar_t* text) { return FindLastCharIn(text); }

bool AppendFileName(char* directory, const char* name, size_t bufferSize) {
  return AppendFileNameIn(directory, name, bufferSize, IsAnsiLeadByte);
}
bool AppendFileName(wchar_t* directory, const wchar_t* name, size_t bufferSize) {
  return AppendFileNameIn(directory, name, bufferSize);
}

bool IsPlainMemberName(const char* name) { return IsPlainFileName(name, IsAnsiLeadByte); }
bool IsPlainMemberName(const wchar_t* name) { return IsPlainFileName(name); }

template <typename Char>
bool IsDirectory(const Char* path) {
  const DWORD attributes = PathApi<Char>::Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

template <typename Char>
bool CreateDirectoryPath(Char* path, size_t length) {
  if (length < 3) return true;
  if (IsDirectory(path)) return true;
  const int32_t separator = FindLastSeparator(path);
  if (separator < 0) return false;
  const Char cut = path[separator];
  path[separator] = 0;
  const bool parentReady = CreateDirectoryPath(path, static_cast<size_t>(separator));
  path[separator] = cut;
  if (!parentReady) return false;
  return PathApi<Char>::MakeDirectory(path);
}

template <typename Char>
bool EnsureDirectory(const Char* directory) {
  const size_t length = PathApi<Char>::Length(directory, PathBufferSize);
  if (length == 0 || length >= PathBufferSize) return false;
  Char buffer[PathBufferSize];
  std::memcpy(buffer, directory, (length + 1) * sizeof(Char));
  size_t used = length;
  const size_t last = FindLastChar(buffer);
  if (buffer[last] == '\\') {
    buffer[last] = 0;
    used = last;
  }
  return CreateDirectoryPath(buffer, used);
}

template bool IsDirectory<char>(const char*);
template bool IsDirectory<wchar_t>(const wchar_t*);
template bool CreateDirectoryPath<char>(char*, size_t);
template bool CreateDirectoryPath<wchar_t>(wchar_t*, size_t);
template bool EnsureDirectory<char>(const char*);
template bool EnsureDirectory<wchar_t>(const wchar_t*);

bool WidenMemberText(const char* text, size_t bytes, wchar_t* out, size_t outUnits, bool strict) {
  if (outUnits == 0) return false;
  out[0] = L'\0';
  if (bytes == 0) return true;
  const int units = MultiByteToWideChar(MemberCodePage, strict ? MB_ERR_INVALID_CHARS : 0, text,
                                        static_cast<int>(bytes), out, static_cast<int>(outUnits));
  if (units <= 0) {
    out[0] = L'\0';
    return false;
  }
  if (static_cast<size_t>(units) < outUnits) out[units] = L'\0';
  return true;
}
