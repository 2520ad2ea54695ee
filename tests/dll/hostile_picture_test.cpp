// The hostile pictures through Palvo's exports, from memory and from a
// file, with the IPQ display mode each case asks for.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "common/result_codes.h"
#include "tests/dll/plugin_library.h"
#include "tests/hostile/hostile_cases.h"

namespace {

HLOCAL const Untouched = reinterpret_cast<HLOCAL>(0x1234);

// GetPicture's result; a success hands out two live blocks of the described
// shape, a failure hands out nothing.
int32_t GetPictureChecked(const PalvoApi& api, const char* buf, uint32_t len, uint32_t flag, const std::string& name) {
  HLOCAL info = Untouched;
  HLOCAL pixels = Untouched;
  const int32_t result = api.GetPicture(buf, len, flag, &info, &pixels, nullptr, 0);
  if (result == ResultSuccess) {
    EXPECT_TRUE(info != nullptr && info != Untouched && pixels != nullptr && pixels != Untouched) << name;
    const uint8_t* header = static_cast<const uint8_t*>(LocalLock(info));
    EXPECT_NE(header, nullptr) << name;
    if (header != nullptr) {
      int32_t imageSize = 0;
      std::memcpy(&imageSize, header + 20, 4);
      EXPECT_GE(LocalSize(pixels), static_cast<SIZE_T>(imageSize)) << name;
      LocalUnlock(info);
    }
    LocalFree(info);
    LocalFree(pixels);
  } else {
    EXPECT_TRUE(info == nullptr && pixels == nullptr) << name << ": a failure hands the host null";
  }
  return result;
}

void ReplayThroughPalvo(const std::vector<PictureCase>& cases) {
  std::map<int32_t, std::vector<const PictureCase*>> byMode;
  for (const PictureCase& hostile : cases) byMode[hostile.Mode].push_back(&hostile);
  for (const auto& group : byMode) {
    StoreIpqFormat(group.first); // read when the plug-in is loaded
    PalvoApi api;
    ASSERT_TRUE(LoadPalvo(&api));
    ASSERT_EQ(api.GetIpqFormat(), group.first);
    for (const PictureCase* hostile : group.second) {
      const Bytes& file = hostile->File;
      const char* memory = reinterpret_cast<const char*>(file.data());
      uint8_t info[32]; // the host record: 26 bytes, 32 in 64 bits
      EXPECT_EQ(api.GetPictureInfo(memory, static_cast<uint32_t>(file.size()), 1, info), hostile->InfoResult)
          << hostile->Name << " (memory)";
      EXPECT_EQ(GetPictureChecked(api, memory, static_cast<uint32_t>(file.size()), 1, hostile->Name),
                hostile->DllPictureResult)
          << hostile->Name << " (memory)";
      const std::string path = WriteScratchFile("hostile.bin", file);
      EXPECT_EQ(api.GetPictureInfo(path.c_str(), 0, 0, info), hostile->InfoResult) << hostile->Name << " (file)";
      EXPECT_EQ(GetPictureChecked(api, path.c_str(), 0, 0, hostile->Name), hostile->DllPictureResult)
          << hostile->Name << " (file)";
    }
    UnloadPalvo(&api);
  }
  RemoveIpqFormat();
}

} // namespace

TEST(HostilePictures, HandMadeCasesGetTheirResults) {
  const std::vector<PictureCase> cases = HostilePictureCases();
  EXPECT_GT(cases.size(), 1000u);
  ReplayThroughPalvo(cases);
}

TEST(HostilePictures, FuzzFindingsGetTheirResults) {
  std::vector<PictureCase> cases;
  for (const PictureCase& found : FoundPictureCases(FC_HOSTILE_FINDINGS)) {
    cases.push_back(found);
  }
  ReplayThroughPalvo(cases);
}
