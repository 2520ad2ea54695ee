// fcview pack and replace: archives written from files and from other
// archives, read back by the tool's own listing and extraction.
#include <gtest/gtest.h>

#include "common/input_range.h"
#include "tests/fcview/fcview_harness.h"
#include "fcview/vfs_pack.h"
#include "writers/vfs_writer.h"

namespace {

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

const std::string GazouText = "\xE7\x94\xBB\xE5\x83\x8F"; // 画像

TEST(FcviewPack, ExtractingAPackedDirectoryGivesTheDirectoryBack) {
  ScratchDir dir;
  fs::create_directory(dir / "in");
  const std::vector<std::pair<std::string, Bytes>> files = {
      {GazouText + ".txt", Text("picture")},        {"\xE3\x82\xBD.IPF", Text("so, trail byte 0x5C")},
      {"%89.BIN", Text("a byte of no character")}, {"EMPTY", {}},
      {"TWELVE__.BYT", Bytes(70000, 0x5A)},         {"castle.ipf", ReadBytes(Sample("sunset.ipf"))}};
  for (const auto& f : files) ASSERT_TRUE(WriteFileBytes((dir / "in" / f.first).string(), f.second));
  RunResult run = RunFcview({"pack", dir.Str("in"), dir.Str("a.vfs")});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Out, "packed 6 members into " + dir.Str("a.vfs") + "\n");
  run = RunFcview({"extract", dir.Str("a.vfs"), dir.Str("out")});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(Entries(dir / "out"), Entries(dir / "in"));
  for (const auto& f : files) EXPECT_EQ(ReadBytes(dir / "out" / f.first), f.second) << f.first;

  // The names are stored in code page 932, in name order: the escape as its
  // byte, 画像 as its four bytes.
  const Bytes vfs = ReadBytes(dir / "a.vfs");
  ASSERT_GT(vfs.size(), 16u + 6 * 32);
  EXPECT_EQ(std::string(vfs.begin() + 16, vfs.begin() + 24), std::string("\x89.BIN\0\0\0", 8));
  EXPECT_EQ(std::string(vfs.begin() + 16 + 5 * 32, vfs.begin() + 16 + 5 * 32 + 9), std::string("\x89\xE6\x91\x9C.txt\0", 9));
  // Listed files instead of a directory, in the order given.
  run = RunFcview({"pack", dir.Str("in/EMPTY"), dir.Str("in/castle.ipf"), dir.Str("b.vfs")});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(ReadBytes(dir / "b.vfs"), MakeVfs({{"EMPTY", {}}, {"castle.ipf", files[5].second}}));
}

TEST(FcviewPack, NamesTheArchiveCannotHoldAreRefusedByName) {
  ScratchDir dir;
  for (const char* sub : {"long", "wide", "euro", "nested/sub", "twice/a", "twice/b"}) fs::create_directories(dir / sub);
  WriteFileBytes(dir.Str("long/THIRTEEN.BYT"), Text("x"));
  WriteFileBytes((dir / "wide" / (GazouText + GazouText + "AB.txt")).string(), Text("x")); // 14 bytes in code page 932
  WriteFileBytes(dir.Str("euro/\xE2\x82\xAC.TXT"), Text("x"));
  WriteFileBytes(dir.Str("twice/a/SAME.TXT"), Text("x"));
  WriteFileBytes(dir.Str("twice/b/same.txt"), Text("x"));
  struct Case {
    std::vector<std::string> Inputs;
    std::string File, Reason;
  };
  const std::vector<Case> cases = {
      {{"long"}, "out.vfs",
       "refused: member \"THIRTEEN.BYT\": a member name takes 1 to 12 bytes of code page 932; this one takes 12"},
      {{"wide"}, "out.vfs",
       "refused: member \"" + GazouText + GazouText +
           "AB.txt\": a member name takes 1 to 12 bytes of code page 932; this one takes 14"},
      {{"euro"}, "euro/\xE2\x82\xAC.TXT", "its name has the character \"\xE2\x82\xAC\", which code page 932 does not hold"},
      {{"nested"}, "nested/sub", "is a directory; a VFS archive holds no directories"},
      {{"twice/a/SAME.TXT", "twice/b/same.txt"}, "out.vfs",
       "refused: member \"same.txt\": given twice (names are compared ignoring case)"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"pack"};
    for (const std::string& input : c.Inputs) args.push_back(dir.Str(input));
    args.push_back(dir.Str("out.vfs"));
    const RunResult run = RunFcview(args);
    if (c.Inputs[0] == "long") {
      EXPECT_EQ(run.Exit, 0) << "twelve bytes fit";
      fs::remove(dir / "out.vfs");
      continue;
    }
    EXPECT_EQ(run.Exit, 1) << c.Inputs[0];
    EXPECT_EQ(run.Err, "fcview: " + dir.Str(c.File) + ": " + c.Reason + "\n");
    EXPECT_FALSE(fs::exists(dir / "out.vfs"));
  }
  WriteFileBytes(dir.Str("long/THIRTEEN.BYTE"), Text("x"));
  const RunResult run = RunFcview({"pack", dir.Str("long/THIRTEEN.BYTE"), dir.Str("out.vfs")});
  EXPECT_EQ(run.Err, "fcview: " + dir.Str("out.vfs") +
                         ": refused: member \"THIRTEEN.BYTE\": a member name takes 1 to 12 bytes of code page 932; "
                         "this one takes 13\n");
  EXPECT_EQ(Entries(dir.Path), (std::vector<std::string>{"euro", "long", "nested", "twice", "wide"}));
}

