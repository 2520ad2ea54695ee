// The Windows build of fcview under Wine, against the native build: the same
// descriptions, the same pictures (through the Windows Imaging Component, as
// the Windows build has no libpng), the same members. Runs when
// FCVIEW_WINDOWS_BINARY names fcview.exe; FCVIEW_WINE names the loader when
// it is not "wine".
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/fcview/fcview_harness.h"
#include "writers/vfs_writer.h"

static void ExpectSamePixels(const fs::path& a, const fs::path& b) {
  const fcview::RgbImage x = ReadPng(a), y = ReadPng(b);
  EXPECT_GT(x.Width, 0) << a << " is read by libpng";
  EXPECT_EQ(x.Width, y.Width) << a;
  EXPECT_EQ(x.Height, y.Height) << a;
  EXPECT_TRUE(x.Rgb == y.Rgb) << a << " and " << b;
}

namespace {

class FcviewWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* exe = std::getenv("FCVIEW_WINDOWS_BINARY");
    if (exe == nullptr || *exe == '\0') GTEST_SKIP() << "FCVIEW_WINDOWS_BINARY is not set";
    Exe = exe;
    const char* loader = std::getenv("FCVIEW_WINE");
    Loader = loader != nullptr && *loader != '\0' ? loader : "wine";
  }
  // Arguments reach Wine's command line through the locale's character set: UTF-8 here.
  RunResult Wine(const std::vector<std::string>& args) { return RunProgram(Exe, args, "env LC_ALL=C.UTF-8 " + Loader); }
  std::string Exe;
  std::string Loader;
};

TEST_F(FcviewWindows, DescribesConvertsListsAndExtractsAsTheNativeBuild) {
  ScratchDir dir;
  const std::vector<std::string> info = {"info", Sample("sunset.ipf"), Sample("waves.ipq"), Sample("dusk.mcg")};
  const RunResult native = RunFcview(info);
  const RunResult windows = Wine(info);
  EXPECT_EQ(windows.Exit, 0) << windows.Err;
  EXPECT_EQ(Lines(windows.Out), Lines(native.Out));

  for (const char* sample : {"sunset.ipf", "waves.ipq", "dusk.mcg"}) {
    const std::string ours = dir.Str(std::string(sample) + ".win.png");
    const std::string theirs = dir.Str(std::string(sample) + ".native.png");
    ASSERT_EQ(Wine({"convert", Sample(sample), ours}).Exit, 0) << sample;
    ASSERT_EQ(RunFcview({"convert", Sample(sample), theirs}).Exit, 0) << sample;
    const fcview::RgbImage a = ReadPng(ours);
    const fcview::RgbImage b = ReadPng(theirs);
    ASSERT_GT(a.Width, 0) << sample << ": the Windows build's PNG is read by libpng";
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_TRUE(a.Rgb == b.Rgb) << sample;
  }

  const RunResult listed = Wine({"list", "--json", Sample("pictures.vfs")});
  EXPECT_EQ(Lines(listed.Out), Lines(RunFcview({"list", "--json", Sample("pictures.vfs")}).Out));

  ASSERT_EQ(Wine({"extract", Sample("pictures.vfs"), dir.Str("out")}).Exit, 0);
  EXPECT_EQ(ReadBytes(dir / "out/WAVES.IPQ"), ReadBytes(Sample("waves.ipq")));
  const RunResult again = Wine({"extract", Sample("pictures.vfs"), dir.Str("out")});
  EXPECT_EQ(again.Exit, 1);
  EXPECT_EQ(Lines(again.Err).size(), 1u);
  EXPECT_EQ(Entries(dir / "out").size(), 4u);
}

