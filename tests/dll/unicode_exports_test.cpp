// The Unicode entry points as a host finds them: by name and by ordinal
// beside the classic ones, stdcall, the information table as UTF-16 and the
// probe, each answering as its classic twin does.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/dll/unicode_host.h"
#include "writers/vfs_writer.h"

namespace {

struct ExportEntry {
  const char* Name;
  int Ordinal;
  int ArgumentCount;
};

struct PluginExports {
  const char* File;
  std::vector<ExportEntry> Entries;
};

// Classic exports keep their ordinals; the Unicode ones follow them.
const PluginExports Plugins[] = {
    {"Palvo" PLUGIN_EXTENSION,
     {{"GetIpqFormat", 1, 0}, {"ConfigurationDlg", 2, 2}, {"GetPreview", 3, 7}, {"GetPictureInfo", 4, 4},
      {"GetPicture", 5, 7}, {"IsSupported", 6, 2}, {"GetPluginInfo", 7, 3}, {"GetPluginInfoW", 8, 3},
      {"IsSupportedW", 9, 2}, {"GetPictureInfoW", 10, 4}, {"GetPictureW", 11, 7}, {"GetPreviewW", 12, 7}}},
    {"Merun" PLUGIN_EXTENSION,
     {{"ConfigurationDlg", 1, 2}, {"GetArchiveInfo", 2, 4}, {"GetFileInfo", 3, 5}, {"GetFile", 4, 6},
      {"IsSupported", 5, 2}, {"GetPluginInfo", 6, 3}, {"GetPluginInfoW", 7, 3}, {"IsSupportedW", 8, 2},
      {"GetArchiveInfoW", 9, 4}, {"GetFileInfoW", 10, 5}, {"GetFileW", 11, 6}}},
    {"Dosek" PLUGIN_EXTENSION,
     {{"GetArchiveInfo", 1, 4}, {"GetFileInfo", 2, 5}, {"GetFile", 3, 6}, {"IsSupported", 4, 2},
      {"GetPluginInfo", 5, 3}, {"GetPluginInfoW", 6, 3}, {"IsSupportedW", 7, 2}, {"GetArchiveInfoW", 8, 4},
      {"GetFileInfoW", 9, 5}, {"GetFileW", 10, 6}}},
};

class UnicodeExports : public ::testing::Test {
 protected:
  void TearDown() override {
    for (HMODULE module : loaded) FreeLibrary(module);
    RemoveIpqFormat();
  }
  HMODULE Load(const char* file) {
    HMODULE module = LoadLibraryA((ProgramDirectory() + file).c_str());
    if (module != nullptr) loaded.push_back(module);
    return module;
  }
  std::vector<HMODULE> loaded;
};

// GetPluginInfo and GetPluginInfoW with the same index and length; the wide
// buffer starts filled with a marker so that every written unit shows.
struct InfoPair {
  int32_t Narrow, Wide;
  std::string NarrowText;
  std::wstring WideText;
  wchar_t AfterWide; // the unit after the terminator
};

template <typename NarrowFunction, typename WideFunction>
InfoPair AskBoth(NarrowFunction narrow, WideFunction wide, int32_t index, int32_t length) {
  char narrowBuffer[64];
  wchar_t wideBuffer[64];
  std::memset(narrowBuffer, '#', sizeof narrowBuffer);
  for (wchar_t& unit : wideBuffer) unit = L'#';
  InfoPair pair;
  pair.Narrow = narrow(index, narrowBuffer, length);
  pair.Wide = wide(index, wideBuffer, length);
  pair.NarrowText.assign(narrowBuffer, strnlen(narrowBuffer, sizeof narrowBuffer));
  size_t wideLength = 0;
  while (wideLength < 63 && wideBuffer[wideLength] != L'\0') ++wideLength;
  pair.WideText.assign(wideBuffer, wideLength);
  pair.AfterWide = wideBuffer[wideLength + 1];
  return pair;
}

} // namespace

