// fcview convert ARCHIVE OUTDIR/: every picture of an archive at once, the
// broken ones reported by name while the rest are written.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/fcview/fcview_harness.h"
#include "writers/vfs_writer.h"

namespace {

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

void ExpectSamePicture(const fs::path& a, const fs::path& b) {
  const fcview::RgbImage x = ReadPng(a), y = ReadPng(b);
  EXPECT_GT(x.Width, 0) << a;
  EXPECT_EQ(x.Width, y.Width) << a;
  EXPECT_EQ(x.Height, y.Height) << a;
  EXPECT_TRUE(x.Rgb == y.Rgb) << a << " and " << b;
}

TEST(FcviewConvertArchive, EveryPictureAndEveryFrameOfTheSampleArchive) {
  ScratchDir dir;
  const RunResult run = RunFcview({"convert", Sample("pictures.vfs"), dir.Str("all") + "/"});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Err, "") << "no progress bar when stderr is not a terminal";
  EXPECT_EQ(run.Out, "converted 5 pictures of " + Sample("pictures.vfs") + " into " + dir.Str("all") + "/\n");
  EXPECT_EQ(Entries(dir / "all"), (std::vector<std::string>{"CASTLE.IPF.png", "DUSK.MCG.png", "WAVES.IPQ-00001.png",
                                                             "WAVES.IPQ-00002.png", "WAVES.IPQ-00003.png"}));
  // The same pictures as the one-file conversions give.
  ASSERT_EQ(RunFcview({"convert", Sample("dusk.mcg"), dir.Str("dusk.png")}).Exit, 0);
  ASSERT_EQ(RunFcview({"convert", "--all-frames", Sample("waves.ipq"), dir.Str("waves.png")}).Exit, 0);
  ExpectSamePicture(dir / "all/DUSK.MCG.png", dir / "dusk.png");
  for (int i = 1; i <= 3; ++i) {
    ExpectSamePicture(dir / ("all/WAVES.IPQ-0000" + std::to_string(i) + ".png"),
                      dir / ("waves-0000" + std::to_string(i) + ".png"));
  }
  // One worker or several: the same files. An archive needs no trailing '/'; --all copies the rest.
  const RunResult one = RunFcview({"convert", "--jobs", "1", "--all", Sample("pictures.vfs"), dir.Str("one")});
  ASSERT_EQ(one.Exit, 0) << one.Err;
  EXPECT_EQ(one.Out, "converted 5 pictures and copied 1 other member of " + Sample("pictures.vfs") + " into " +
                         dir.Str("one") + "\n");
  for (const std::string& name : Entries(dir / "all")) EXPECT_EQ(ReadBytes(dir / "one" / name), ReadBytes(dir / "all" / name));
  EXPECT_EQ(ReadBytes(dir / "one/README.TXT"), Text("Sample archive made by the project's own writers.\r\n"));

  // Only the members named, by name or pattern; a name that matches nothing writes nothing.
  ASSERT_EQ(RunFcview({"convert", Sample("pictures.vfs"), dir.Str("some"), "dusk.mcg", "*.ipq"}).Exit, 0);
  EXPECT_EQ(Entries(dir / "some"), (std::vector<std::string>{"DUSK.MCG.png", "WAVES.IPQ-00001.png",
                                                              "WAVES.IPQ-00002.png", "WAVES.IPQ-00003.png"}));
  const RunResult none = RunFcview({"convert", Sample("pictures.vfs"), dir.Str("none"), "dusk.mcg", "*.BMP"});
  EXPECT_EQ(none.Exit, 1);
  EXPECT_EQ(none.Err, "fcview: " + Sample("pictures.vfs") + ": no member named *.BMP\n");
  EXPECT_FALSE(fs::exists(dir / "none"));

  // A picture file into a directory: named after the file.
  ASSERT_EQ(RunFcview({"convert", Sample("waves.ipq"), dir.Str("frames") + "/"}).Exit, 0);
  EXPECT_EQ(Entries(dir / "frames"),
            (std::vector<std::string>{"waves.ipq-00001.png", "waves.ipq-00002.png", "waves.ipq-00003.png"}));
}

