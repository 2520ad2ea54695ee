// Dosek's and Merun's Unicode entry points: archives listed, searched and
// extracted through paths the ANSI code page cannot hold, member names
// (code page 932 bytes in the archive) handed out and written as UTF-16.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/dll/unicode_host.h"
#include "writers/ipf_encoder.h"
#include "writers/vfs_writer.h"

namespace {

using Calls = std::vector<std::pair<int32_t, int32_t>>;

constexpr uint32_t ToMemory = 0x100;
constexpr uint32_t IgnoreCase = 0x80;
constexpr uint32_t ArchiveOffset = 1000;

// Member names as the archive stores them, in code page 932.
const std::string Gazou = "\x89\xE6\x91\x9C.IPF";                  // 画像.IPF
const std::string Pusk = "\x84\x50\x84\x85\x84\x83\x84\x7B.txt";    // Пуск.txt
const std::string Hyou = "\x95\x5C.bin";                           // 表.bin: trail byte 0x5C

Bytes Numbered(size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 37);
  return bytes;
}

std::vector<VfsMember> Members() {
  return {{Gazou, Numbered(3000, 1)}, {Pusk, Numbered(700, 2)}, {Hyou, Numbered(5, 3)}, {"PLAIN.DAT", {}}};
}
const wchar_t* const WideNames[] = {L"画像.IPF", L"Пуск.txt", L"表.bin", L"PLAIN.DAT"};

Bytes AtOffset(const Bytes& archive) {
  Bytes file(ArchiveOffset + archive.size(), 0xEE);
  std::copy(archive.begin(), archive.end(), file.begin() + ArchiveOffset);
  return file;
}


std::wstring Text(const wchar_t* field) {
  size_t length = 0;
  while (length < 200 && field[length] != L'\0') ++length;
  return std::wstring(field, length);
}

// The classic record and the wide one describe the same member.
void ExpectSameMember(const HostFileInfo& narrow, const HostFileInfoW& wide, const std::wstring& name) {
  EXPECT_EQ(std::memcmp(narrow.Method, wide.Method, sizeof wide.Method), 0) << Utf8(name);
  EXPECT_EQ(narrow.Position, wide.Position) << Utf8(name);
  EXPECT_EQ(narrow.CompressedSize, wide.CompressedSize) << Utf8(name);
  EXPECT_EQ(narrow.FileSize, wide.FileSize) << Utf8(name);
  EXPECT_EQ(narrow.Timestamp, wide.Timestamp) << Utf8(name);
  EXPECT_EQ(narrow.Crc, wide.Crc) << Utf8(name);
  EXPECT_EQ(Text(wide.Path), L"") << Utf8(name);
  EXPECT_EQ(Text(wide.FileName), name);
}

struct Tracked {
  Calls Seen;
  int StopAt = -1;
};

int32_t __stdcall Track(int32_t done, int32_t total, intptr_t userData) {
  Tracked* tracked = reinterpret_cast<Tracked*>(userData);
  tracked->Seen.emplace_back(done, total);
  return static_cast<int>(tracked->Seen.size()) - 1 == tracked->StopAt ? 1 : 0;
}

class UnicodeArchiveTest : public ::testing::Test {
 protected:
  void TearDown() override {
    UnloadArchivePlugin(&classic);
    RemoveIpqFormat();
  }
  void Load(const char* file) {
    ASSERT_TRUE(LoadArchivePlugin(file, &classic));
    ASSERT_TRUE(ResolveWideArchive(classic.Module, &wide));
  }
  ArchiveApi classic;
  WideArchiveApi wide;
};

class UnicodeDosek : public UnicodeArchiveTest {
 protected:
  void SetUp() override {
    Load("Dosek" PLUGIN_EXTENSION);
    directory = FreshWideDirectory(UnrepresentableName);
    ASSERT_TRUE(AnsiCannotHold(directory));
    archive = directory + L"Архив_🎨_書庫.vfs";
    ASSERT_TRUE(WriteWideFile(archive, AtOffset(MakeVfs(Members()))));
  }
  int32_t ToDisk(size_t entry, const std::wstring& dest, Tracked* tracked = nullptr);
  std::wstring directory, archive;
};

int32_t UnicodeDosek::ToDisk(size_t entry, const std::wstring& dest, Tracked* tracked) {
  return wide.GetFileW(archive.c_str(), ArchiveOffset + VfsEntryPosition(entry), dest.c_str(), 0,
                       tracked ? Track : nullptr, reinterpret_cast<intptr_t>(tracked));
}

