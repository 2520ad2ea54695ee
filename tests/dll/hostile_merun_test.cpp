// Merun's exports on IPQ images without a size: every cut of a small IPQ
// file ends where readable memory ends, a no-access page right after it.
// Each export must answer with a result code, and the same code as for the
// same bytes in a file, whose end is just as hard.
#include <gtest/gtest.h>

#include <cstring>

#include "common/result_codes.h"
#include "tests/dll/archive_host.h"

namespace {

constexpr uint32_t MemoryInput = 1;
constexpr uint32_t ToMemory = 0x100;

class HostileMerun : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoveIpqFormat(); // mode 0: IPQ files are Merun's
    ASSERT_TRUE(LoadArchivePlugin("Merun" PLUGIN_EXTENSION, &api));
    ASSERT_TRUE(edge.Open(4));
  }
  void TearDown() override {
    edge.Close();
    UnloadArchivePlugin(&api);
  }
  ArchiveApi api;
  ReadableEdge edge;
};

bool IsDocumented(int32_t result) {
  return result == ResultSuccess || result == ResultNotOurFormat || result == ResultBrokenData;
}

} // namespace

TEST_F(HostileMerun, EveryCutAnswersAsItsFileDoes) {
  BitmapFrame first{6, 4, 0, 0, 0, Bytes(24, 5)};
  BitmapFrame second{3, 3, 1, 1, 0, Bytes(9, 7)};
  const Bytes whole = MakeIpq(GreyPalette(), {first, second});
  ASSERT_LT(whole.size(), edge.Readable);
  size_t successes = 0;
  for (size_t length = 12; length <= whole.size(); ++length) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(length));
    const std::string path = WriteScratchFile("hostile_merun.ipq", cut);
    const char* image = edge.AtEnd(cut);

    HLOCAL fromFile = nullptr;
    const int32_t listedFile = api.GetArchiveInfo(path.c_str(), 0, 0, &fromFile);
    HLOCAL fromMemory = nullptr;
    const int32_t listedMemory = api.GetArchiveInfo(image, 0, MemoryInput, &fromMemory);
    EXPECT_TRUE(IsDocumented(listedMemory)) << length;
    EXPECT_EQ(listedMemory, listedFile) << length;
    EXPECT_EQ(fromMemory == nullptr, listedMemory != ResultSuccess) << length;
    if (fromFile != nullptr) LocalFree(fromFile);
    if (fromMemory != nullptr) LocalFree(fromMemory);

    HostFileInfo info{};
    EXPECT_EQ(api.GetFileInfo(image, 0, "#00002.IPF", MemoryInput, &info),
              api.GetFileInfo(path.c_str(), 0, "#00002.IPF", 0, &info))
        << length;

    for (uint32_t index = 0; index < 3; ++index) {
      HLOCAL memberFromFile = nullptr, memberFromMemory = nullptr;
      const int32_t file = api.GetFile(path.c_str(), index, reinterpret_cast<const char*>(&memberFromFile), ToMemory,
                                       nullptr, 0);
      const int32_t memory = api.GetFile(image + index, 0, reinterpret_cast<const char*>(&memberFromMemory),
                                         ToMemory | MemoryInput, nullptr, 0);
      EXPECT_TRUE(IsDocumented(memory)) << length << " frame " << index;
      EXPECT_EQ(memory, file) << length << " frame " << index;
      if (memory == ResultSuccess) {
        ++successes;
        Bytes a = BlockBytes(memberFromFile), b = BlockBytes(memberFromMemory);
        EXPECT_EQ(a, b) << length << " frame " << index;
      }
      if (memberFromFile != nullptr) LocalFree(memberFromFile);
      if (memberFromMemory != nullptr) LocalFree(memberFromMemory);
    }
  }
  EXPECT_GE(successes, 2u) << "the whole file extracts both frames";
}