TEST_F(UnicodeExports, ExportedByNameAndOrdinalAndRemoveTheirArguments) {
  for (const PluginExports& plugin : Plugins) {
    HMODULE module = Load(plugin.File);
    ASSERT_NE(module, nullptr) << plugin.File;
    for (const ExportEntry& entry : plugin.Entries) {
      const FARPROC byName = GetProcAddress(module, entry.Name);
      ASSERT_NE(byName, nullptr) << plugin.File << " " << entry.Name;
      EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(entry.Ordinal)), byName) << plugin.File << " " << entry.Name;
#if defined(__i386__)
      // Zero arguments are harmless to every export; Merun's ConfigurationDlg would show a window.
      if (std::strcmp(entry.Name, "ConfigurationDlg") != 0) {
        EXPECT_EQ(StackBytesLeftByCall(byName, entry.ArgumentCount), 0) << plugin.File << " " << entry.Name;
      }
#endif
    }
    EXPECT_EQ(GetProcAddress(module, MAKEINTRESOURCEA(static_cast<int>(plugin.Entries.size()) + 1)), nullptr)
        << plugin.File << ": no ordinal beyond the last export";
    EXPECT_EQ(GetProcAddress(module, "GetPluginInfoA"), nullptr) << "the classic names carry no suffix";
  }
}

TEST_F(UnicodeExports, InformationTablesAsUtf16CutByTheSameRule) {
  StoreIpqFormat(1);
  HMODULE palvo = Load("Palvo" PLUGIN_EXTENSION);
  HMODULE dosek = Load("Dosek" PLUGIN_EXTENSION);
  ASSERT_NE(palvo, nullptr);
  ASSERT_NE(dosek, nullptr);
  WidePalvoApi widePalvo;
  WideArchiveApi wideDosek;
  ASSERT_TRUE(ResolveWidePalvo(palvo, &widePalvo));
  ASSERT_TRUE(ResolveWideArchive(dosek, &wideDosek));
  typedef int32_t(__stdcall * NarrowInfo)(int32_t, char*, int32_t);
  const NarrowInfo narrowPalvo = reinterpret_cast<NarrowInfo>(reinterpret_cast<void*>(GetProcAddress(palvo, "GetPluginInfo")));
  const NarrowInfo narrowDosek = reinterpret_cast<NarrowInfo>(reinterpret_cast<void*>(GetProcAddress(dosek, "GetPluginInfo")));

  InfoPair pair = AskBoth(narrowPalvo, widePalvo.GetPluginInfoW, 2, 64);
  EXPECT_EQ(pair.Wide, 23);
  EXPECT_EQ(pair.WideText, L"*.ipf;*.ipq;*.mcg;*.clm");
  EXPECT_EQ(pair.WideText, Widen(pair.NarrowText));
  pair = AskBoth(narrowPalvo, widePalvo.GetPluginInfoW, 3, 64);
  EXPECT_EQ(pair.WideText, L"F&C Picture Format (*.ipf;*.ipq;*.mcg)");
  pair = AskBoth(narrowDosek, wideDosek.GetPluginInfoW, 3, 64);
  EXPECT_EQ(pair.Wide, pair.Narrow);
  EXPECT_EQ(pair.WideText, L"F&C Archive (*.vfs)");
  pair = AskBoth(narrowDosek, wideDosek.GetPluginInfoW, 1, 64);
  EXPECT_EQ(pair.Wide, pair.Narrow);
  EXPECT_EQ(pair.WideText, L"Dosek " FC_EXPECTED_VERSION ": F&C VFS archives");

  // The length counts wchar_t units: 5 units hold "00IN" and its NUL, 3 hold "00".
  for (int32_t length = 1; length <= 6; ++length) {
    pair = AskBoth(narrowDosek, wideDosek.GetPluginInfoW, 0, length);
    EXPECT_EQ(pair.Wide, pair.Narrow) << length;
    EXPECT_EQ(pair.WideText, Widen(pair.NarrowText)) << length;
    EXPECT_EQ(pair.Wide, length > 4 ? 4 : length - 1) << length;
    EXPECT_EQ(pair.AfterWide, L'#') << "nothing written past the terminator, length " << length;
  }
  // Refused calls leave the buffer alone and answer 0.
  for (int32_t index : {-1, 4}) {
    wchar_t buffer[8] = {L'#', L'#'};
    EXPECT_EQ(widePalvo.GetPluginInfoW(index, buffer, 8), 0);
    EXPECT_EQ(buffer[0], L'#');
    EXPECT_EQ(wideDosek.GetPluginInfoW(index, buffer, 8), 0);
    EXPECT_EQ(buffer[0], L'#');
  }
  wchar_t buffer[2] = {L'#', L'#'};
  EXPECT_EQ(wideDosek.GetPluginInfoW(0, buffer, 0), 0);
  EXPECT_EQ(buffer[0], L'#');
}