TEST(FcviewConvertArchive, BrokenMembersAreNamedAndTheOthersStillWritten) {
  ScratchDir dir;
  const Bytes castle = ReadBytes(Sample("sunset.ipf"));
  const Bytes dusk = ReadBytes(Sample("dusk.mcg"));
  VfsLayout layout = LayOutVfs({{"GOOD.IPF", castle},
                                {"CUT.IPF", Bytes(castle.begin(), castle.begin() + 3000)},
                                {"NOTE.TXT", Text("not a picture")},
                                {"FAKE.MCG", Text("not a picture either")},
                                {"DUSK.MCG", dusk},
                                {"PAST.IPF", castle}});
  layout.Entries[5].DataSize += 10; // its bytes run past the end of the archive
  ASSERT_TRUE(WriteFileBytes(dir.Str("broken.vfs"), WriteVfs(layout)));
  const std::string archive = dir.Str("broken.vfs");
  for (const char* jobs : {"1", "3"}) {
    const std::string out = dir.Str(std::string("out") + jobs);
    const RunResult run = RunFcview({"convert", "--jobs", jobs, archive, out});
    EXPECT_EQ(run.Exit, 1);
    std::vector<std::string> errors = Lines(run.Err);
    std::sort(errors.begin(), errors.end());
    EXPECT_EQ(errors, (std::vector<std::string>{
                          "fcview: " + archive + ": member CUT.IPF: broken data (result 3)",
                          "fcview: " + archive + ": member FAKE.MCG: not an IPF, IPQ or MCG picture",
                          "fcview: " + archive + ": member PAST.IPF: broken data (result 3)",
                      }));
    EXPECT_EQ(run.Out, "converted 2 pictures of " + archive + " into " + out + "; 3 failed\n");
    EXPECT_EQ(Entries(out), (std::vector<std::string>{"DUSK.MCG.png", "GOOD.IPF.png"})) << "no temporary file is left";
  }
  ASSERT_EQ(RunFcview({"convert", Sample("sunset.ipf"), dir.Str("sunset.png")}).Exit, 0);
  ExpectSamePicture(dir / "out1/GOOD.IPF.png", dir / "sunset.png");
}

TEST(FcviewConvertArchive, ExistingFilesAreReplacedOnlyWithForce) {
  ScratchDir dir;
  ASSERT_EQ(RunFcview({"convert", Sample("pictures.vfs"), dir.Str("out")}).Exit, 0);
  WriteFileBytes(dir.Str("out/DUSK.MCG.png"), Text("mine"));
  fs::remove(dir / "out/CASTLE.IPF.png");
  RunResult run = RunFcview({"convert", Sample("pictures.vfs"), dir.Str("out")});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(run.Err, "fcview: " + dir.Str("out") + "/DUSK.MCG.png: exists (use --force to replace it)\n");
  EXPECT_EQ(ReadBytes(dir / "out/DUSK.MCG.png"), Text("mine"));
  EXPECT_FALSE(fs::exists(dir / "out/CASTLE.IPF.png")) << "nothing is written when one output may not be";
  run = RunFcview({"convert", "--force", Sample("pictures.vfs"), dir.Str("out")});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_GT(ReadPng(dir / "out/DUSK.MCG.png").Width, 0);
  EXPECT_EQ(Entries(dir / "out").size(), 5u);

  // Options that belong to the other form of convert, and counts that are no count.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"convert", "--jobs", "0", Sample("pictures.vfs"), dir.Str("x")},
        std::vector<std::string>{"convert", "--jobs", "two", Sample("pictures.vfs"), dir.Str("x")},
        std::vector<std::string>{"convert", "--mode", "2", Sample("pictures.vfs"), dir.Str("x")},
        std::vector<std::string>{"convert", "--all", Sample("sunset.ipf"), dir.Str("x.png")}}) {
    EXPECT_EQ(RunFcview(args).Exit, 2) << args[2];
  }
  EXPECT_FALSE(fs::exists(dir / "x"));
}

// On a terminal one bar counts the pictures and is cleared at the end.
TEST(FcviewConvertArchive, ShowsOneProgressBarOnATerminal) {
  if (std::system("script -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1) to provide a terminal";
  ScratchDir dir;
  const std::string command = std::string("'") + FCVIEW_BINARY + "' convert '" + Sample("pictures.vfs") + "' '" +
                              dir.Str("out") + "'";
  const RunResult run = RunProgram("script", {"-qec", command, dir.Str("typescript")});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_NE(run.Out.find("converting ["), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("] 100% 5/5"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("converted 5 pictures"), std::string::npos) << run.Out;
}

} // namespace
