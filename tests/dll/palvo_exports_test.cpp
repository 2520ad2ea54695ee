// Palvo as a host meets it: exports, information table, setting, probe.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/dll/plugin_library.h"

namespace {

class PalvoExports : public ::testing::Test {
 protected:
  void TearDown() override {
    UnloadPalvo(&api);
    RemoveIpqFormat();
  }
  void Reload() {
    UnloadPalvo(&api);
    ASSERT_TRUE(LoadPalvo(&api));
  }
  void ReloadWithMode(int32_t mode) {
    StoreIpqFormat(mode);
    Reload();
  }
  std::string Info(int32_t index, int32_t length = 64, int32_t* result = nullptr) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    const int32_t copied = api.GetPluginInfo(index, buffer, length);
    if (result != nullptr) *result = copied;
    return std::string(buffer, strnlen(buffer, sizeof buffer));
  }
  PalvoApi api;
};

struct ExportEntry {
  const char* Name;
  int Ordinal;
  int ArgumentCount;
};
const ExportEntry PalvoExportTable[] = {
    {"GetIpqFormat", 1, 0}, {"ConfigurationDlg", 2, 2}, {"GetPreview", 3, 7}, {"GetPictureInfo", 4, 4},
    {"GetPicture", 5, 7},   {"IsSupported", 6, 2},      {"GetPluginInfo", 7, 3},
};

} // namespace

TEST_F(PalvoExports, ExportedByNameAndOrdinalAndRemoveTheirArguments) {
  Reload();
  for (const ExportEntry& entry : PalvoExportTable) {
    const FARPROC byName = GetProcAddress(api.Module, entry.Name);
    ASSERT_NE(byName, nullptr) << entry.Name;
    EXPECT_EQ(GetProcAddress(api.Module, MAKEINTRESOURCEA(entry.Ordinal)), byName) << entry.Name;
    // Zero arguments are harmless to every export, they answer "nothing",
    // but for ConfigurationDlg, whose function code 0 opens the About box:
    // there a code of -1, which shows nothing.
#if defined(__i386__)
    const bool dialog = std::string(entry.Name) == "ConfigurationDlg";
    EXPECT_EQ(StackBytesLeftByCall(byName, entry.ArgumentCount, dialog ? 0xFFFFFFFFu : 0), 0) << entry.Name;
#endif
  }
  const std::string decorated = "GetPicture@28";
  EXPECT_EQ(GetProcAddress(api.Module, decorated.c_str()), nullptr);
}

TEST_F(PalvoExports, InformationTableFollowsTheDisplayMode) {
  RemoveIpqFormat();
  Reload();
  int32_t result = 0;
  EXPECT_EQ(Info(0, 64, &result), "00IN");
  EXPECT_EQ(result, 4);
  EXPECT_EQ(Info(2, 64, &result), "*.ipf;*.mcg;*.clm");
  EXPECT_EQ(result, 17);
  EXPECT_EQ(Info(3), "F&C Picture Format (*.ipf;*.mcg)");
  EXPECT_EQ(Info(0, 3, &result), "00");
  EXPECT_EQ(result, 2);
  for (int32_t mode = 1; mode <= 4; ++mode) {
    ReloadWithMode(mode);
    EXPECT_EQ(Info(2, 64, &result), "*.ipf;*.ipq;*.mcg;*.clm");
    EXPECT_EQ(result, 23);
    EXPECT_EQ(Info(3), "F&C Picture Format (*.ipf;*.ipq;*.mcg)");
  }
}

TEST_F(PalvoExports, RefusedInformationCallsLeaveTheBuffer) {
  Reload();
  for (int32_t index : {-1, 4}) {
    int32_t result = 1;
    EXPECT_EQ(Info(index, 64, &result).substr(0, 4), "####");
    EXPECT_EQ(result, 0);
  }
  for (int32_t length : {0, -1}) {
    int32_t result = 1;
    EXPECT_EQ(Info(0, length, &result).substr(0, 4), "####");
    EXPECT_EQ(result, 0);
  }
}

TEST_F(PalvoExports, DisplayModeIsReadWhenLoaded) {
  RemoveIpqFormat();
  Reload();
  EXPECT_EQ(api.GetIpqFormat(), 0);
  ReloadWithMode(4);
  EXPECT_EQ(api.GetIpqFormat(), 4);
  StoreIpqFormat(2);
  EXPECT_EQ(api.GetIpqFormat(), 4) << "read once, at load";
  for (int32_t bad : {5, -1}) {
    ReloadWithMode(bad);
    EXPECT_EQ(api.GetIpqFormat(), 0) << bad;
  }
  const char text[] = "3";
  StoreIpqFormatValue(REG_SZ, text, sizeof text);
  Reload();
  EXPECT_EQ(api.GetIpqFormat(), 0);
  const uint64_t wide = 3;
  StoreIpqFormatValue(REG_QWORD, &wide, sizeof wide);
  Reload();
  EXPECT_EQ(api.GetIpqFormat(), 0);
}

