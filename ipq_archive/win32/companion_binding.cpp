#include "ipq_archive/win32/companion_binding.h"

#include <cstring>

#include "archive/win32/archive_paths.h"
#include "common/win32/about_box.h"
#include "common/win32/processor_check.h"
#include "ipq_archive/ipq_frames.h"
#include "plugin_identity.h"

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

namespace {

// The About box names the binding: it decides which plug-in opens IPQ files.
void ShowMerunAbout(HWND parent) {
  const bool bound = BoundGetIpqFormat != nullptr;
  const AboutText english = {
      L"About " FC_PLUGIN_NAME,
      L"" FC_PLUGIN_NAME " " FC_VERSION_TEXT "\nSusie plug-in for F&C IPQ files\n\n"
      L"Opens IPQ files (*.ipq) as archives: each frame is extracted as an IPF picture.",
      bound ? L"Palvo is bound: IPQ files open here only in its display mode \"Treat as Archive\"."
            : L"Palvo is not bound (not found): every IPQ file opens here as an archive."};
  const AboutText japanese = {
      L"" FC_PLUGIN_NAME " のバージョン情報",
      L"" FC_PLUGIN_NAME " " FC_VERSION_TEXT "\nF&C IPQ ファイル用 Susie プラグイン\n\n"
      L"IPQ ファイル (*.ipq) をアーカイブとして開き、各画像を IPF 画像として取り出します。",
      bound ? L"Palvo と連携しています: IPQ の表示方法が「アーカイブとして扱う」のときだけここで開きます。"
            : L"Palvo と連携していません (見つかりません): IPQ ファイルはすべてここでアーカイブとして開きます。"};
  ShowAboutBox(parent, english, japanese);
}

} // namespace

// Function code 0 is Merun's own About box; every other code goes to the
// picture filter's dialog, or to the warning when it is missing.
extern "C" int32_t __stdcall ConfigurationDlg(HWND parent, int32_t function) {
  if (function == 0) {
    ShowMerunAbout(parent);
    return 0;
  }
  if (BoundConfigurationDlg != nullptr) return BoundConfigurationDlg(parent, function);
  // The warning names the file this build looks for: Palvo.sph beside a 64-bit Merun.
#ifdef _WIN64
  MessageBoxA(parent, "Not Installed \"PALVO.SPH\"", "Warning", MB_OK | MB_ICONWARNING);
#else
  MessageBoxA(parent, "Not Installed \"PALVO.SPI\"", "Warning", MB_OK | MB_ICONWARNING);
#endif
  return -1;
}
