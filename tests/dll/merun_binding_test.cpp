// Where Merun finds Palvo.spi. These tests run from a copy of the test
// program in a directory of its own (no Palvo.spi beside it), with
// FC_PLUGIN_DIR naming the directory of the built plug-ins.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tests/dll/archive_host.h"
#include "tests/dll/dialog_driver.h"

namespace {

const char HostPluginKey[] = "Software\\Harkimo\\Susie\\Plug-in";

std::string PluginSource() {
  const char* directory = std::getenv("FC_PLUGIN_DIR");
  std::string source = directory != nullptr ? directory : "";
  if (!source.empty() && source.back() != '\\') source += '\\';
  return source;
}

std::string Normalised(std::string path) {
  std::transform(path.begin(), path.end(), path.begin(), [](char c) { return c == '/' ? '\\' : std::tolower(c); });
  for (size_t at; (at = path.find("\\\\")) != std::string::npos;) path.erase(at, 1);
  return path;
}

void SetHostPath(DWORD type, const std::string& value) {
  HKEY key;
  RegCreateKeyExA(HKEY_CURRENT_USER, HostPluginKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  RegSetValueExA(key, "Path", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

void ClearHostPath() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, HostPluginKey, 0, KEY_SET_VALUE, &key) == 0) {
    RegDeleteValueA(key, "Path");
    RegCloseKey(key);
  }
}

class MerunBinding : public ::testing::Test {
 protected:
  void SetUp() override {
    if (FileExists(ProgramDirectory() + "Palvo" PLUGIN_EXTENSION) || PluginSource().empty()) {
      GTEST_SKIP() << "needs a test program without Palvo.spi beside it, and FC_PLUGIN_DIR";
    }
    StoreIpqFormat(1); // a bound Palvo shows IPQ files itself; an absent one leaves them to Merun
    ClearHostPath();
  }
  void TearDown() override {
    if (merun != nullptr) FreeLibrary(merun);
    ClearHostPath();
    RemoveIpqFormat();
    SetCurrentDirectoryA(ProgramDirectory().c_str());
  }
  // A fresh directory holding copies of the named plug-ins; ends in '\'.
  std::string Layout(const std::string& name, std::initializer_list<const char*> plugins) {
    const std::string directory = FreshDirectory(name);
    for (const char* plugin : plugins) {
      EXPECT_TRUE(CopyFileA((PluginSource() + plugin).c_str(), (directory + plugin).c_str(), FALSE)) << plugin;
    }
    return directory;
  }
  // Loads Merun from `directory`; the path of the Palvo it bound, or "".
  std::string LoadMerunFrom(const std::string& directory) {
    merun = LoadLibraryA((directory + "Merun" PLUGIN_EXTENSION).c_str());
    EXPECT_NE(merun, nullptr);
    HMODULE palvo = GetModuleHandleA("Palvo" PLUGIN_EXTENSION);
    if (palvo == nullptr) return "";
    char path[MAX_PATH] = {};
    GetModuleFileNameA(palvo, path, MAX_PATH);
    return Normalised(path);
  }
  int32_t ProbeIpq() {
    auto isSupported = reinterpret_cast<int32_t(__stdcall*)(const char*, uintptr_t)>(
        reinterpret_cast<void*>(GetProcAddress(merun, "IsSupported")));
    Bytes ipq = MakeIpq(GreyPalette(), {BitmapFrame{1, 1, 0, 0, 0, {1}}});
    ipq.resize(2048);
    return isSupported("a.ipq", reinterpret_cast<uintptr_t>(ipq.data()));
  }
  void Unload() {
    FreeLibrary(merun);
    merun = nullptr;
    EXPECT_EQ(GetModuleHandleA("Palvo" PLUGIN_EXTENSION), nullptr) << "Merun releases Palvo when unloaded";
  }
  HMODULE merun = nullptr;
};

} // namespace