Bytes OnDisk(const std::wstring& path) {
  Bytes bytes;
  EXPECT_TRUE(ReadWideFile(path, &bytes)) << Utf8(path);
  return bytes;
}

} // namespace

TEST_F(UnicodeDosek, ListingHandsOutUtf16RecordsOfTheWideLayout) {
  HLOCAL handle = nullptr;
  ASSERT_EQ(wide.GetArchiveInfoW(archive.c_str(), ArchiveOffset, 0, &handle), 0);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(LocalFlags(handle) & LMEM_LOCKCOUNT, 0u) << "handed over unlocked";
  EXPECT_EQ(LocalSize(handle), 5 * sizeof(HostFileInfoW)) << "four records and the terminator";
  // The names sit where the host reads them: 200 UTF-16 units each after the four words.
  const Bytes raw = BlockBytes(handle);
  const size_t pathAt = 8 + 4 * sizeof(uintptr_t);
  const size_t nameAt = pathAt + 400;
  EXPECT_EQ(raw[nameAt], 0x3B);     // 画 is U+753B
  EXPECT_EQ(raw[nameAt + 1], 0x75);
  EXPECT_EQ(raw[sizeof(HostFileInfoW) + nameAt], 0x1F); // П is U+041F
  EXPECT_EQ(raw[pathAt], 0);
  bool terminated = false;
  const std::vector<HostFileInfoW> records = ReadRecordsOf<HostFileInfoW>(handle, &terminated);
  LocalFree(handle);
  EXPECT_TRUE(terminated);
  ASSERT_EQ(records.size(), 4u);

  // The classic listing of an ASCII-named copy: the same members, names as bytes.
  const std::string copy = WriteScratchFile("unicode_copy.vfs", AtOffset(MakeVfs(Members())));
  ASSERT_EQ(classic.GetArchiveInfo(copy.c_str(), ArchiveOffset, 0, &handle), 0);
  const std::vector<HostFileInfo> narrow = ReadRecords(handle, &terminated);
  LocalFree(handle);
  ASSERT_EQ(narrow.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    ExpectSameMember(narrow[i], records[i], WideNames[i]);
    EXPECT_EQ(records[i].Position, ArchiveOffset + VfsEntryPosition(i));
    EXPECT_EQ(records[i].FileSize, Members()[i].Data.size());
  }
  EXPECT_EQ(std::memcmp(records[0].Method, "-vfs-\0\0\0", 8), 0);
}

TEST_F(UnicodeDosek, ListingFromMemoryAndTheRefusals) {
  const Bytes image = MakeVfs(Members());
  HLOCAL handle = nullptr;
  ASSERT_EQ(wide.GetArchiveInfoW(reinterpret_cast<const wchar_t*>(image.data()), 12345, 1, &handle), 0);
  bool terminated = false;
  const std::vector<HostFileInfoW> records = ReadRecordsOf<HostFileInfoW>(handle, &terminated);
  LocalFree(handle);
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[3].Position, VfsEntryPosition(3)) << "memory input adds no offset";
  EXPECT_EQ(Text(records[1].FileName), L"Пуск.txt");

  // An empty archive: only the terminator.
  const std::wstring empty = directory + L"пусто.vfs";
  ASSERT_TRUE(WriteWideFile(empty, MakeVfs({})));
  ASSERT_EQ(wide.GetArchiveInfoW(empty.c_str(), 0, 0, &handle), 0);
  EXPECT_EQ(LocalSize(handle), sizeof(HostFileInfoW));
  EXPECT_EQ(BlockBytes(handle), Bytes(sizeof(HostFileInfoW), 0));
  LocalFree(handle);

  // Every refusal leaves the variable null, as the classic export does.
  handle = reinterpret_cast<HLOCAL>(7);
  EXPECT_EQ(wide.GetArchiveInfoW((directory + L"нет.vfs").c_str(), 0, 0, &handle), 6);
  EXPECT_EQ(handle, nullptr);
  handle = reinterpret_cast<HLOCAL>(7);
  EXPECT_EQ(wide.GetArchiveInfoW(archive.c_str(), ArchiveOffset, 2, &handle), -1);
  EXPECT_EQ(handle, nullptr);
  handle = reinterpret_cast<HLOCAL>(7);
  EXPECT_EQ(wide.GetArchiveInfoW(archive.c_str(), 0, 0, &handle), 2) << "no archive at offset 0";
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(wide.GetArchiveInfoW(archive.c_str(), ArchiveOffset, 0, nullptr), 5);
}