// An archive with something in every field the plug-ins do not read, bytes
// between its members and after the last, and data in another order than
// its directory.
struct OddArchive {
  Bytes File;
  std::vector<Bytes> Data;
  std::vector<Bytes> Gaps; // before each member in file order, then the tail
};

OddArchive MakeOddArchive() {
  OddArchive a;
  a.Data = {Text("first member"), Text("second, longer member bytes"), Text("3"), Bytes(5000, 0x33)};
  a.Gaps = {Text("<gap0>"), {}, Text("<gap2 between>"), Text("g3"), Text("<trailing bytes>")};
  const std::vector<std::string> names = {"ONE.TXT", "TWO.TXT", "THREE.TXT", "FOUR.BIN"};
  a.File = {'V', 'F', 0xA1, 0xA2, 4, 0, 0xA6, 0xA7, 128, 0, 0, 0, 0xAC, 0xAD, 0xAE, 0xAF};
  uint32_t offset = 16 + 4 * 32;
  Bytes data;
  for (size_t i = 0; i < 4; ++i) {
    Bytes entry(32, 0);
    for (size_t k = 0; k < names[i].size(); ++k) entry[k] = static_cast<uint8_t>(names[i][k]);
    for (size_t k = 13; k < 19; ++k) entry[k] = static_cast<uint8_t>(0x40 + i * 16 + k);
    for (size_t k = 27; k < 32; ++k) entry[k] = static_cast<uint8_t>(0x80 + i * 16 + k);
    offset += static_cast<uint32_t>(a.Gaps[i].size());
    data.insert(data.end(), a.Gaps[i].begin(), a.Gaps[i].end());
    PokeU32(entry, 19, offset);
    PokeU32(entry, 23, static_cast<uint32_t>(a.Data[i].size()));
    offset += static_cast<uint32_t>(a.Data[i].size());
    data.insert(data.end(), a.Data[i].begin(), a.Data[i].end());
    a.File.insert(a.File.end(), entry.begin(), entry.end());
  }
  data.insert(data.end(), a.Gaps[4].begin(), a.Gaps[4].end());
  a.File.insert(a.File.end(), data.begin(), data.end());
  return a;
}

// What replace must write: the same bytes with other data, offsets and sizes.
Bytes ExpectedReplacement(const OddArchive& a, const std::vector<Bytes>& data) {
  Bytes file(a.File.begin(), a.File.begin() + 16 + 4 * 32);
  Bytes rest;
  uint32_t offset = 16 + 4 * 32;
  for (size_t i = 0; i < 4; ++i) {
    offset += static_cast<uint32_t>(a.Gaps[i].size());
    rest.insert(rest.end(), a.Gaps[i].begin(), a.Gaps[i].end());
    PokeU32(file, 16 + 32 * i + 19, offset);
    PokeU32(file, 16 + 32 * i + 23, static_cast<uint32_t>(data[i].size()));
    offset += static_cast<uint32_t>(data[i].size());
    rest.insert(rest.end(), data[i].begin(), data[i].end());
  }
  rest.insert(rest.end(), a.Gaps[4].begin(), a.Gaps[4].end());
  file.insert(file.end(), rest.begin(), rest.end());
  return file;
}

