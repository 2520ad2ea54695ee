// A host that prefers the Unicode entry points: the wide exports of the
// three plug-ins, the wide member record, and files and directories whose
// names the ANSI code page cannot hold.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/dll/archive_host.h"
#include "tests/dll/plugin_library.h"

#pragma pack(push, 1)
struct HostFileInfoW {
  uint8_t Method[8];
  uintptr_t Position; // pointer-sized, as the 64-bit hosts lay it out
  uintptr_t CompressedSize;
  uintptr_t FileSize;
  uintptr_t Timestamp;
  wchar_t Path[200];
  wchar_t FileName[200];
  uint32_t Crc;
#if UINTPTR_MAX > 0xFFFFFFFFu
  uint8_t Padding[4];
#endif
};
#pragma pack(pop)
static_assert(sizeof(HostFileInfoW) == (sizeof(void*) == 8 ? 848 : 828), "the host's wide record");

struct WideArchiveApi {
  HMODULE Module = nullptr;
  int32_t(__stdcall* GetPluginInfoW)(int32_t index, wchar_t* buf, int32_t length) = nullptr;
  int32_t(__stdcall* IsSupportedW)(const wchar_t* name, uintptr_t handleOrAddress) = nullptr;
  int32_t(__stdcall* GetArchiveInfoW)(const wchar_t* buf, uintptr_t len, uint32_t flag, HLOCAL* handle) = nullptr;
  int32_t(__stdcall* GetFileInfoW)(const wchar_t* buf, uintptr_t len, const wchar_t* name, uint32_t flag,
                                   HostFileInfoW* info) = nullptr;
  int32_t(__stdcall* GetFileW)(const wchar_t* src, uintptr_t len, const wchar_t* dest, uint32_t flag,
                               HostProgress progress, intptr_t userData) = nullptr;
};

struct WidePalvoApi {
  HMODULE Module = nullptr;
  int32_t(__stdcall* GetPluginInfoW)(int32_t index, wchar_t* buf, int32_t length) = nullptr;
  int32_t(__stdcall* IsSupportedW)(const wchar_t* name, uintptr_t handleOrAddress) = nullptr;
  int32_t(__stdcall* GetPictureInfoW)(const wchar_t* buf, uintptr_t len, uint32_t flag, void* info) = nullptr;
  int32_t(__stdcall* GetPictureW)(const wchar_t* buf, uintptr_t len, uint32_t flag, HLOCAL* info, HLOCAL* pixels,
                                  HostProgress progress, intptr_t userData) = nullptr;
  int32_t(__stdcall* GetPreviewW)(const wchar_t* buf, uintptr_t len, uint32_t flag, HLOCAL* info, HLOCAL* pixels,
                                  HostProgress progress, intptr_t userData) = nullptr;
};

// Resolves the wide exports of an already loaded plug-in by name; false if any is missing.
bool ResolveWideArchive(HMODULE module, WideArchiveApi* api);
bool ResolveWidePalvo(HMODULE module, WidePalvoApi* api);

// A name no ANSI code page holds: Cyrillic and an emoji (a surrogate pair) next to Japanese.
extern const wchar_t UnrepresentableName[];

// True when `text` cannot go through the ANSI code page unchanged.
bool AnsiCannotHold(const std::wstring& text);

std::wstring Widen(const std::string& ascii);

// The scratch directory (ASCII) in UTF-16, ending in '\'.
std::wstring WideScratchDirectory();
// Deletes a file or a directory with everything in it.
void RemoveWideTree(const std::wstring& path);
// A new empty directory below the scratch directory, ending in '\'.
std::wstring FreshWideDirectory(const std::wstring& name);
bool WriteWideFile(const std::wstring& path, const Bytes& bytes);
bool ReadWideFile(const std::wstring& path, Bytes* bytes);
bool WideFileExists(const std::wstring& path);
// Names in `directory` (ending in '\'), "." and ".." left out, sorted.
std::vector<std::wstring> WideDirectoryNames(const std::wstring& directory);

// For failure messages.
std::string Utf8(const std::wstring& text);