TEST_F(UnicodeDosek, FindComparesUtf16NamesWithAndWithoutCase) {
  HostFileInfoW info;
  std::memset(&info, 0x55, sizeof info);
  ASSERT_EQ(wide.GetFileInfoW(archive.c_str(), ArchiveOffset, L"画像.IPF", 0, &info), 0);
  EXPECT_EQ(Text(info.FileName), L"画像.IPF");
  EXPECT_EQ(Text(info.Path), L"");
  EXPECT_EQ(info.Position, ArchiveOffset + VfsEntryPosition(0));
  EXPECT_EQ(info.FileSize, 3000u);
  EXPECT_EQ(info.FileName[8], L'\0');
  EXPECT_EQ(info.FileName[199], L'\0') << "the rest of the field is zero";

  EXPECT_EQ(wide.GetFileInfoW(archive.c_str(), ArchiveOffset, L"画像.ipf", 0, &info), 2);
  EXPECT_EQ(wide.GetFileInfoW(archive.c_str(), ArchiveOffset, L"画像.ipf", IgnoreCase, &info), 0);
  // Cyrillic letters fold their case too.
  EXPECT_EQ(wide.GetFileInfoW(archive.c_str(), ArchiveOffset, L"пУСК.TXT", 0, &info), 2);
  ASSERT_EQ(wide.GetFileInfoW(archive.c_str(), ArchiveOffset, L"пУСК.TXT", IgnoreCase, &info), 0);
  EXPECT_EQ(Text(info.FileName), L"Пуск.txt");
  EXPECT_EQ(info.Position, ArchiveOffset + VfsEntryPosition(1));
  ASSERT_EQ(wide.GetFileInfoW(archive.c_str(), ArchiveOffset, L"表.bin", 0, &info), 0);
  EXPECT_EQ(info.FileSize, 5u);
  EXPECT_EQ(wide.GetFileInfoW(archive.c_str(), ArchiveOffset, L"表", 0, &info), 2) << "whole names only";
  EXPECT_EQ(wide.GetFileInfoW(archive.c_str(), ArchiveOffset, nullptr, 0, &info), 2);

  // Memory input finds without an offset.
  const Bytes image = MakeVfs(Members());
  ASSERT_EQ(wide.GetFileInfoW(reinterpret_cast<const wchar_t*>(image.data()), 0, L"plain.dat", IgnoreCase | 1, &info),
            0);
  EXPECT_EQ(info.Position, VfsEntryPosition(3));
  EXPECT_EQ(Text(info.FileName), L"PLAIN.DAT");
}

TEST_F(UnicodeDosek, FindRefusalsAndTheRecordLeftBehind) {
  HostFileInfoW info;
  static const HostFileInfoW zero{};
  std::memset(&info, 0x55, sizeof info);
  EXPECT_EQ(wide.GetFileInfoW((directory + L"нет.vfs").c_str(), 0, L"画像.IPF", 0, &info), 6);
  EXPECT_EQ(std::memcmp(&info, &zero, sizeof info), 0) << "the whole wide record is cleared";
  std::memset(&info, 0x55, sizeof info);
  EXPECT_EQ(wide.GetFileInfoW(archive.c_str(), ArchiveOffset, L"画像.IPF", 3, &info), -1);
  EXPECT_EQ(std::memcmp(&info, &zero, sizeof info), 0);

  // A record that is not writable in full: 5, nothing written.
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  uint8_t* pages =
      static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * system.dwPageSize, MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  DWORD old = 0;
  ASSERT_TRUE(VirtualProtect(pages + system.dwPageSize, system.dwPageSize, PAGE_READONLY, &old));
  // The classic record would fit before the read-only page; the wide one does not.
  uint8_t* at = pages + system.dwPageSize - sizeof(HostFileInfo);
  std::memset(at, 0x77, sizeof(HostFileInfo));
  EXPECT_EQ(wide.GetFileInfoW(archive.c_str(), ArchiveOffset, L"画像.IPF", 0, reinterpret_cast<HostFileInfoW*>(at)),
            5);
  EXPECT_EQ(at[0], 0x77);
  EXPECT_EQ(at[sizeof(HostFileInfo) - 1], 0x77);
  VirtualFree(pages, 0, MEM_RELEASE);
}

