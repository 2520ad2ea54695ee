// The two kinds of path text the exports receive, and the file-system calls
// that go with each: the classic exports' strings in the ANSI code page
// (char, CreateFileA and its kin) and the Unicode exports' UTF-16 strings
// (wchar_t, CreateFileW and its kin). Routines that touch names and paths
// are written once over the character type and reach the system only
// through PathApi<Char>, so the two kinds of export share every step.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <cwchar>

template <typename Char>
struct PathApi;

template <>
struct PathApi<char> {
  static HANDLE Open(const char* name, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileA(name, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static DWORD Attributes(const char* path) { return GetFileAttributesA(path); }
  static bool MakeDirectory(const char* path) { return CreateDirectoryA(path, nullptr) != FALSE; }
  static bool Delete(const char* path) { return DeleteFileA(path) != FALSE; }
  static bool Replace(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
  }
  // A new empty file "SPIxxxx.TMP" in `directory`; its name goes to `out` (MAX_PATH units).
  static bool TempFile(const char* directory, char* out) { return GetTempFileNameA(directory, "SPI", 0, out) != 0; }
  static size_t Length(const char* text, size_t limit) { return strnlen(text, limit); }
};

template <>
struct PathApi<wchar_t> {
  static HANDLE Open(const wchar_t* name, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileW(name, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static DWORD Attributes(const wchar_t* path) { return GetFileAttributesW(path); }
  static bool MakeDirectory(const wchar_t* path) { return CreateDirectoryW(path, nullptr) != FALSE; }
  static bool Delete(const wchar_t* path) { return DeleteFileW(path) != FALSE; }
  static bool Replace(const wchar_t* from, const wchar_t* to) {
    return MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING) != FALSE;
  }
  static bool TempFile(const wchar_t* directory, wchar_t* out) {
    return GetTempFileNameW(directory, L"SPI", 0, out) != 0;
  }
  static size_t Length(const wchar_t* text, size_t limit) { return wcsnlen(text, limit); }
};
