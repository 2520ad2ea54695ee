// fcview list and extract, end to end.
#include <gtest/gtest.h>

#include <cstdio>

#include "common/result_codes.h"
#include "container/ipq_display_mode.h"
#include "tests/fcview/fcview_harness.h"
#include "writers/vfs_writer.h"

namespace {

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// An archive whose members are small texts of known bytes.
std::vector<VfsMember> Members(const std::vector<std::string>& names) {
  std::vector<VfsMember> members;
  for (size_t i = 0; i < names.size(); ++i) {
    members.push_back(VfsMember{names[i], Text("member " + std::to_string(i) + " " + std::string(i * 700, 'x'))});
  }
  return members;
}

std::string WriteArchive(const ScratchDir& dir, const std::string& file, const std::vector<VfsMember>& members) {
  const std::string path = dir.Str(file);
  EXPECT_TRUE(WriteFileBytes(path, MakeVfs(members)));
  return path;
}

JsonValue ListJson(const std::string& archive) {
  const RunResult run = RunFcview({"list", "--json", archive});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  JsonValue json;
  EXPECT_TRUE(ParseJson(run.Out, &json)) << run.Out;
  return json;
}

TEST(FcviewList, TableShowsEveryMemberOfTheSampleArchive) {
  const RunResult run = RunFcview({"list", Sample("pictures.vfs")});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Err, "");
  const std::vector<std::string> lines = Lines(run.Out);
  ASSERT_EQ(lines.size(), 6u) << run.Out;
  EXPECT_EQ(lines[0], Sample("pictures.vfs") + ": VFS archive, 4 members");
  const std::string dusk = std::to_string(fs::file_size(Sample("dusk.mcg")));
  const std::string waves = std::to_string(fs::file_size(Sample("waves.ipq")));
  char row[128];
  std::snprintf(row, sizeof row, "%10u %10s %10s  %-8s  %s", VfsEntryPosition(2), dusk.c_str(), dusk.c_str(),
                "-vfs-", "DUSK.MCG");
  EXPECT_EQ(lines[4], row);
  std::snprintf(row, sizeof row, "%10u %10s %10s  %-8s  %s", VfsEntryPosition(3), waves.c_str(), waves.c_str(),
                "-vfs-", "WAVES.IPQ");
  EXPECT_EQ(lines[5], row);
}

TEST(FcviewList, JsonIsValidAndHoldsEveryField) {
  ScratchDir dir;
  const std::vector<VfsMember> members = Members({"A.TXT", "B.IPF", "EMPTY"});
  const std::string archive = WriteArchive(dir, "a.vfs", {members[0], members[1], VfsMember{"EMPTY", {}}});
  const JsonValue json = ListJson(archive);
  ASSERT_EQ(json.Type, JsonValue::Object);
  ASSERT_NE(json.Find("format"), nullptr);
  EXPECT_EQ(json.Find("format")->Bytes(), "vfs");
  const JsonValue* list = json.Find("members");
  ASSERT_TRUE(list != nullptr && list->Type == JsonValue::Array);
  ASSERT_EQ(list->Items.size(), 3u);
  const size_t sizes[] = {members[0].Data.size(), members[1].Data.size(), 0};
  for (size_t i = 0; i < 3; ++i) {
    const JsonValue& m = list->Items[i];
    EXPECT_EQ(m.Find("name")->Bytes(), members[i].Name);
    EXPECT_EQ(m.Find("position")->Value, VfsEntryPosition(i));
    EXPECT_EQ(m.Find("stored_size")->Value, sizes[i]);
    EXPECT_EQ(m.Find("size")->Value, sizes[i]);
    EXPECT_EQ(m.Find("method")->Bytes(), "-vfs-");
  }
  // An archive without members is an empty list.
  const JsonValue none = ListJson(WriteArchive(dir, "none.vfs", {}));
  ASSERT_NE(none.Find("members"), nullptr);
  EXPECT_EQ(none.Find("members")->Items.size(), 0u);
}

