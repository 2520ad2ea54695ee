// Member names as text: code page 932 decoded, %XX escapes for what is no
// character, the way back to the exact bytes, and selection by pattern; then
// the same names listed, selected and extracted by the binary.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "tests/fcview/fcview_harness.h"
#include "fcview/names.h"
#include "writers/vfs_writer.h"

namespace {

using fcview::MemberBytes;
using fcview::MemberText;
using fcview::NameMatches;

const std::string Gazou = "\x89\xE6\x91\x9C";             // 画像 in code page 932
const std::string GazouText = "\xE7\x94\xBB\xE5\x83\x8F"; // 画像 in UTF-8
const std::string So = "\x83\x5C";                        // ソ: its trail byte is '\'
const std::string SoText = "\xE3\x82\xBD";

std::string BytesOf(const std::string& text) {
  std::string bytes, reason;
  EXPECT_TRUE(MemberBytes(text, &bytes, &reason)) << text << ": " << reason;
  return bytes;
}

TEST(FcviewNames, CodePage932BecomesTextAndEveryOddByteAnEscape) {
  EXPECT_EQ(MemberText(Gazou + ".txt"), GazouText + ".txt");
  EXPECT_EQ(MemberText(So + ".TXT"), SoText + ".TXT");
  EXPECT_EQ(MemberText("\xB1\xB2.DAT"), "\xEF\xBD\xB1\xEF\xBD\xB2.DAT"); // half-width katakana
  EXPECT_EQ(MemberText("A\\B~"), "A\\B~");                             // ASCII stays as it is
  EXPECT_EQ(MemberText("\x80\xA0\xFD\xFF"), "%80%A0%FD%FF");            // no character of the code page
  EXPECT_EQ(MemberText("AB\x89"), "AB%89");                              // a lead byte without its trail
  EXPECT_EQ(MemberText("\x89\x20X"), "%89 X");                           // a lead byte before no trail byte
  EXPECT_EQ(MemberText("TAB\t\x01\x7F"), "TAB%09%01%7F");                // control characters
  EXPECT_EQ(MemberText("\xF0\x40"), "%F0@");                             // user-defined area: no font shows it
  // The same Roman numeral twice in the code page: only the form that converts back is a character.
  EXPECT_EQ(MemberText("\x87\x54"), "\xE2\x85\xA0");
  EXPECT_EQ(MemberText("\xFA\x4A"), "%FAJ");
  // A '%' stays as it is unless it would read as an escape.
  EXPECT_EQ(MemberText("100%.TXT"), "100%.TXT");
  EXPECT_EQ(MemberText("%41%2"), "%2541%2");
}

TEST(FcviewNames, TextGoesBackToTheExactBytesAndNoTwoNamesLookAlike) {
  for (const std::string& name : {Gazou + ".txt", So + So, std::string("\x80\xFF%41%"), std::string("\xFA\x4A\x87\x54"),
                                  std::string("\x89"), std::string("%25"), std::string("")}) {
    EXPECT_EQ(BytesOf(MemberText(name)), name) << MemberText(name);
  }
  // Random names of up to 12 bytes: every one converts back, and different bytes give different text.
  std::mt19937 random(12);
  std::set<std::string> names, texts;
  for (int i = 0; i < 20000; ++i) {
    std::string name(random() % 13, '\0');
    for (char& c : name) c = static_cast<char>(random() % 3 == 0 ? 0x25 + random() % 0x30 : 0x80 + random() % 0x80);
    if (!names.insert(name).second) continue;
    const std::string text = MemberText(name);
    ASSERT_EQ(BytesOf(text), name) << text;
    EXPECT_TRUE(texts.insert(text).second) << text;
  }
}

TEST(FcviewNames, TextWithoutAFormInTheCodePageIsRefused) {
  std::string bytes, reason;
  EXPECT_FALSE(MemberBytes("\xE2\x82\xAC.TXT", &bytes, &reason)); // the euro sign
  EXPECT_EQ(reason, "has the character \"\xE2\x82\xAC\", which code page 932 does not hold");
  EXPECT_FALSE(MemberBytes("\xF0\x9F\x98\x80", &bytes, &reason)); // an emoji
  EXPECT_FALSE(MemberBytes("\xC3", &bytes, &reason));             // not UTF-8
  EXPECT_EQ(reason, "is not UTF-8 text");
  EXPECT_EQ(BytesOf("%89%e6"), "\x89\xE6"); // escapes in either case
}

TEST(FcviewNames, PatternsMatchIgnoringTheCaseOfAsciiLetters) {
  EXPECT_TRUE(NameMatches("*.ipf", "CASTLE.IPF"));
  EXPECT_TRUE(NameMatches("castle.ipf", "CASTLE.IPF"));
  EXPECT_TRUE(NameMatches("C?STLE.*", "castle.ipf"));
  EXPECT_TRUE(NameMatches("*", ""));
  EXPECT_TRUE(NameMatches("*" + GazouText + "*", "A" + GazouText + ".TXT"));
  EXPECT_TRUE(NameMatches("?\xE5\x83\x8F.TXT", GazouText + ".txt")); // '?' is one character, not one byte
  EXPECT_FALSE(NameMatches("??\xE5\x83\x8F.TXT", GazouText + ".txt"));
  EXPECT_TRUE(NameMatches("*A*B*C", "xxAyyBzzAC"));
  EXPECT_FALSE(NameMatches("*A*B*C", "xxAyyCzzB"));
  EXPECT_FALSE(NameMatches("*.IPF", "CASTLE.IPQ"));
  EXPECT_FALSE(NameMatches("CASTLE", "CASTLE.IPF"));
  // Only ASCII letters fold: full-width letters are other characters.
  EXPECT_FALSE(NameMatches("\xEF\xBC\xA1", "\xEF\xBD\x81"));
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The binary: list, select and extract by the names' text.
TEST(FcviewNames, JapaneseNamesAreListedSelectedAndExtractedAsText) {
  ScratchDir dir;
  const std::vector<VfsMember> members = {{Gazou + ".txt", Text("picture text")},
                                          {So + ".IPF", Text("so")},
                                          {"\x89\xE6.IPF", Text("ga")},
                                          {"\x80\x01.BIN", Text("odd")},
                                          {"PLAIN.TXT", Text("plain")}};
  ASSERT_TRUE(WriteFileBytes(dir.Str("jp.vfs"), MakeVfs(members)));
  const std::vector<std::string> texts = {GazouText + ".txt", SoText + ".IPF", "\xE7\x94\xBB.IPF", "%80%01.BIN",
                                          "PLAIN.TXT"};
  const RunResult table = RunFcview({"list", dir.Str("jp.vfs")});
  ASSERT_EQ(table.Exit, 0) << table.Err;
  const std::vector<std::string> lines = Lines(table.Out);
  ASSERT_EQ(lines.size(), 7u);
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(lines[i + 2].substr(lines[i + 2].size() - texts[i].size()), texts[i]);
  }

  // Case-insensitive names and patterns; each member once, whatever selects it twice.
  RunResult run = RunFcview({"extract", dir.Str("jp.vfs"), dir.Str("out"), "*.ipf", GazouText + ".TXT", "plain.txt",
                             "*" + SoText + "*"});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.Out, "extracted 4 members of " + dir.Str("jp.vfs") + " into " + dir.Str("out") + "\n");
  EXPECT_EQ(Entries(dir / "out"), (std::vector<std::string>{"PLAIN.TXT", texts[1], texts[2], texts[0]}));
  EXPECT_EQ(ReadBytes(dir / "out" / texts[0]), members[0].Data);
  EXPECT_EQ(ReadBytes(dir / "out" / texts[1]), members[1].Data);

  // A name with bytes of no character is extracted under its escapes, and selected by them.
  run = RunFcview({"extract", dir.Str("jp.vfs"), dir.Str("odd"), "%80%01.bin"});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(Entries(dir / "odd"), std::vector<std::string>{"%80%01.BIN"});
  EXPECT_EQ(ReadBytes(dir / "odd/%80%01.BIN"), members[3].Data);

  run = RunFcview({"extract", dir.Str("jp.vfs"), dir.Str("none"), "*.MCG"});
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(run.Err, "fcview: " + dir.Str("jp.vfs") + ": no member named *.MCG\n");
  EXPECT_FALSE(fs::exists(dir / "none"));
}

} // namespace
