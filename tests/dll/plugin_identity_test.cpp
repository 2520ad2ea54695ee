// What a host's plug-in list and Windows' file properties show of each
// plug-in: the information table, narrow and wide, and the version resource.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/dll/plugin_library.h"

namespace {

typedef int32_t(__stdcall* NarrowInfo)(int32_t, char*, int32_t);
typedef int32_t(__stdcall* WideInfo)(int32_t, wchar_t*, int32_t);

const char* const PluginNames[] = {"Palvo", "Merun", "Dosek"};

std::string FileOf(const char* name) { return std::string(name) + PLUGIN_EXTENSION; }

// One value of the version resource's string block `block` ("040904B0" ...).
std::wstring VersionString(const std::vector<BYTE>& resource, const wchar_t* block, const wchar_t* key) {
  const std::wstring path = std::wstring(L"\\StringFileInfo\\") + block + L"\\" + key;
  wchar_t* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(resource.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || value == nullptr) {
    return L"(missing)";
  }
  return std::wstring(value, wcsnlen(value, length));
}

std::vector<BYTE> VersionResource(const std::string& file) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
  std::vector<BYTE> resource(size);
  if (size == 0 || !GetFileVersionInfoA(file.c_str(), 0, size, resource.data())) resource.clear();
  return resource;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

} // namespace

TEST(PluginIdentity, EveryIndexAnswersAndIndexOneNamesPluginAndVersion) {
  for (const char* name : PluginNames) {
    HMODULE module = LoadLibraryA(FileOf(name).c_str());
    ASSERT_NE(module, nullptr) << name;
    const NarrowInfo narrow = reinterpret_cast<NarrowInfo>(reinterpret_cast<void*>(GetProcAddress(module, "GetPluginInfo")));
    const WideInfo wide = reinterpret_cast<WideInfo>(reinterpret_cast<void*>(GetProcAddress(module, "GetPluginInfoW")));
    ASSERT_TRUE(narrow != nullptr && wide != nullptr) << name;
    for (int32_t index = 0; index <= 3; ++index) {
      char text[128] = {};
      wchar_t wideText[128] = {};
      const int32_t length = narrow(index, text, sizeof text);
      EXPECT_GT(length, 0) << name << " index " << index;
      EXPECT_EQ(wide(index, wideText, 128), length) << name << " index " << index;
      EXPECT_EQ(std::wstring(wideText), Widen(text)) << name << " index " << index;
      if (index == 1) {
        const std::string prefix = std::string(name) + " " FC_EXPECTED_VERSION ": F&C ";
        EXPECT_EQ(std::string(text).compare(0, prefix.size(), prefix), 0) << text;
      }
    }
    // A small buffer keeps the usual rule: cut, terminated.
    char small[6];
    EXPECT_EQ(narrow(1, small, sizeof small), 5);
    EXPECT_EQ(std::string(small), std::string(name));
    FreeLibrary(module);
  }
}

TEST(PluginIdentity, VersionResourceInEnglishAndJapanese) {
  for (const char* name : PluginNames) {
    const std::vector<BYTE> resource = VersionResource(FileOf(name));
    ASSERT_FALSE(resource.empty()) << name << " carries no version resource";

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(resource.data(), L"\\", reinterpret_cast<void**>(&fixed), &size)) << name;
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, (DWORD{FC_EXPECTED_MAJOR} << 16) | FC_EXPECTED_MINOR) << name;
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS) << name;
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL)) << name;

    DWORD* translations = nullptr;
    ASSERT_TRUE(VerQueryValueW(resource.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                               &size));
    ASSERT_EQ(size, 8u) << name;
    EXPECT_EQ(translations[0], 0x04B00409u);
    EXPECT_EQ(translations[1], 0x04B00411u);

    for (const wchar_t* block : {L"040904B0", L"041104B0"}) {
      EXPECT_EQ(VersionString(resource, block, L"FileVersion"), Widen(FC_EXPECTED_VERSION)) << name;
      EXPECT_EQ(VersionString(resource, block, L"ProductVersion"), Widen(FC_EXPECTED_VERSION)) << name;
      EXPECT_EQ(VersionString(resource, block, L"InternalName"), Widen(name));
      EXPECT_EQ(VersionString(resource, block, L"OriginalFilename"), Widen(FileOf(name)));
      EXPECT_EQ(VersionString(resource, block, L"FileDescription").compare(0, strlen(name) + 2, Widen(name) + L": "), 0)
          << name;
    }
    EXPECT_EQ(VersionString(resource, L"040904B0", L"ProductName"), L"F&C plug-ins for Susie");
    // The Japanese block holds Japanese text as UTF-16, whatever the ANSI code page.
    EXPECT_EQ(VersionString(resource, L"041104B0", L"ProductName"), L"F&C Susie プラグイン");
    EXPECT_NE(VersionString(resource, L"041104B0", L"FileDescription").find(L"プラグイン"), std::wstring::npos) << name;
  }
}