TEST_F(UnicodeExports, PalvoTableFollowsTheDisplayModeAsTheClassicOneDoes) {
  StoreIpqFormat(0);
  HMODULE palvo = Load("Palvo" PLUGIN_EXTENSION);
  WidePalvoApi api;
  ASSERT_TRUE(ResolveWidePalvo(palvo, &api));
  wchar_t buffer[64];
  EXPECT_EQ(api.GetPluginInfoW(2, buffer, 64), 17);
  EXPECT_EQ(std::wstring(buffer), L"*.ipf;*.mcg;*.clm");
  EXPECT_EQ(api.GetPluginInfoW(3, buffer, 64), 32);
  EXPECT_EQ(std::wstring(buffer), L"F&C Picture Format (*.ipf;*.mcg)");
}

TEST_F(UnicodeExports, MerunInformationTable) {
  HMODULE merun = Load("Merun" PLUGIN_EXTENSION);
  WideArchiveApi api;
  ASSERT_TRUE(ResolveWideArchive(merun, &api));
  wchar_t buffer[64];
  EXPECT_EQ(api.GetPluginInfoW(0, buffer, 64), 4);
  EXPECT_EQ(std::wstring(buffer), L"00AM");
  EXPECT_EQ(api.GetPluginInfoW(2, buffer, 64), 5);
  EXPECT_EQ(std::wstring(buffer), L"*.ipq");
  EXPECT_EQ(api.GetPluginInfoW(3, buffer, 64), 32);
  EXPECT_EQ(std::wstring(buffer), L"F&C Multi-picture Format (*.ipq)");
}

TEST_F(UnicodeExports, ProbesAnswerAsTheClassicOnesByAddressAndByHandle) {
  StoreIpqFormat(1);
  HMODULE palvo = Load("Palvo" PLUGIN_EXTENSION);
  HMODULE dosek = Load("Dosek" PLUGIN_EXTENSION);
  WidePalvoApi widePalvo;
  WideArchiveApi wideDosek;
  ASSERT_TRUE(ResolveWidePalvo(palvo, &widePalvo));
  ASSERT_TRUE(ResolveWideArchive(dosek, &wideDosek));

  // A 2 KB zero-padded head, as hosts pass it.
  Bytes vfs = MakeVfs({{"A.BIN", {1, 2, 3}}});
  vfs.resize(2048, 0);
  Bytes ipq = MakeIpq(GreyPalette(), {BitmapFrame{2, 2, 0, 0, 0, {1, 2, 3, 4}}});
  ipq.resize(2048, 0);
  const Bytes text(2048, 'x');
  EXPECT_EQ(wideDosek.IsSupportedW(L"a.vfs", reinterpret_cast<uintptr_t>(vfs.data())), 1);
  EXPECT_EQ(wideDosek.IsSupportedW(nullptr, reinterpret_cast<uintptr_t>(text.data())), 0);
  EXPECT_EQ(widePalvo.IsSupportedW(L"a.ipq", reinterpret_cast<uintptr_t>(ipq.data())), 2);
  EXPECT_EQ(widePalvo.IsSupportedW(L"a.vfs", reinterpret_cast<uintptr_t>(vfs.data())), 0);

  // Through a file handle opened under a name the ANSI code page cannot hold.
  const std::wstring directory = FreshWideDirectory(UnrepresentableName);
  const std::wstring path = directory + UnrepresentableName + L".vfs";
  ASSERT_TRUE(WriteWideFile(path, MakeVfs({{"A.BIN", {1, 2, 3}}})));
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(wideDosek.IsSupportedW(path.c_str(), reinterpret_cast<uintptr_t>(file)), 1);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 0u) << "the position is where it was";
  EXPECT_EQ(widePalvo.IsSupportedW(path.c_str(), reinterpret_cast<uintptr_t>(file)), 0);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 0u);
  CloseHandle(file);
}
