#include "ipq_archive/win32/companion_binding.h"

#include <cstring>

#include "archive/win32/archive_paths.h"
#include "common/win32/processor_check.h"
#include "ipq_archive/ipq_frames.h"

HMODULE PictureFilterModule = nullptr;
ConfigurationDlgRoutine BoundConfigurationDlg = nullptr;

// The 64-bit plug-ins carry the extension .sph, and bind their own kind.
#if UINTPTR_MAX > 0xFFFFFFFFu
const char PictureFilterFileName[] = "Palvo.sph";
#else
const char PictureFilterFileName[] = "Palvo.spi";
#endif

namespace {

const char HostPluginKey[] = "Software\\Harkimo\\Susie\\Plug-in";
constexpr size_t CompanionPathSize = 520; // the system calls are told the first 260
constexpr DWORD SystemPathSize = 260;

// Replaces what follows the last separator of the path in `buffer` by `name`;
// false when the result does not fit the system's path length.
bool PutNameAfterSeparator(char* buffer, const char* name) {
  const int32_t separator = FindLastSeparator(buffer);
  const size_t directoryLength = static_cast<size_t>(separator + 1);
  if (directoryLength + std::strlen(name) >= SystemPathSize) return false;
  std::strcpy(buffer + directoryLength, name);
  return true;
}

// The bare-name load: the system's library search without the current
// directory, where the system knows the flag (older systems refuse it).
HMODULE LoadFromSystemSearch(const char* name) {
  constexpr DWORD SearchDefaultDirectories = 0x00001000; // LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
  HMODULE module = LoadLibraryExA(name, nullptr, SearchDefaultDirectories);
  if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) module = LoadLibraryA(name);
  return module;
}

} // namespace

size_t ReadHostPluginPath(char* buffer, size_t size) {
  buffer[0] = '\0';
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, HostPluginKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 0;
  DWORD type = REG_NONE;
  // One byte is kept back for the backslash and one for a NUL the value may lack.
  DWORD dataSize = static_cast<DWORD>(size - 2);
  size_t result = 0;
  const LONG status = RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &dataSize);
  if (status == ERROR_SUCCESS && type == REG_SZ) {
    buffer[dataSize] = '\0';
    const size_t length = std::strlen(buffer);
    buffer[length] = '\\';
    buffer[length + 1] = '\0';
    result = length + 2;
  } else {
    buffer[0] = '\0';
  }
  RegCloseKey(key);
  return result;
}

HMODULE LoadCompanionLibrary(HMODULE self, const char* name) {
  char path[CompanionPathSize] = {};
  const DWORD length = GetModuleFileNameA(self, path, SystemPathSize);
  if (length > 0 && length < SystemPathSize && PutNameAfterSeparator(path, name)) {
    if (HMODULE module = LoadLibraryA(path)) return module;
  }
  if (ReadHostPluginPath(path, SystemPathSize) != 0 && PutNameAfterSeparator(path, name)) {
    if (HMODULE module = LoadLibraryA(path)) return module;
  }
  return LoadFromSystemSearch(name);
}

void BindPictureFilter(HMODULE self) {
  PictureFilterModule = LoadCompanionLibrary(self, PictureFilterFileName);
  if (PictureFilterModule == nullptr) return;
  BoundConfigurationDlg = reinterpret_cast<ConfigurationDlgRoutine>(
      reinterpret_cast<void*>(GetProcAddress(PictureFilterModule, "ConfigurationDlg")));
  BoundGetIpqFormat = reinterpret_cast<GetIpqFormatRoutine>(
      reinterpret_cast<void*>(GetProcAddress(PictureFilterModule, "GetIpqFormat")));
}

void ReleasePictureFilter() {
  BoundConfigurationDlg = nullptr;
  BoundGetIpqFormat = nullptr;
  if (PictureFilterModule != nullptr) FreeLibrary(PictureFilterModule);
  PictureFilterModule = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH && !ProcessorRunsPlugins()) return FALSE;
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
    BindPictureFilter(instance);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    // Unloaded by FreeLibrary. At process exit the picture filter may be
    // gone already, and the system releases everything anyway.
    ReleasePictureFilter();
  }
  return TRUE;
}

extern "C" int32_t __stdcall ConfigurationDlg(HWND parent, int32_t function) {
  if (BoundConfigurationDlg != nullptr) return BoundConfigurationDlg(parent, function);
  MessageBoxA(parent, "Not Installed \"PALVO.SPI\"", "Warning", MB_OK | MB_ICONWARNING);
  return -1;
}