// Member names are code page 932 whatever the system's code page: on Windows
// they reach the file system converted to Unicode (which Wine stores as UTF-8).
TEST_F(FcviewWindows, MemberNamesAreTakenAsCodePage932) {
  ScratchDir dir;
  const Bytes data = {'s', 'o', 'f', 't'};
  ASSERT_TRUE(WriteFileBytes(dir.Str("jp.vfs"), MakeVfs({VfsMember{"\x83\x5C\x83\x74\x83\x67.TXT", data}})));
  const RunResult run = Wine({"extract", dir.Str("jp.vfs"), dir.Str("out")});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  const std::string utf8 = "\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88.TXT"; // katakana so, fu, to
  EXPECT_EQ(Entries(dir / "out"), std::vector<std::string>{utf8});
  EXPECT_EQ(ReadBytes(dir / "out" / utf8), data);
}

// Japanese names: listed, selected and extracted as the native build does,
// through the wide console, command line and file API.
TEST_F(FcviewWindows, JapaneseNamesAreListedSelectedAndExtractedAsNatively) {
  ScratchDir dir;
  const std::string gazou = "\xE7\x94\xBB\xE5\x83\x8F"; // 画像
  ASSERT_TRUE(WriteFileBytes(dir.Str("jp.vfs"), MakeVfs({{"\x89\xE6\x91\x9C.txt", {'g'}},
                                                         {"\x83\x5C.IPF", {'s'}},
                                                         {"\x80.BIN", {'o'}},
                                                         {"PLAIN.TXT", {'p'}}})));
  for (const std::vector<std::string>& args : {std::vector<std::string>{"list", dir.Str("jp.vfs")},
                                               std::vector<std::string>{"list", "--json", dir.Str("jp.vfs")}}) {
    const RunResult windows = Wine(args);
    EXPECT_EQ(windows.Exit, 0) << windows.Err;
    EXPECT_EQ(Lines(windows.Out), Lines(RunFcview(args).Out)) << args[1];
  }
  const std::vector<std::string> select = {gazou + ".TXT", "*.ipf", "%80.bin"};
  std::vector<std::string> args = {"extract", dir.Str("jp.vfs"), dir.Str("win")};
  args.insert(args.end(), select.begin(), select.end());
  const RunResult run = Wine(args);
  ASSERT_EQ(run.Exit, 0) << run.Err;
  args[2] = dir.Str("native");
  ASSERT_EQ(RunFcview(args).Exit, 0);
  EXPECT_EQ(Entries(dir / "win"), Entries(dir / "native"));
  EXPECT_EQ(Entries(dir / "win").size(), 3u);
  EXPECT_EQ(ReadBytes(dir / "win" / (gazou + ".txt")), Bytes{'g'});
}

