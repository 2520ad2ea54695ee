// DllRegisterServer and DllUnregisterServer, as regsvr32 calls them.
#include <windows.h>

#include "picture_filter/wic/win32/codec_ids.h"
#include "picture_filter/wic/win32/key_path.h"
#include "picture_filter/wic/win32/module_count.h"
#include "picture_filter/wic/win32/registration.h"

namespace {

const wchar_t ClassesPath[] = L"Software\\Classes";
constexpr DWORD LongestPath = 32768;

HRESULT FromStatus(LONG status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

// The decoder of the other width keeps its class in the other registry view.
bool OtherWidthRegistered(HKEY root) {
  const REGSAM otherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  const KeyPath path(ClassesPath, L"\\CLSID\\", DecoderClassText);
  HKEY key;
  if (RegOpenKeyExW(root, path.Text, 0, KEY_READ | otherView, &key) != ERROR_SUCCESS) return false;
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
  const REGSAM views[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
  for (REGSAM view : views) {
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
  wchar_t* path = static_cast<wchar_t*>(LocalAlloc(LMEM_FIXED, LongestPath * sizeof(wchar_t)));
  if (path == nullptr) return E_OUTOFMEMORY;
  const DWORD length = GetModuleFileNameW(CodecModule(), path, LongestPath);
  LONG status = length == 0 || length >= LongestPath ? ERROR_FILENAME_EXCED_RANGE : ERROR_SUCCESS;
  if (status == ERROR_SUCCESS) status = RegisterUnder(HKEY_LOCAL_MACHINE, path);
  if (status == ERROR_ACCESS_DENIED) status = RegisterUnder(HKEY_CURRENT_USER, path);
  LocalFree(path);
  return FromStatus(status);
}

// Both places: an earlier registration may have gone to either.
HRESULT STDAPICALLTYPE DllUnregisterServer() {
  RemoveUnder(HKEY_LOCAL_MACHINE);
  RemoveUnder(HKEY_CURRENT_USER);
  return S_OK;
}

} // extern "C"