TEST_F(UnicodeDosek, ExtractsIntoNewUnrepresentableDirectoriesUnderUtf16Names) {
  const std::wstring dest = directory + L"出力\\Вложенный_🎨\\表\\";
  Tracked tracked;
  ASSERT_EQ(ToDisk(0, dest, &tracked), 0);
  EXPECT_EQ(tracked.Seen, (Calls{{0, 1}, {1024, 3000}, {2048, 3000}, {1, 1}}));
  EXPECT_EQ(OnDisk(dest + L"画像.IPF"), Members()[0].Data);
  // Without the trailing backslash, into the same directory.
  const std::wstring bare = dest.substr(0, dest.size() - 1);
  for (size_t entry = 1; entry < 4; ++entry) ASSERT_EQ(ToDisk(entry, bare), 0) << entry;
  EXPECT_EQ(OnDisk(dest + L"Пуск.txt"), Members()[1].Data);
  EXPECT_EQ(OnDisk(dest + L"表.bin"), Members()[2].Data);
  EXPECT_EQ(OnDisk(dest + L"PLAIN.DAT"), Bytes{});
  // Exactly the members: no temporary file left, nothing under a mangled name.
  EXPECT_EQ(WideDirectoryNames(dest), (std::vector<std::wstring>{L"PLAIN.DAT", L"Пуск.txt", L"画像.IPF", L"表.bin"}));
  EXPECT_EQ(WideDirectoryNames(directory + L"出力\\"), (std::vector<std::wstring>{L"Вложенный_🎨"}));
}

