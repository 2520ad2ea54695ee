#include "tests/dll/plugin_library.h"

#include <gtest/gtest.h>

namespace {
const char IpqKey[] = "Software\\Harkimo\\Susie\\Plug-in\\Palvo";

template <typename Function>
bool Resolve(HMODULE module, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return *function != nullptr;
}
} // namespace

std::string ProgramDirectory() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length);
  return directory.substr(0, directory.find_last_of("\\/") + 1);
}

bool LoadPalvo(PalvoApi* api) {
  *api = PalvoApi{};
  api->Module = LoadLibraryA((ProgramDirectory() + "Palvo" PLUGIN_EXTENSION).c_str());
  if (api->Module == nullptr) return false;
  return Resolve(api->Module, "GetPluginInfo", &api->GetPluginInfo) &&
         Resolve(api->Module, "IsSupported", &api->IsSupported) &&
         Resolve(api->Module, "GetPictureInfo", &api->GetPictureInfo) &&
         Resolve(api->Module, "GetPicture", &api->GetPicture) &&
         Resolve(api->Module, "GetPreview", &api->GetPreview) &&
         Resolve(api->Module, "GetIpqFormat", &api->GetIpqFormat) &&
         Resolve(api->Module, "ConfigurationDlg", &api->ConfigurationDlg);
}

void UnloadPalvo(PalvoApi* api) {
  if (api->Module != nullptr) FreeLibrary(api->Module);
  *api = PalvoApi{};
}

void StoreIpqFormatValue(DWORD type, const void* data, DWORD size) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, IpqKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), 0);
  RegDeleteValueA(key, "IpqFormat");
  EXPECT_EQ(RegSetValueExA(key, "IpqFormat", 0, type, static_cast<const BYTE*>(data), size), 0);
  RegCloseKey(key);
}

void StoreIpqFormat(int32_t mode) { StoreIpqFormatValue(REG_DWORD, &mode, sizeof mode); }

void RemoveIpqFormat() { RegDeleteKeyA(HKEY_CURRENT_USER, IpqKey); }

std::string ScratchDirectory() {
  static std::string directory;
  if (directory.empty()) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    directory = std::string(temp) + "fc_dll_tests_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(directory.c_str(), nullptr);
  }
  return directory;
}

std::string WriteScratchFile(const std::string& name, const Bytes& bytes) {
  const std::string path = ScratchDirectory() + name;
  EXPECT_TRUE(WriteFileBytes(path, bytes)) << path;
  return path;
}

#if defined(__i386__)
int StackBytesLeftByCall(FARPROC function, int argumentCount, uint32_t argument) {
  int before;
  int after;
  asm volatile(
      "movl %%esp, %%esi\n\t"
      "movl %3, %%ecx\n\t"
      "jecxz 2f\n"
      "1:\n\t"
      "pushl %%edx\n\t"
      "loop 1b\n"
      "2:\n\t"
      "call *%4\n\t"
      "movl %%esp, %0\n\t"
      "movl %%esi, %1\n\t"
      "movl %%esi, %%esp\n\t"
      : "=r"(after), "=r"(before), "+d"(argument)
      : "r"(argumentCount), "r"(function)
      : "eax", "ecx", "esi", "memory", "cc");
  return before - after;
}
#endif