TEST_F(FcviewWindows, ConvertsArchivesEncodesAndPacksAsTheNativeBuild) {
  ScratchDir dir;
  const RunResult converted = Wine({"convert", "--jobs", "2", Sample("pictures.vfs"), dir.Str("win")});
  ASSERT_EQ(converted.Exit, 0) << converted.Err;
  ASSERT_EQ(RunFcview({"convert", Sample("pictures.vfs"), dir.Str("native")}).Exit, 0);
  ASSERT_EQ(Entries(dir / "win"), Entries(dir / "native"));
  for (const std::string& name : Entries(dir / "native")) ExpectSamePixels(dir / "win" / name, dir / "native" / name);
  // The PNG files keep the palette and its indexes: the pictures come back as the very same files.
  ASSERT_EQ(Wine({"encode", dir.Str("win/DUSK.MCG.png"), dir.Str("dusk.mcg")}).Exit, 0);
  EXPECT_EQ(ReadBytes(dir / "dusk.mcg"), ReadBytes(Sample("dusk.mcg")));

  // PNG files of every kind the encoders take, read through the system's decoder.
  std::vector<std::pair<std::string, PngPicture>> pngs;
  for (int depth : {1, 2, 4, 8}) {
    PngPicture picture;
    picture.Width = 29;
    picture.Height = 11;
    picture.ColourType = 3;
    picture.Depth = depth;
    const uint32_t colours = depth == 8 ? 150 : 1u << depth;
    for (uint32_t i = 0; i < colours; ++i) picture.Palette.push_back((0x203040 + i * 0x050907) & 0xFFFFFF);
    for (int32_t i = 0; i < picture.Width * picture.Height; ++i) picture.Pixels.push_back(static_cast<uint32_t>(i * 7 % colours));
    pngs.push_back({"palette" + std::to_string(depth), picture});
  }
  PngPicture grey;
  grey.Width = 17;
  grey.Height = 5;
  grey.ColourType = 0;
  for (int32_t i = 0; i < 17 * 5; ++i) grey.Pixels.push_back(static_cast<uint32_t>(i * 3));
  pngs.push_back({"grey", grey});
  PngPicture rgb = grey;
  rgb.ColourType = 2;
  for (uint32_t& v : rgb.Pixels) v = v * 0x010307;
  pngs.push_back({"rgb", rgb});
  for (const auto& png : pngs) {
    ASSERT_TRUE(WritePng(dir / (png.first + ".png"), png.second));
    for (const char* ext : {".ipf", ".mcg"}) {
      const std::string in = dir.Str(png.first + ".png");
      const RunResult windows = Wine({"encode", in, dir.Str(png.first + ".win" + ext)});
      EXPECT_EQ(windows.Exit, 0) << png.first << ext << ": " << windows.Err;
      ASSERT_EQ(RunFcview({"encode", in, dir.Str(png.first + ext)}).Exit, 0);
      EXPECT_EQ(ReadBytes(dir / (png.first + ".win" + ext)), ReadBytes(dir / (png.first + ext))) << png.first << ext;
    }
  }

  // What the formats cannot hold is refused in the same words.
  PngPicture clear = rgb;
  clear.ColourType = 6;
  for (uint32_t& v : clear.Pixels) v |= 0xFF000000u;
  clear.Pixels[3] &= 0x7FFFFFFFu;
  PngPicture keyed = pngs[2].second;
  keyed.Alpha = {255, 0};
  PngPicture deep = rgb;
  deep.Depth = 16;
  for (const auto& png : {std::make_pair(std::string("clear"), clear), std::make_pair(std::string("keyed"), keyed),
                          std::make_pair(std::string("deep"), deep)}) {
    ASSERT_TRUE(WritePng(dir / (png.first + ".png"), png.second));
    const std::vector<std::string> args = {"encode", dir.Str(png.first + ".png"), dir.Str(png.first + ".mcg")};
    const RunResult windows = Wine(args);
    const RunResult native = RunFcview(args);
    EXPECT_EQ(native.Exit, 1) << png.first;
    EXPECT_EQ(windows.Exit, 1) << png.first;
    EXPECT_EQ(Lines(windows.Err), Lines(native.Err)) << png.first;
  }

  // Archives written byte for byte as natively.
  fs::create_directory(dir / "files");
  WriteFileBytes(dir.Str("files/\xE7\x94\xBB.TXT"), {'a'});
  WriteFileBytes(dir.Str("files/B.BIN"), {'b', 'b'});
  ASSERT_EQ(Wine({"pack", dir.Str("files"), dir.Str("win.vfs")}).Exit, 0);
  ASSERT_EQ(RunFcview({"pack", dir.Str("files"), dir.Str("native.vfs")}).Exit, 0);
  EXPECT_EQ(ReadBytes(dir / "win.vfs"), ReadBytes(dir / "native.vfs"));
  const RunResult replaced = Wine({"replace", Sample("pictures.vfs"), dir.Str("win2.vfs"), "dusk.mcg=" + dir.Str("rgb.mcg")});
  ASSERT_EQ(replaced.Exit, 0) << replaced.Err;
  ASSERT_EQ(RunFcview({"replace", Sample("pictures.vfs"), dir.Str("native2.vfs"), "dusk.mcg=" + dir.Str("rgb.mcg")}).Exit, 0);
  EXPECT_EQ(ReadBytes(dir / "win2.vfs"), ReadBytes(dir / "native2.vfs"));
}

} // namespace