// Names are bytes of code page 932: double-byte characters (here one whose
// trail byte is '\') show as the characters they are, in JSON and in the
// table; quotes survive JSON; control characters keep a %XX escape.
TEST(FcviewList, NamesOfAnyBytesStayRecoverable) {
  ScratchDir dir;
  const std::vector<std::string> names = {"\x83\x5C\x83\x74\x83\x67.TXT", "say\"hi\".TXT", "TAB\tB\x01.TXT"};
  const std::vector<std::string> texts = {"\xE3\x82\xBD\xE3\x83\x95\xE3\x83\x88.TXT", "say\"hi\".TXT", "TAB%09B%01.TXT"};
  const std::string archive = WriteArchive(dir, "names.vfs", Members(names));
  const JsonValue json = ListJson(archive);
  ASSERT_NE(json.Find("members"), nullptr);
  ASSERT_EQ(json.Find("members")->Items.size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(json.Find("members")->Items[i].Find("name")->Utf8(), texts[i]);

  const RunResult table = RunFcview({"list", archive});
  ASSERT_EQ(table.Exit, 0);
  const std::vector<std::string> lines = Lines(table.Out);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_NE(lines[2].find("  " + texts[0]), std::string::npos) << lines[2];
  EXPECT_NE(lines[4].find("  TAB%09B%01.TXT"), std::string::npos) << lines[4];
}

TEST(FcviewList, AnIpqFileListsItsFramesAsMembers) {
  ScratchDir dir;
  const JsonValue json = ListJson(Sample("waves.ipq"));
  EXPECT_EQ(json.Find("format")->Bytes(), "ipq");
  const JsonValue* list = json.Find("members");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->Items.size(), 3u);
  // Each listed size is the size of the stand-alone file that extraction writes.
  const RunResult run = RunFcview({"extract", Sample("waves.ipq"), dir.Str("frames")});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  for (size_t i = 0; i < 3; ++i) {
    const JsonValue& m = list->Items[i];
    const std::string name = "#0000" + std::to_string(i + 1) + ".IPF";
    EXPECT_EQ(m.Find("name")->Bytes(), name);
    EXPECT_EQ(m.Find("position")->Value, i);
    EXPECT_EQ(m.Find("method")->Bytes(), "F&C ipq");
    EXPECT_EQ(m.Find("size")->Value, fs::file_size(dir / "frames" / name));
  }
}

TEST(FcviewExtract, WritesEveryMemberByteForByteAndNothingElse) {
  ScratchDir dir;
  const std::vector<VfsMember> members = Members({"ONE.TXT", "TWO.BIN", "THREE.DAT"});
  const std::string archive = WriteArchive(dir, "a.vfs", members);
  const RunResult run = RunFcview({"extract", archive, dir.Str("deep/er/out")});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Err, "") << "no progress bar when stderr is not a terminal";
  EXPECT_EQ(run.Out, "extracted 3 members of " + archive + " into " + dir.Str("deep/er/out") + "\n");
  EXPECT_EQ(Entries(dir / "deep/er/out"), (std::vector<std::string>{"ONE.TXT", "THREE.DAT", "TWO.BIN"}));
  for (const VfsMember& m : members) EXPECT_EQ(ReadBytes(dir / "deep/er/out" / m.Name), m.Data) << m.Name;

  // The sample archive holds the other samples as they are.
  const RunResult sample = RunFcview({"extract", Sample("pictures.vfs"), dir.Str("sample")});
  ASSERT_EQ(sample.Exit, 0) << sample.Err;
  EXPECT_EQ(Entries(dir / "sample"), (std::vector<std::string>{"CASTLE.IPF", "DUSK.MCG", "README.TXT", "WAVES.IPQ"}));
  EXPECT_EQ(ReadBytes(dir / "sample/DUSK.MCG"), ReadBytes(Sample("dusk.mcg")));
  EXPECT_EQ(ReadBytes(dir / "sample/WAVES.IPQ"), ReadBytes(Sample("waves.ipq")));
}

TEST(FcviewExtract, NamedMembersOnlyAsTheListShowsThem) {
  ScratchDir dir;
  const std::vector<VfsMember> members = Members({"ONE.TXT", "\x83\x5C.TXT", "THREE.DAT"});
  const std::string archive = WriteArchive(dir, "a.vfs", members);
  const std::string so = "\xE3\x82\xBD.TXT"; // katakana so, 0x83 0x5C in code page 932
  RunResult run = RunFcview({"extract", archive, dir.Str("out"), "THREE.DAT", so, "THREE.DAT"});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(Entries(dir / "out"), (std::vector<std::string>{"THREE.DAT", so}));
  EXPECT_EQ(ReadBytes(dir / "out" / so), members[1].Data);

  run = RunFcview({"extract", archive, dir.Str("other"), "ONE.TXT", "FOUR.TXT"});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(run.Err, "fcview: " + archive + ": no member named FOUR.TXT\n");
  EXPECT_FALSE(fs::exists(dir / "other"));
}

