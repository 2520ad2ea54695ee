// DllRegisterServer and DllUnregisterServer, as regsvr32 calls them.
#include <windows.h>

#include <string>

#include "picture_filter/wic/win32/codec_ids.h"
#include "picture_filter/wic/win32/module_count.h"
#include "picture_filter/wic/win32/registration.h"

namespace {

const wchar_t ClassesPath[] = L"Software\\Classes";
constexpr DWORD LongestPath = 32768;

HRESULT FromStatus(LONG status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

// The decoder of the other width keeps its class in the other registry view.
bool OtherWidthRegistered(HKEY root) {
  const REGSAM otherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  const std::wstring path = std::wstring(ClassesPath) + L"\\CLSID\\" + DecoderClassText;
  HKEY key;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | otherView, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void RemoveUnder(HKEY root) {
  HKEY classes;
  if (RegOpenKeyExW(root, ClassesPath, 0, KEY_READ | KEY_WRITE, &classes) == ERROR_SUCCESS) {
    RemoveClassKeys(classes);
    RegCloseKey(classes);
  }
  if (OtherWidthRegistered(root)) return;
  // Current systems share the extension keys between the views; where a
  // view keeps its own, they go from both.
  for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    if (RegOpenKeyExW(root, ClassesPath, 0, KEY_READ | KEY_WRITE | view, &classes) != ERROR_SUCCESS) continue;
    RemoveExtensionKeys(classes);
    RegCloseKey(classes);
  }
}

// All keys or none: a registration that fails halfway is taken back.
LONG RegisterUnder(HKEY root, const wchar_t* modulePath) {
  HKEY classes;
  LONG status = RegCreateKeyExW(root, ClassesPath, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &classes, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = WriteCodecKeys(classes, modulePath);
  RegCloseKey(classes);
  if (status != ERROR_SUCCESS) RemoveUnder(root);
  return status;
}

} // namespace

extern "C" {

// The machine's classes when this process may write them, else the user's:
// installing needs no administrator.
HRESULT STDAPICALLTYPE DllRegisterServer() {
  std::wstring path(LongestPath, L'\0');
  const DWORD length = GetModuleFileNameW(CodecModule(), &path[0], LongestPath);
  if (length == 0 || length >= LongestPath) return E_FAIL;
  path.resize(length);
  LONG status = RegisterUnder(HKEY_LOCAL_MACHINE, path.c_str());
  if (status == ERROR_ACCESS_DENIED) status = RegisterUnder(HKEY_CURRENT_USER, path.c_str());
  return FromStatus(status);
}

// Both places: an earlier registration may have gone to either.
HRESULT STDAPICALLTYPE DllUnregisterServer() {
  RemoveUnder(HKEY_LOCAL_MACHINE);
  RemoveUnder(HKEY_CURRENT_USER);
  return S_OK;
}

} // extern "C"
