// The Windows build of fcview under Wine, against the native build: the same
// descriptions, the same pictures (through its own PNG writer, as the Windows
// build has no libpng), the same members. Runs when FCVIEW_WINDOWS_BINARY
// names fcview.exe.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/fcview/fcview_harness.h"
#include "tools/writers/vfs_writer.h"

namespace {

class FcviewWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* exe = std::getenv("FCVIEW_WINDOWS_BINARY");
    if (exe == nullptr || *exe == '\0') GTEST_SKIP() << "FCVIEW_WINDOWS_BINARY is not set";
    Exe = exe;
  }
  RunResult Wine(const std::vector<std::string>& args) { return RunProgram(Exe, args, "wine"); }
  std::string Exe;
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

} // namespace
