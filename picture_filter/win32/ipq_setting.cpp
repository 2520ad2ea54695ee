#include "picture_filter/win32/ipq_setting.h"

#include "common/win32/processor_check.h"
#include "container/ipq_display_mode.h"

int32_t CurrentIpqFormat = TreatAsArchive;

const char IpqSettingKey[] = "Software\\Harkimo\\Susie\\Plug-in\\Palvo";

namespace {

// The stored REG_DWORD, or false when the key or a DWORD value is missing.
bool QueryRegistryDword(const char* keyPath, const char* valueName, int32_t* value) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  DWORD type = REG_NONE;
  DWORD data = 0;
  DWORD size = sizeof data;
  const LONG status = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof data) return false;
  *value = static_cast<int32_t>(data);
  return true;
}

} // namespace

int32_t ReadRegistryDword(const char* keyPath, const char* valueName, int32_t fallback) {
  int32_t value;
  return QueryRegistryDword(keyPath, valueName, &value) ? value : fallback;
}

int32_t ReadRegistryDwordInRange(const char* keyPath, const char* valueName, int32_t minimum, int32_t maximum,
                                 int32_t fallback) {
  int32_t value;
  if (!QueryRegistryDword(keyPath, valueName, &value)) return fallback;
  return value >= minimum && value <= maximum ? value : fallback;
}

LONG WriteRegistryDword(const char* keyPath, const char* valueName, int32_t value) {
  HKEY key;
  const LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_WRITE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  const DWORD data = static_cast<DWORD>(value);
  RegSetValueExA(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
  return RegCloseKey(key);
}

void LoadIpqFormat() {
  CurrentIpqFormat = ReadRegistryDwordInRange(IpqSettingKey, "IpqFormat", TreatAsArchive, ShowLast, TreatAsArchive);
}

LONG SaveIpqFormat() { return WriteRegistryDword(IpqSettingKey, "IpqFormat", CurrentIpqFormat); }

HINSTANCE PalvoModule = nullptr;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH && !ProcessorRunsPlugins()) return FALSE;
  if (reason == DLL_PROCESS_ATTACH) {
    PalvoModule = instance;
    DisableThreadLibraryCalls(instance);
    LoadIpqFormat();
  }
  return TRUE;
}

extern "C" int32_t __stdcall GetIpqFormat() { return CurrentIpqFormat; }