TEST(FcviewExtract, IpqFramesBecomeStandAloneIpfPictures) {
  ScratchDir dir;
  const RunResult run = RunFcview({"extract", Sample("waves.ipq"), dir.Str("frames")});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  ASSERT_EQ(Entries(dir / "frames"), (std::vector<std::string>{"#00001.IPF", "#00002.IPF", "#00003.IPF"}));
  // Frame 1, 2 and 3 decode as the IPQ's modes "first", "second" and "last" show them.
  const Bytes ipq = ReadBytes(Sample("waves.ipq"));
  const int32_t modes[] = {ShowFirst, ShowSecond, ShowLast};
  for (int i = 0; i < 3; ++i) {
    const Bytes frame = ReadBytes(dir / "frames" / ("#0000" + std::to_string(i + 1) + ".IPF"));
    EXPECT_EQ(std::string(frame.begin() + 8, frame.begin() + 12), "IPF ");
    int32_t frameResult = -99, ipqResult = -99;
    const fcview::RgbImage alone = DecodeThroughDib(frame, ShowConnected, &frameResult);
    const fcview::RgbImage shown = DecodeThroughDib(ipq, modes[i], &ipqResult);
    ASSERT_EQ(frameResult, ResultSuccess);
    ASSERT_EQ(ipqResult, ResultSuccess);
    EXPECT_EQ(alone.Width, shown.Width);
    EXPECT_TRUE(alone.Rgb == shown.Rgb) << "frame " << i + 1;
  }
}

TEST(FcviewExtract, AnExistingFileIsReplacedOnlyWithForceAndNeverWhenReadOnly) {
  ScratchDir dir;
  const std::vector<VfsMember> members = Members({"ONE.TXT", "TWO.TXT", "THREE.TXT"});
  const std::string archive = WriteArchive(dir, "a.vfs", members);
  fs::create_directory(dir / "out");
  const Bytes mine = Text("mine");
  WriteFileBytes(dir.Str("out/TWO.TXT"), mine);

  RunResult run = RunFcview({"extract", archive, dir.Str("out")});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(run.Err, "fcview: " + dir.Str("out") + "/TWO.TXT: exists (use --force to replace it)\n");
  EXPECT_EQ(Entries(dir / "out"), std::vector<std::string>{"TWO.TXT"}) << "all members or none";
  EXPECT_EQ(ReadBytes(dir / "out/TWO.TXT"), mine);

  // Asking for the others only is fine.
  run = RunFcview({"extract", archive, dir.Str("out"), "ONE.TXT"});
  EXPECT_EQ(run.Exit, 0) << run.Err;

  run = RunFcview({"extract", "--force", archive, dir.Str("out")});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(Entries(dir / "out"), (std::vector<std::string>{"ONE.TXT", "THREE.TXT", "TWO.TXT"}));
  for (const VfsMember& m : members) EXPECT_EQ(ReadBytes(dir / "out" / m.Name), m.Data);

  // A read-only file or a directory in the way is never replaced.
  WriteFileBytes(dir.Str("out/ONE.TXT"), mine);
  fs::permissions(dir / "out/ONE.TXT", fs::perms::owner_read | fs::perms::group_read);
  run = RunFcview({"extract", "--force", archive, dir.Str("out")});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(run.Err, "fcview: " + dir.Str("out") + "/ONE.TXT: is read-only\n");
  EXPECT_EQ(ReadBytes(dir / "out/ONE.TXT"), mine);
  fs::remove(dir / "out/ONE.TXT");
  fs::create_directory(dir / "out/ONE.TXT");
  run = RunFcview({"extract", "--force", archive, dir.Str("out"), "ONE.TXT"});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(run.Err, "fcview: " + dir.Str("out") + "/ONE.TXT: is a directory\n");
}

