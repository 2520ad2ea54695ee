// Loads an archive plug-in ("00AM") as a host does, and the bits a host
// test needs around it: progress logging, records, files on disk.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tests/dll/plugin_library.h"

#pragma pack(push, 1)
struct HostFileInfo {
  uint8_t Method[8];
  uintptr_t Position; // pointer-sized, as the 64-bit hosts lay it out
  uintptr_t CompressedSize;
  uintptr_t FileSize;
  uintptr_t Timestamp;
  char Path[200];
  char FileName[200];
  uint32_t Crc;
#if UINTPTR_MAX > 0xFFFFFFFFu
  uint8_t Padding[4];
#endif
};
#pragma pack(pop)
static_assert(sizeof(HostFileInfo) == (sizeof(void*) == 8 ? 448 : 428), "the host's record");

struct ArchiveApi {
  HMODULE Module = nullptr;
  int32_t(__stdcall* GetPluginInfo)(int32_t index, char* buf, int32_t length) = nullptr;
  int32_t(__stdcall* IsSupported)(const char* name, uintptr_t handleOrAddress) = nullptr;
  int32_t(__stdcall* GetArchiveInfo)(const char* buf, uintptr_t len, uint32_t flag, HLOCAL* handle) = nullptr;
  int32_t(__stdcall* GetFileInfo)(const char* buf, uintptr_t len, const char* name, uint32_t flag,
                                  HostFileInfo* info) = nullptr;
  int32_t(__stdcall* GetFile)(const char* src, uintptr_t len, const char* dest, uint32_t flag, HostProgress progress,
                              intptr_t userData) = nullptr;
};

// Loads <program directory>/<fileName> and resolves the five exports.
bool LoadArchivePlugin(const char* fileName, ArchiveApi* api);
void UnloadArchivePlugin(ArchiveApi* api);

// Every call the plug-in made to the progress callback; answers non-zero to call StopAt (0-based).
struct ProgressLog {
  std::vector<std::pair<int32_t, int32_t>> Calls;
  int StopAt = -1;
  intptr_t UserData() { return reinterpret_cast<intptr_t>(this); }
};
int32_t __stdcall LogProgress(int32_t done, int32_t total, intptr_t userData);

// The records of a GetArchiveInfo handle up to (not including) the all-zero
// one, for the narrow and the wide record alike.
template <typename Record>
std::vector<Record> ReadRecordsOf(HLOCAL handle, bool* terminated) {
  std::vector<Record> records;
  *terminated = false;
  const size_t count = LocalSize(handle) / sizeof(Record);
  const Record* first = static_cast<const Record*>(LocalLock(handle));
  if (first == nullptr) return records;
  static const Record zero{};
  for (size_t i = 0; i < count; ++i) {
    if (std::memcmp(&first[i], &zero, sizeof zero) == 0) {
      *terminated = true;
      break;
    }
    records.push_back(first[i]);
  }
  LocalUnlock(handle);
  return records;
}

inline std::vector<HostFileInfo> ReadRecords(HLOCAL handle, bool* terminated) {
  return ReadRecordsOf<HostFileInfo>(handle, terminated);
}

// Memory input without a size: committed pages with a no-access page right
// after them, so that an image can end exactly where readable memory ends.
struct ReadableEdge {
  uint8_t* Region = nullptr;
  size_t PageSize = 0;
  size_t Readable = 0; // bytes before the no-access page

  bool Open(size_t pages);
  void Close();
  // The bytes placed so that their last byte is the last readable one; zeros before them.
  const char* AtEnd(const Bytes& bytes);
};

// Bytes of a moveable block (its whole allocated size).
Bytes BlockBytes(HLOCAL handle);

// Files on disk.
bool FileExists(const std::string& path);
bool ReadFileBytes(const std::string& path, Bytes* bytes);
// The whole of a file opened for reading (or false for INVALID_HANDLE_VALUE); closes it.
bool ReadOpenedFile(HANDLE file, Bytes* bytes);
// Names of the files in `directory` whose names start with `prefix`. A directory
// ending in a two-byte character must be passed with its final backslash.
std::vector<std::string> FilesStartingWith(const std::string& directory, const std::string& prefix);
// Deletes a file or a directory with everything in it.
void RemoveTree(const std::string& path);
// A new empty directory below the scratch directory, ending in '\'.
std::string FreshDirectory(const std::string& name);