TEST_F(PalvoExports, PreviewAndUnknownConfigurationCodesAreNotSupported) {
  Reload();
  HLOCAL info = reinterpret_cast<HLOCAL>(0x1234);
  HLOCAL pixels = reinterpret_cast<HLOCAL>(0x5678);
  EXPECT_EQ(api.GetPreview("x", 0, 0, &info, &pixels, nullptr, 0), -1);
  EXPECT_EQ(info, reinterpret_cast<HLOCAL>(0x1234));
  EXPECT_EQ(pixels, reinterpret_cast<HLOCAL>(0x5678));
  // Code 0 is the About box and 1 the settings (the dialog tests); others show nothing.
  EXPECT_EQ(api.ConfigurationDlg(nullptr, -1), -1);
  EXPECT_EQ(api.ConfigurationDlg(nullptr, 2), -1);
}

namespace {

Bytes SampleIpf() { return MakeIpf(GreyPalette(), BitmapFrame{3, 2, 0, 0, 0, {1, 2, 3, 4, 5, 6}}); }
Bytes SampleIpq() { return MakeIpq(GreyPalette(), {BitmapFrame{1, 1, 0, 0, 0, {9}}}); }
Bytes SampleMcg() {
  McgFile mcg;
  mcg.Width = 4;
  mcg.Height = 1;
  mcg.UnpackedSize = 4;
  mcg.Packed = McgLiteralStream({1, 2, 3, 4});
  return MakeMcg(mcg);
}

HANDLE OpenForHost(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

} // namespace

TEST_F(PalvoExports, ProbeThroughAFileHandleRestoresThePosition) {
  Reload();
  Bytes padded(100, 0);
  const Bytes ipf = SampleIpf();
  padded.insert(padded.end(), ipf.begin(), ipf.end());
  const std::string path = WriteScratchFile("probe.bin", padded);
  const HANDLE file = OpenForHost(path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(api.IsSupported(path.c_str(), reinterpret_cast<uintptr_t>(file)), 0);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 0u);
  SetFilePointer(file, 100, nullptr, FILE_BEGIN);
  EXPECT_EQ(api.IsSupported(path.c_str(), reinterpret_cast<uintptr_t>(file)), 1);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 100u);
  SetFilePointer(file, 0, nullptr, FILE_END);
  EXPECT_EQ(api.IsSupported(path.c_str(), reinterpret_cast<uintptr_t>(file)), 0);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), padded.size());
  CloseHandle(file);

  // Shorter than the 12 bytes that tell the kind: unsupported, whatever the
  // buffer held before.
  const std::string shortPath = WriteScratchFile("short.ipf", Bytes(ipf.begin(), ipf.begin() + 11));
  const HANDLE shortFile = OpenForHost(shortPath);
  EXPECT_EQ(api.IsSupported(shortPath.c_str(), reinterpret_cast<uintptr_t>(shortFile)), 0);
  CloseHandle(shortFile);
}

TEST_F(PalvoExports, ProbeOfMemoryByKindAndMode) {
  for (int32_t mode : {0, 1, 4}) {
    ReloadWithMode(mode);
    Bytes ipf = SampleIpf(), ipq = SampleIpq(), mcg = SampleMcg();
    ipf.resize(2048);
    ipq.resize(2048);
    mcg.resize(2048);
    EXPECT_EQ(api.IsSupported("a.ipf", reinterpret_cast<uintptr_t>(ipf.data())), 1);
    EXPECT_EQ(api.IsSupported("a.ipq", reinterpret_cast<uintptr_t>(ipq.data())), mode == 0 ? 0 : 2);
    EXPECT_EQ(api.IsSupported("a.mcg", reinterpret_cast<uintptr_t>(mcg.data())), 3);
    const Bytes other(2048, 'R');
    EXPECT_EQ(api.IsSupported("a.clm", reinterpret_cast<uintptr_t>(other.data())), 0);
  }
}

TEST_F(PalvoExports, ProbeOfMemoryNeverFaults) {
  Reload();
  // One readable page followed by a no-access page: a pointer 10 bytes before
  // the boundary has fewer than 64 readable bytes.
  uint8_t* pages = static_cast<uint8_t*>(VirtualAlloc(nullptr, 8192, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  DWORD old;
  ASSERT_TRUE(VirtualProtect(pages + 4096, 4096, PAGE_NOACCESS, &old));
  const Bytes ipf = SampleIpf();
  std::memcpy(pages + 4096 - 64, ipf.data(), 64);
  EXPECT_EQ(api.IsSupported("x", reinterpret_cast<uintptr_t>(pages + 4096 - 64)), 1);
  std::memcpy(pages + 4096 - 10, ipf.data(), 10);
  EXPECT_EQ(api.IsSupported("x", reinterpret_cast<uintptr_t>(pages + 4096 - 10)), 0);
  EXPECT_EQ(api.IsSupported("x", reinterpret_cast<uintptr_t>(pages + 4096)), 0);
  VirtualFree(pages, 0, MEM_RELEASE);
}