TEST(FcviewExtract, RefusesEveryNameThatIsNotAPlainFileName) {
  ScratchDir dir;
  fs::create_directory(dir / "box");
  // (Names with control characters or bytes of no character are safe: they
  // keep %XX escapes; see FcviewNames.)
  const std::vector<std::string> unsafe = {"..", "../ESCAPE", "SUB/FILE", "C:FILE", "\\ROOT", "CON", "nul.txt",
                                           "COM1.DAT"};
  for (const std::string& name : unsafe) {
    const std::string archive = WriteArchive(dir, "bad.vfs", {VfsMember{"GOOD.TXT", Text("good")},
                                                              VfsMember{name, Text("evil")}});
    const RunResult run = RunFcview({"extract", archive, dir.Str("box/out")});
    EXPECT_EQ(run.Exit, 1) << name;
    ASSERT_EQ(Lines(run.Err).size(), 1u) << name;
    EXPECT_NE(run.Err.find("is not a plain file name"), std::string::npos) << run.Err;
    EXPECT_TRUE(Entries(dir / "box").empty()) << name << ": nothing is created, not even the directory";
    EXPECT_EQ(Entries(dir.Path), (std::vector<std::string>{"bad.vfs", "box"})) << name;
  }
}

TEST(FcviewExtract, AFailingMemberLeavesNothingBehind) {
  ScratchDir dir;
  // The third member's data runs past the end of the file.
  VfsLayout layout = LayOutVfs(Members({"ONE.TXT", "TWO.TXT", "THREE.TXT"}));
  layout.Entries[2].DataSize += 100;
  const std::string archive = dir.Str("cut.vfs");
  ASSERT_TRUE(WriteFileBytes(archive, WriteVfs(layout)));

  RunResult run = RunFcview({"extract", archive, dir.Str("new/out")});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(run.Err, "fcview: " + archive + ": member THREE.TXT: broken data (result 3)\n");
  EXPECT_FALSE(fs::exists(dir / "new")) << "the directories this run created are gone again";

  fs::create_directory(dir / "kept");
  WriteFileBytes(dir.Str("kept/OTHER"), Text("other"));
  run = RunFcview({"extract", archive, dir.Str("kept")});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(Entries(dir / "kept"), std::vector<std::string>{"OTHER"}) << "no member and no temporary file";

  // The members before it extract on their own.
  run = RunFcview({"extract", archive, dir.Str("kept"), "ONE.TXT", "TWO.TXT"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
}

TEST(FcviewFailures, ArchivesThatCannotBeReadNameTheFileAndTheReason) {
  ScratchDir dir;
  const Bytes vfs = ReadBytes(Sample("pictures.vfs"));
  WriteFileBytes(dir.Str("cut.vfs"), Bytes(vfs.begin(), vfs.begin() + 100)); // directory cut short
  struct Case {
    std::string Archive;
    std::string Reason;
  };
  const std::vector<Case> cases = {
      {dir.Str("missing.vfs"), "No such file or directory"},
      {Sample("sunset.ipf"), "not a VFS archive or IPQ file"},
      {dir.Str("cut.vfs"), "broken data (result 3)"},
  };
  for (const Case& c : cases) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"list", c.Archive}, std::vector<std::string>{"list", "--json", c.Archive},
          std::vector<std::string>{"extract", c.Archive, dir.Str("out")}}) {
      const RunResult run = RunFcview(args);
      EXPECT_EQ(run.Exit, 1) << args[0] << " " << c.Archive;
      EXPECT_EQ(run.Err, "fcview: " + c.Archive + ": " + c.Reason + "\n");
      EXPECT_EQ(run.Out, "");
    }
  }
  EXPECT_FALSE(fs::exists(dir / "out"));
  WriteFileBytes(dir.Str("file"), Text("x"));
  const RunResult run = RunFcview({"extract", Sample("pictures.vfs"), dir.Str("file")});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(run.Err, "fcview: " + dir.Str("file") + ": is not a directory\n");
}

// On a terminal the extraction shows a bar that ends at 100% and is cleared.
TEST(FcviewExtract, ShowsAProgressBarOnATerminal) {
  if (std::system("script -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1) to provide a terminal";
  ScratchDir dir;
  const std::string command = std::string("'") + FCVIEW_BINARY + "' extract '" + Sample("pictures.vfs") + "' '" +
                              dir.Str("out") + "'";
  const RunResult run = RunProgram("script", {"-qec", command, dir.Str("typescript")});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  const std::string screen = run.Out;
  EXPECT_NE(screen.find("extracting ["), std::string::npos) << screen;
  EXPECT_NE(screen.find("] 100%"), std::string::npos) << screen;
  EXPECT_NE(screen.find("extracted 4 members"), std::string::npos) << screen;
  EXPECT_EQ(Entries(dir / "out").size(), 4u);
}

} // namespace