TEST_F(UnicodeDosek, TargetsThatExistAreReplacedOrLeftAsTheClassicExportLeavesThem) {
  const std::wstring dest = FreshWideDirectory(L"Замена_置換");
  ASSERT_TRUE(WriteWideFile(dest + L"Пуск.txt", {'o', 'l', 'd'}));
  ASSERT_EQ(ToDisk(1, dest), 0);
  EXPECT_EQ(OnDisk(dest + L"Пуск.txt"), Members()[1].Data);

  ASSERT_TRUE(WriteWideFile(dest + L"画像.IPF", {'o', 'l', 'd'}));
  SetFileAttributesW((dest + L"画像.IPF").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(ToDisk(0, dest), 9);
  EXPECT_EQ(OnDisk(dest + L"画像.IPF"), (Bytes{'o', 'l', 'd'}));
  SetFileAttributesW((dest + L"画像.IPF").c_str(), FILE_ATTRIBUTE_NORMAL);

  // Cancelled during the copy: a target this call created does not stay.
  Tracked tracked;
  tracked.StopAt = 1;
  DeleteFileW((dest + L"画像.IPF").c_str());
  EXPECT_EQ(ToDisk(0, dest, &tracked), 1);
  EXPECT_FALSE(WideFileExists(dest + L"画像.IPF"));
  EXPECT_EQ(WideDirectoryNames(dest), (std::vector<std::wstring>{L"Пуск.txt"}));
}

TEST_F(UnicodeDosek, ExtractsToMemoryAndFromAMemoryImage) {
  HLOCAL block = nullptr;
  Tracked tracked;
  ASSERT_EQ(wide.GetFileW(archive.c_str(), ArchiveOffset + VfsEntryPosition(0), reinterpret_cast<const wchar_t*>(&block),
                          ToMemory, Track, reinterpret_cast<intptr_t>(&tracked)),
            0);
  EXPECT_EQ(BlockBytes(block), Members()[0].Data);
  EXPECT_EQ(tracked.Seen.back(), std::make_pair(1, 1));
  LocalFree(block);

  const Bytes image = MakeVfs(Members());
  const wchar_t* entry = reinterpret_cast<const wchar_t*>(image.data() + VfsEntryPosition(2));
  ASSERT_EQ(wide.GetFileW(entry, 0, reinterpret_cast<const wchar_t*>(&block), ToMemory | 1, nullptr, 0), 0);
  Bytes expected = Members()[2].Data;
  expected.resize(2048, 0);
  EXPECT_EQ(BlockBytes(block), expected);
  LocalFree(block);

  const std::wstring dest = FreshWideDirectory(L"Из_памяти_🎨");
  ASSERT_EQ(wide.GetFileW(entry, 0, dest.c_str(), 1, nullptr, 0), 0);
  EXPECT_EQ(OnDisk(dest + L"表.bin"), Members()[2].Data);

  EXPECT_EQ(wide.GetFileW(archive.c_str(), 5, dest.c_str(), 0, nullptr, 0), 2) << "not a directory entry";
  EXPECT_EQ(wide.GetFileW(archive.c_str(), ArchiveOffset + VfsEntryPosition(0), dest.c_str(), 0x200, nullptr, 0), -1);
  EXPECT_EQ(wide.GetFileW((directory + L"нет.vfs").c_str(), 0, dest.c_str(), 0, nullptr, 0), 6);
  // To memory, every failure leaves the host's variable null.
  block = reinterpret_cast<HLOCAL>(7);
  EXPECT_EQ(wide.GetFileW((directory + L"нет.vfs").c_str(), 0, reinterpret_cast<const wchar_t*>(&block), ToMemory,
                          nullptr, 0),
            6);
  EXPECT_EQ(block, nullptr);
  block = reinterpret_cast<HLOCAL>(7);
  EXPECT_EQ(wide.GetFileW(archive.c_str(), 5, reinterpret_cast<const wchar_t*>(&block), ToMemory, nullptr, 0), 2);
  EXPECT_EQ(block, nullptr);
}

TEST_F(UnicodeDosek, UnsafeNamesAreRefusedAsTheClassicExportRefusesThem) {
  const std::vector<VfsMember> unsafe = {{"..", {1}},     {"..\\evil", {2}}, {"x/y", {3}},     {"C:z", {4}},
                                         {"CON", {5}},    {"nul.txt", {6}},  {"tab\tname", {7}}, {"", {8}},
                                         {"\x95", {9}}}; // the last: half a two-byte character
  const std::wstring path = directory + L"危険_Опасно.vfs";
  ASSERT_TRUE(WriteWideFile(path, MakeVfs(unsafe)));
  const std::string copy = WriteScratchFile("unsafe_copy.vfs", MakeVfs(unsafe));
  const std::wstring parent = FreshWideDirectory(L"Цель_対象");
  const std::wstring dest = parent + L"内側\\";
  const std::string asciiDest = ScratchDirectory() + "unsafe_ascii_dest\\";
  for (size_t i = 0; i < unsafe.size(); ++i) {
    EXPECT_EQ(wide.GetFileW(path.c_str(), VfsEntryPosition(i), dest.c_str(), 0, nullptr, 0), 9) << i;
    if (i + 1 < unsafe.size()) {
      // The two-byte rule of the last name depends on the ANSI code page; the others do not.
      EXPECT_EQ(classic.GetFile(copy.c_str(), VfsEntryPosition(i), asciiDest.c_str(), 0, nullptr, 0), 9) << i;
    }
    // To memory the name plays no part.
    HLOCAL block = nullptr;
    ASSERT_EQ(wide.GetFileW(path.c_str(), VfsEntryPosition(i), reinterpret_cast<const wchar_t*>(&block), ToMemory,
                            nullptr, 0),
              0)
        << i;
    EXPECT_EQ(BlockBytes(block)[0], unsafe[i].Data[0]);
    LocalFree(block);
  }
  // Nothing was made: not the destination, not a file beside it.
  EXPECT_TRUE(WideDirectoryNames(parent).empty());
  EXPECT_FALSE(WideFileExists(directory + L"evil"));

  // A destination longer than 259 units: refused before anything is made.
  const std::wstring tooLong = parent + L"長い\\" + std::wstring(260, L'ж');
  EXPECT_EQ(ToDisk(1, tooLong), 9);
  EXPECT_TRUE(WideDirectoryNames(parent).empty());
}

namespace {

BitmapFrame FrameOf(int width, int height, uint8_t seed) {
  Bytes pixels(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(seed + i / 3);
  BitmapFrame frame;
  frame.Width = static_cast<uint16_t>(width);
  frame.Height = static_cast<uint16_t>(height);
  frame.Left = seed;
  frame.Packing = 1;
  frame.PixelData = EncodeIpfCodes(pixels);
  return frame;
}

Bytes ThreeFrameIpq() { return MakeIpq(GreyPalette(), {FrameOf(30, 20, 1), FrameOf(45, 10, 2), FrameOf(17, 5, 3)}); }

class UnicodeMerun : public UnicodeArchiveTest {
 protected:
  void SetUp() override {
    StoreIpqFormat(0); // Palvo leaves IPQ files to Merun
    Load("Merun" PLUGIN_EXTENSION);
    directory = FreshWideDirectory(UnrepresentableName);
    archive = directory + L"Кадры_🎞_連番.ipq";
    ASSERT_TRUE(WriteWideFile(archive, ThreeFrameIpq()));
  }
  std::wstring directory, archive;
};

} // namespace

TEST_F(UnicodeMerun, FramesListedFoundAndExtractedThroughUnrepresentablePaths) {
  Bytes head = ThreeFrameIpq();
  head.resize(2048, 0);
  EXPECT_EQ(wide.IsSupportedW(archive.c_str(), reinterpret_cast<uintptr_t>(head.data())),
            classic.IsSupported("x.ipq", reinterpret_cast<uintptr_t>(head.data())));
  EXPECT_NE(wide.IsSupportedW(archive.c_str(), reinterpret_cast<uintptr_t>(head.data())), 0);

  HLOCAL handle = nullptr;
  ASSERT_EQ(wide.GetArchiveInfoW(archive.c_str(), 0, 0, &handle), 0);
  bool terminated = false;
  const std::vector<HostFileInfoW> records = ReadRecordsOf<HostFileInfoW>(handle, &terminated);
  LocalFree(handle);
  const std::string copy = WriteScratchFile("frames_copy.ipq", ThreeFrameIpq());
  ASSERT_EQ(classic.GetArchiveInfo(copy.c_str(), 0, 0, &handle), 0);
  const std::vector<HostFileInfo> narrow = ReadRecords(handle, &terminated);
  LocalFree(handle);
  ASSERT_EQ(records.size(), 3u);
  ASSERT_EQ(narrow.size(), 3u);
  const wchar_t* const names[] = {L"#00001.IPF", L"#00002.IPF", L"#00003.IPF"};
  for (size_t i = 0; i < 3; ++i) ExpectSameMember(narrow[i], records[i], names[i]);

  HostFileInfoW info{};
  ASSERT_EQ(wide.GetFileInfoW(archive.c_str(), 0, L"#00002.ipf", IgnoreCase, &info), 0);
  EXPECT_EQ(info.Position, records[1].Position);
  EXPECT_EQ(wide.GetFileInfoW(archive.c_str(), 0, L"#00002.ipf", 0, &info), 2);

  // Extracted under its UTF-16 name into a new directory, and the same bytes as the classic export gives.
  const std::wstring dest = directory + L"Кадр_2\\";
  ASSERT_EQ(wide.GetFileW(archive.c_str(), records[1].Position, dest.c_str(), 0, nullptr, 0), 0);
  EXPECT_EQ(WideDirectoryNames(dest), (std::vector<std::wstring>{L"#00002.IPF"}));
  const std::string asciiDest = ScratchDirectory() + "merun_unicode_ascii\\";
  ASSERT_EQ(classic.GetFile(copy.c_str(), narrow[1].Position, asciiDest.c_str(), 0, nullptr, 0), 0);
  Bytes classicBytes;
  ASSERT_TRUE(ReadFileBytes(asciiDest + "#00002.IPF", &classicBytes));
  EXPECT_EQ(OnDisk(dest + L"#00002.IPF"), classicBytes);

  // To memory, the same bytes again.
  HLOCAL block = nullptr;
  ASSERT_EQ(wide.GetFileW(archive.c_str(), records[1].Position, reinterpret_cast<const wchar_t*>(&block), ToMemory,
                          nullptr, 0),
            0);
  Bytes inMemory = BlockBytes(block);
  LocalFree(block);
  ASSERT_GE(inMemory.size(), classicBytes.size());
  inMemory.resize(classicBytes.size());
  EXPECT_EQ(inMemory, classicBytes);

  // And Palvo's Unicode export reads the frame from where it was written.
  PalvoApi palvo;
  ASSERT_TRUE(LoadPalvo(&palvo));
  WidePalvoApi widePalvo;
  ASSERT_TRUE(ResolveWidePalvo(palvo.Module, &widePalvo));
  struct {
    int32_t Left, Top, Width, Height;
    uint8_t Rest[16];
  } picture{};
  EXPECT_EQ(widePalvo.GetPictureInfoW((dest + L"#00002.IPF").c_str(), 0, 0, &picture), 0);
  EXPECT_EQ(picture.Width, 45);
  EXPECT_EQ(picture.Height, 10);
  UnloadPalvo(&palvo);
}
