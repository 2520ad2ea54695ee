#include "tests/dll/unicode_host.h"

#include <algorithm>

namespace {
template <typename Function>
bool Resolve(HMODULE module, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return *function != nullptr;
}
} // namespace

const wchar_t UnrepresentableName[] = L"Пример_🎨_画像";

bool ResolveWideArchive(HMODULE module, WideArchiveApi* api) {
  *api = WideArchiveApi{};
  api->Module = module;
  return module != nullptr && Resolve(module, "GetPluginInfoW", &api->GetPluginInfoW) &&
         Resolve(module, "IsSupportedW", &api->IsSupportedW) &&
         Resolve(module, "GetArchiveInfoW", &api->GetArchiveInfoW) &&
         Resolve(module, "GetFileInfoW", &api->GetFileInfoW) && Resolve(module, "GetFileW", &api->GetFileW);
}

bool ResolveWidePalvo(HMODULE module, WidePalvoApi* api) {
  *api = WidePalvoApi{};
  api->Module = module;
  return module != nullptr && Resolve(module, "GetPluginInfoW", &api->GetPluginInfoW) &&
         Resolve(module, "IsSupportedW", &api->IsSupportedW) &&
         Resolve(module, "GetPictureInfoW", &api->GetPictureInfoW) &&
         Resolve(module, "GetPictureW", &api->GetPictureW) && Resolve(module, "GetPreviewW", &api->GetPreviewW);
}

bool AnsiCannotHold(const std::wstring& text) {
  BOOL usedDefault = FALSE;
  char narrow[1024];
  const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow, sizeof narrow, nullptr, &usedDefault);
  return length == 0 || usedDefault != FALSE;
}

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring WideScratchDirectory() { return Widen(ScratchDirectory()); }

void RemoveWideTree(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    DeleteFileW(path.c_str());
    return;
  }
  for (const std::wstring& name : WideDirectoryNames(path + L"\\")) RemoveWideTree(path + L"\\" + name);
  RemoveDirectoryW(path.c_str());
}

std::wstring FreshWideDirectory(const std::wstring& name) {
  // Wine may give a later run the same process id, and so the same scratch directory.
  static int serial = 0;
  const std::wstring path = WideScratchDirectory() + name + L"_" + std::to_wstring(++serial);
  RemoveWideTree(path);
  CreateDirectoryW(path.c_str(), nullptr);
  return path + L"\\";
}

bool WriteWideFile(const std::wstring& path, const Bytes& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                              nullptr) &&
                                    written == bytes.size());
  CloseHandle(file);
  return ok;
}

bool ReadWideFile(const std::wstring& path, Bytes* bytes) {
  return ReadOpenedFile(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr), bytes);
}

bool WideFileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::wstring> WideDirectoryNames(const std::wstring& directory) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((directory + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

std::string Utf8(const std::wstring& text) {
  char narrow[2048];
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
  return length > 0 ? std::string(narrow) : std::string("?");
}
