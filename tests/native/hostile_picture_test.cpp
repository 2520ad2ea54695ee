// The hostile pictures replayed on the routines behind GetPictureInfo and
// GetPicture, each input in a heap block of exactly its size.
#include <gtest/gtest.h>

#include <memory>

#include "common/result_codes.h"
#include "container/read_picture_info.h"
#include "picture_filter/decode_picture.h"
#include "picture_filter/dib_layout.h"
#include "tests/hostile/hostile_cases.h"

namespace {

struct ExactInput {
  explicit ExactInput(const Bytes& bytes) : Data(new uint8_t[bytes.size()]), Size(bytes.size()) {
    std::copy(bytes.begin(), bytes.end(), Data.get());
  }
  PictureImage Picture() const { return PictureImage{InputRange{Data.get(), Size}, Data.get()}; }
  std::unique_ptr<uint8_t[]> Data;
  size_t Size;
};

int32_t Describe(const PictureCase& hostile) {
  const ExactInput input(hostile.File);
  PictureInfo info;
  return ReadPictureInfo(input.Picture(), hostile.Mode, &info);
}

// What GetPicture does around the decoder: describe, lay out the DIB,
// allocate both blocks exactly and zero-filled, decode.
int32_t Decode(const PictureCase& hostile) {
  const ExactInput input(hostile.File);
  PictureInfo info;
  int32_t result = ReadPictureInfo(input.Picture(), hostile.Mode, &info);
  if (result != ResultSuccess) return result;
  DibLayout layout;
  result = ComputeDibLayout(info, &layout);
  if (result != ResultSuccess) return result;
  std::unique_ptr<uint8_t[]> colours(new uint8_t[4 * static_cast<size_t>(layout.ColourEntries)]());
  std::unique_ptr<uint8_t[]> pixels(new uint8_t[static_cast<size_t>(layout.ImageSize)]());
  const DibTarget dib{colours.get(), layout.ColourEntries, pixels.get(), layout.Stride, info.Height};
  return DecodePicture(input.Picture(), hostile.Mode, dib, Progress{});
}

void Replay(const std::vector<PictureCase>& cases) {
  for (const PictureCase& hostile : cases) {
    EXPECT_EQ(Describe(hostile), hostile.InfoResult) << hostile.Name;
    EXPECT_EQ(Decode(hostile), hostile.PictureResult) << hostile.Name;
  }
}

} // namespace

TEST(HostilePictures, HandMadeCasesGetTheirResults) {
  const std::vector<PictureCase> cases = HostilePictureCases();
  EXPECT_GT(cases.size(), 1000u);
  Replay(cases);
}

TEST(HostilePictures, FuzzFindingsGetTheirResults) {
  std::vector<PictureCase> cases;
  for (const PictureCase& found : FoundPictureCases(FC_HOSTILE_FINDINGS)) {
    cases.push_back(found);
  }
  Replay(cases);
}
