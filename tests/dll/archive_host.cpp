#include "tests/dll/archive_host.h"

#include <cstring>

namespace {
template <typename Function>
bool Resolve(HMODULE module, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return *function != nullptr;
}
} // namespace

bool LoadArchivePlugin(const char* fileName, ArchiveApi* api) {
  *api = ArchiveApi{};
  api->Module = LoadLibraryA((ProgramDirectory() + fileName).c_str());
  if (api->Module == nullptr) return false;
  return Resolve(api->Module, "GetPluginInfo", &api->GetPluginInfo) &&
         Resolve(api->Module, "IsSupported", &api->IsSupported) &&
         Resolve(api->Module, "GetArchiveInfo", &api->GetArchiveInfo) &&
         Resolve(api->Module, "GetFileInfo", &api->GetFileInfo) && Resolve(api->Module, "GetFile", &api->GetFile);
}

void UnloadArchivePlugin(ArchiveApi* api) {
  if (api->Module != nullptr) FreeLibrary(api->Module);
  *api = ArchiveApi{};
}

int32_t __stdcall LogProgress(int32_t done, int32_t total, intptr_t userData) {
  ProgressLog* log = reinterpret_cast<ProgressLog*>(userData);
  log->Calls.emplace_back(done, total);
  return static_cast<int>(log->Calls.size()) - 1 == log->StopAt ? 1 : 0;
}

bool ReadableEdge::Open(size_t pages) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  PageSize = system.dwPageSize;
  Readable = pages * PageSize;
  Region = static_cast<uint8_t*>(VirtualAlloc(nullptr, Readable + PageSize, MEM_COMMIT, PAGE_READWRITE));
  DWORD old = 0;
  return Region != nullptr && VirtualProtect(Region + Readable, PageSize, PAGE_NOACCESS, &old);
}

void ReadableEdge::Close() {
  if (Region != nullptr) VirtualFree(Region, 0, MEM_RELEASE);
  Region = nullptr;
}

const char* ReadableEdge::AtEnd(const Bytes& bytes) {
  std::memset(Region, 0, Readable);
  uint8_t* at = Region + Readable - bytes.size();
  std::memcpy(at, bytes.data(), bytes.size());
  return reinterpret_cast<const char*>(at);
}

Bytes BlockBytes(HLOCAL handle) {
  const uint8_t* data = static_cast<const uint8_t*>(LocalLock(handle));
  if (data == nullptr) return {};
  Bytes bytes(data, data + LocalSize(handle));
  LocalUnlock(handle);
  return bytes;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ReadFileBytes(const std::string& path, Bytes* bytes) {
  return ReadOpenedFile(
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr), bytes);
}

bool ReadOpenedFile(HANDLE file, Bytes* bytes) {
  if (file == INVALID_HANDLE_VALUE) return false;
  const DWORD size = GetFileSize(file, nullptr);
  bytes->assign(size, 0);
  DWORD read = 0;
  const bool ok = size == 0 || (ReadFile(file, bytes->data(), size, &read, nullptr) && read == size);
  CloseHandle(file);
  return ok;
}

std::vector<std::string> FilesStartingWith(const std::string& directory, const std::string& prefix) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  std::string pattern = directory;
  if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
  HANDLE search = FindFirstFileA((pattern + prefix + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

void RemoveTree(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    DeleteFileA(path.c_str());
    return;
  }
  for (const std::string& name : FilesStartingWith(path + "\\", "")) {
    if (name != "." && name != "..") RemoveTree(path + "\\" + name);
  }
  RemoveDirectoryA(path.c_str());
}

std::string FreshDirectory(const std::string& name) {
  // Wine may give a later run the same process id, and so the same scratch directory.
  static int serial = 0;
  const std::string path = ScratchDirectory() + name + "_" + std::to_string(++serial);
  RemoveTree(path);
  CreateDirectoryA(path.c_str(), nullptr);
  return path + "\\";
}
