// Destination paths and member names in code page 932, where the trail
// byte of a two-byte character may have the value of '\'. Run with
// LC_ALL=ja_JP.UTF-8 so that Wine's ANSI code page is 932.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/dll/archive_host.h"
#include "writers/vfs_writer.h"

namespace {

// "表" in code page 932: lead 0x95, trail 0x5C.
const std::string Hyou = "\x95\x5C";

class DosekPathsCp932 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GetACP() != 932) GTEST_SKIP() << "needs the ANSI code page 932 (LC_ALL=ja_JP.UTF-8)";
    ASSERT_TRUE(LoadArchivePlugin("Dosek" PLUGIN_EXTENSION, &api));
  }
  void TearDown() override { UnloadArchivePlugin(&api); }
  ArchiveApi api;
};

} // namespace

TEST_F(DosekPathsCp932, TrailByteBackslashIsPartOfTheCharacter) {
  const Bytes data = {1, 2, 3, 4, 5};
  const std::string memberName = Hyou + ".bin"; // a plain name in this code page
  const std::string path = WriteScratchFile("cp932.vfs", MakeVfs({{memberName, data}, {"plain.bin", data}}));
  const std::string parent = FreshDirectory("cp932");

  // The destination ends in a two-byte character: a separator is added after it,
  // and the directory is created under its full name.
  const std::string dest = parent + "a" + Hyou;
  ASSERT_EQ(api.GetFile(path.c_str(), VfsEntryPosition(1), dest.c_str(), 0, nullptr, 0), 0);
  Bytes bytes;
  ASSERT_TRUE(ReadFileBytes(dest + "\\plain.bin", &bytes));
  EXPECT_EQ(bytes, data);

  // Nested levels whose names end in that character.
  const std::string nested = parent + Hyou + "\\" + Hyou + Hyou + "\\";
  ASSERT_EQ(api.GetFile(path.c_str(), VfsEntryPosition(0), nested.c_str(), 0, nullptr, 0), 0);
  ASSERT_TRUE(ReadFileBytes(nested + memberName, &bytes));
  EXPECT_EQ(bytes, data);
  // Nothing was made under a name cut at a trail byte: the parent holds exactly the two levels asked for.
  std::vector<std::string> made = FilesStartingWith(parent, "");
  std::sort(made.begin(), made.end());
  EXPECT_EQ(made, (std::vector<std::string>{".", "..", "a" + Hyou, Hyou}));
  EXPECT_EQ(FilesStartingWith(dest + "\\", ""), (std::vector<std::string>{".", "..", "plain.bin"}));
}