TEST(FcviewReplace, OnlyTheReplacedMembersAndTheOffsetsAndSizesChange) {
  ScratchDir dir;
  const OddArchive odd = MakeOddArchive();
  ASSERT_TRUE(WriteFileBytes(dir.Str("odd.vfs"), odd.File));
  const Bytes longer(9000, 0x77), shorter = Text("x");
  WriteFileBytes(dir.Str("longer"), longer);
  WriteFileBytes(dir.Str("shorter"), shorter);
  RunResult run = RunFcview({"replace", dir.Str("odd.vfs"), dir.Str("new.vfs"), "two.txt=" + dir.Str("longer"),
                             "FOUR.BIN=" + dir.Str("shorter")});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Out, "wrote " + dir.Str("new.vfs") + ": 4 members, 2 replaced\n");
  EXPECT_EQ(ReadBytes(dir / "new.vfs"), ExpectedReplacement(odd, {odd.Data[0], longer, odd.Data[2], shorter}));
  run = RunFcview({"extract", dir.Str("new.vfs"), dir.Str("out")});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(ReadBytes(dir / "out/TWO.TXT"), longer);
  EXPECT_EQ(ReadBytes(dir / "out/THREE.TXT"), odd.Data[2]);

  // Replacing with the same bytes gives the archive back; the archive may be its own output with --force.
  WriteFileBytes(dir.Str("two"), odd.Data[1]);
  WriteFileBytes(dir.Str("four"), odd.Data[3]);
  run = RunFcview({"replace", dir.Str("new.vfs"), dir.Str("new.vfs"), "TWO.TXT=" + dir.Str("two"),
                   "FOUR.BIN=" + dir.Str("four")});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(run.Err, "fcview: " + dir.Str("new.vfs") + ": exists (use --force to replace it)\n");
  run = RunFcview({"replace", "--force", dir.Str("new.vfs"), dir.Str("new.vfs"), "TWO.TXT=" + dir.Str("two"),
                   "FOUR.BIN=" + dir.Str("four")});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(ReadBytes(dir / "new.vfs"), odd.File);
}

TEST(FcviewReplace, RefusesWhatItCannotDoExactly) {
  ScratchDir dir;
  const std::string archive = dir.Str("a.vfs");
  ASSERT_TRUE(WriteFileBytes(archive, MakeVfs({{"A.TXT", Text("a")}, {"B.TXT", Text("b")}})));
  WriteFileBytes(dir.Str("new"), Text("new"));
  const std::string file = "=" + dir.Str("new");
  struct Case {
    std::vector<std::string> Pairs;
    std::string Reason;
  };
  for (const Case& c : {Case{{"C.TXT" + file}, archive + ": no member named C.TXT"},
                        Case{{"*.TXT" + file}, archive + ": no member named *.TXT"},
                        Case{{"A.TXT" + file, "a.txt" + file}, archive + ": member A.TXT is replaced twice"},
                        Case{{"A.TXT=" + dir.Str("missing")}, dir.Str("missing") + ": No such file or directory"}}) {
    std::vector<std::string> args = {"replace", archive, dir.Str("out.vfs")};
    args.insert(args.end(), c.Pairs.begin(), c.Pairs.end());
    const RunResult run = RunFcview(args);
    EXPECT_EQ(run.Exit, 1) << c.Reason;
    EXPECT_EQ(run.Err, "fcview: " + c.Reason + "\n");
  }
  EXPECT_EQ(RunFcview({"replace", archive, dir.Str("out.vfs"), "A.TXT"}).Exit, 2);
  EXPECT_FALSE(fs::exists(dir / "out.vfs"));

  // Members that share bytes cannot be replaced one at a time.
  VfsLayout layout = LayOutVfs({{"A.TXT", Text("aaaa")}, {"B.TXT", Text("bbbb")}});
  layout.Entries[1].DataOffset -= 2;
  const Bytes shared = WriteVfs(layout);
  fcview::VfsPlan plan;
  std::string reason;
  EXPECT_FALSE(fcview::PlanReplace(InputRange{shared.data(), shared.size()}, {}, &plan, &reason));
  EXPECT_EQ(reason, "members 1 and 2 share bytes; replacing one would change the other");
  layout.Entries[1].DataOffset += 100;
  const Bytes outside = WriteVfs(layout);
  EXPECT_FALSE(fcview::PlanReplace(InputRange{outside.data(), outside.size()}, {}, &plan, &reason));
  EXPECT_EQ(reason, "member 2 lies outside the archive's data");
}

} // namespace