TEST_F(MerunBinding, TheCopyBesideMerunComesFirst) {
  const std::string beside = Layout("bind_beside", {"Merun" PLUGIN_EXTENSION, "Palvo" PLUGIN_EXTENSION});
  const std::string hostDirectory = Layout("bind_host_dir", {"Palvo" PLUGIN_EXTENSION});
  SetHostPath(REG_SZ, hostDirectory);
  EXPECT_EQ(LoadMerunFrom(beside), Normalised(beside + "Palvo" PLUGIN_EXTENSION));
  EXPECT_EQ(ProbeIpq(), 0) << "bound Palvo shows IPQ files itself in mode 1";
  Unload();
}

TEST_F(MerunBinding, ThenTheHostsPluginDirectory) {
  const std::string alone = Layout("bind_alone", {"Merun" PLUGIN_EXTENSION});
  const std::string hostDirectory = Layout("bind_host_only", {"Palvo" PLUGIN_EXTENSION});
  for (const std::string& path : {hostDirectory.substr(0, hostDirectory.size() - 1), hostDirectory}) {
    SetHostPath(REG_SZ, path);
    EXPECT_EQ(LoadMerunFrom(alone), Normalised(hostDirectory + "Palvo" PLUGIN_EXTENSION)) << path;
    EXPECT_EQ(ProbeIpq(), 0);
    Unload();
  }
  // Only a plain string names the directory.
  SetHostPath(REG_EXPAND_SZ, hostDirectory);
  EXPECT_EQ(LoadMerunFrom(alone), "");
  EXPECT_EQ(ProbeIpq(), 2) << "without Palvo every IPQ file is an archive";
  Unload();
}

TEST_F(MerunBinding, NeverFromTheCurrentDirectory) {
  const std::string alone = Layout("bind_cwd_merun", {"Merun" PLUGIN_EXTENSION});
  const std::string current = Layout("bind_cwd", {"Palvo" PLUGIN_EXTENSION});
  ASSERT_TRUE(SetCurrentDirectoryA(current.c_str()));
  // A plain bare-name load would take the copy in the current directory.
  HMODULE plain = LoadLibraryA("Palvo" PLUGIN_EXTENSION);
  ASSERT_NE(plain, nullptr);
  FreeLibrary(plain);
  ASSERT_EQ(GetModuleHandleA("Palvo" PLUGIN_EXTENSION), nullptr);
  EXPECT_EQ(LoadMerunFrom(alone), "");
  EXPECT_EQ(ProbeIpq(), 2);
  Unload();
}

TEST_F(MerunBinding, WithoutPalvoTheDialogIsAWarning) {
  const std::string alone = Layout("bind_warning", {"Merun" PLUGIN_EXTENSION});
  ASSERT_EQ(LoadMerunFrom(alone), "");
  auto configure = reinterpret_cast<int32_t(__stdcall*)(HWND, int32_t)>(
      reinterpret_cast<void*>(GetProcAddress(merun, "ConfigurationDlg")));
  ASSERT_NE(configure, nullptr);
  HWND parent = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300, 200, nullptr,
                                nullptr, nullptr, nullptr);
  for (int32_t code : {1, 2}) {
    DialogVisit box;
    box.Act = [](HWND window) { Click(window, IDOK); };
    EXPECT_EQ(WhileVisiting(&box, [&] { return configure(parent, code); }), -1) << code;
    ASSERT_TRUE(box.Found) << code;
    EXPECT_EQ(box.Caption, L"Warning");
#ifdef _WIN64
    EXPECT_EQ(box.MessageText, L"Not Installed \"PALVO.SPH\"");
#else
    EXPECT_EQ(box.MessageText, L"Not Installed \"PALVO.SPI\"");
#endif
    EXPECT_EQ(box.Owner, parent);
  }
  // Code 0 is Merun's own About box, which says that Palvo is missing (in
  // Japanese: the host's language value is not set here).
  DialogVisit about;
  about.Act = [](HWND window) { Click(window, IDOK); };
  EXPECT_EQ(WhileVisiting(&about, [&] { return configure(parent, 0); }), 0);
  ASSERT_TRUE(about.Found);
  EXPECT_EQ(about.Owner, parent);
  EXPECT_NE(about.MessageText.find(L"Palvo と連携していません"), std::wstring::npos) << about.MessageText;
  DestroyWindow(parent);
  Unload();
}
