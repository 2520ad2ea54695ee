// F&C pictures through gdk-pixbuf's own API, with the built loader module:
// the samples, the writers' pictures fed in random pieces, and the hostile
// corpus. The pixels must be the picture filter's, converted to RGB.
#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "picture_filter/gdk_pixbuf/pixbuf_messages.h"
#include "picture_filter/picture_loader.h"
#include "tests/gdk_pixbuf/pixbuf_support.h"
#include "tests/hostile/hostile_cases.h"
#include "tests/support/pattern_pictures.h"

namespace {

const char* const Samples[] = {"sunset.ipf", "waves.ipq", "dusk.mcg"};

void ExpectSamePicture(const fcview::RgbImage& actual, const fcview::RgbImage& expected, const std::string& what) {
  ASSERT_GT(expected.Width, 0) << what << ": the reference decodes";
  EXPECT_EQ(actual.Width, expected.Width) << what;
  EXPECT_EQ(actual.Height, expected.Height) << what;
  EXPECT_TRUE(actual.Rgb == expected.Rgb) << what << ": pixels differ";
}

TEST(PixbufSamples, OpenByContentWithThePictureFiltersPixels) {
  for (const char* name : Samples) {
    const std::string path = SamplePath(name);
    const fcview::RgbImage expected = Reference(FileBytes(path));
    GError* error = nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(path.c_str(), &error);
    ASSERT_NE(pixbuf, nullptr) << name << ": " << (error != nullptr ? error->message : "");
    ExpectSamePicture(PixelsOf(pixbuf), expected, name);
    g_object_unref(pixbuf);

    // The size alone, as file managers and thumbnailers ask for it.
    int width = 0, height = 0;
    GdkPixbufFormat* format = gdk_pixbuf_get_file_info(path.c_str(), &width, &height);
    ASSERT_NE(format, nullptr) << name;
    gchar* formatName = gdk_pixbuf_format_get_name(format);
    EXPECT_STREQ(formatName, "fc-picture");
    g_free(formatName);
    EXPECT_EQ(width, expected.Width) << name;
    EXPECT_EQ(height, expected.Height) << name;

    // A size request: gdk-pixbuf scales what the loader gives, keeping the aspect.
    GdkPixbuf* small = gdk_pixbuf_new_from_file_at_size(path.c_str(), 64, 64, nullptr);
    ASSERT_NE(small, nullptr) << name;
    EXPECT_EQ(std::max(gdk_pixbuf_get_width(small), gdk_pixbuf_get_height(small)), 64) << name;
    g_object_unref(small);
  }
}

std::vector<std::pair<std::string, Bytes>> WriterPictures() {
  return {
      {"ipf stored", MakeIpf(FullPalette(PatternColour), PatternFrame(300, 40, false, 3))},
      {"ipf coded", MakeIpf(FullPalette(PatternColour), PatternFrame(257, 190, true, 11))},
      {"ipf stored, large", MakeIpf(FullPalette(PatternColour), PatternFrame(400, 100, false, 4))},
      {"ipq frames of three widths",
       MakeIpq(FullPalette(PatternColour),
               {PatternFrame(120, 50, true, 2), PatternFrame(200, 30, false, 5), PatternFrame(64, 70, true, 9)})},
      {"mcg 1 bit", PatternMcg(333, 41, 1, 2)},
      {"mcg 4 bits, 9 colours", PatternMcg(150, 60, 4, 9)},
      {"mcg 8 bits, 200 colours", PatternMcg(211, 77, 8, 200)},
      {"mcg 24 bits", PatternMcg(190, 90, 24, 0)},
  };
}

TEST(PixbufWriters, PiecesOfAnySizeGiveTheSizeBeforeTheLastPieceAndThePictureFiltersPixels) {
  uint32_t seed = 1;
  int early = 0;
  for (const auto& [name, file] : WriterPictures()) {
    const fcview::RgbImage expected = Reference(file);
    for (size_t maxPiece : {size_t{1}, size_t{100}, size_t{5000}}) {
      LoadOutcome outcome;
      LoadInPieces(file, maxPiece, seed++, false, &outcome);
      ASSERT_NE(outcome.Pixbuf, nullptr) << name << ": " << (outcome.Error ? outcome.Error->message : "");
      EXPECT_EQ(outcome.Format, "fc-picture") << name;
      ExpectSamePicture(PixelsOf(outcome.Pixbuf), expected, name);
      EXPECT_TRUE(outcome.SizeAnnounced) << name;
      EXPECT_EQ(outcome.AnnouncedWidth, expected.Width) << name;
      EXPECT_EQ(outcome.AnnouncedHeight, expected.Height) << name;
      // gdk-pixbuf holds back the first 4 KiB to choose a loader; beyond,
      // the size comes once the headers are in, long before the pixel data end.
      if (file.size() > 8192) {
        EXPECT_LT(outcome.BytesBeforeSize, file.size() / 2 + 4096) << name << " in pieces of up to " << maxPiece;
        early += outcome.BytesBeforeSize < file.size() / 2 + 4096;
      }
    }
  }
  EXPECT_GE(early, 9) << "three pictures large enough to show it";
}

// One of the loader's own messages, with its code, in gdk-pixbuf's domain.
bool IsOneOfOurMessages(const GError* error) {
  if (error == nullptr || error->domain != GDK_PIXBUF_ERROR) return false;
  for (int32_t result : {ResultNotOurFormat, ResultBrokenData, DataEnded, ResultNoMemory, ResultNotImplemented,
                         LoadInputTooLarge, LoadPictureTooLarge}) {
    const LoadMessage message = MessageForResult(result);
    if (error->code == message.Code && std::string(error->message) == message.Text) return true;
  }
  return false;
}

// The loader core's own description of a whole file; 0 or why there is none.
int32_t DescribeWhole(const Bytes& file, PictureSize* size) {
  PictureLoader loader;
  BeginPictureLoad(&loader, DesktopLoaderLimits);
  int32_t result = AppendPictureBytes(&loader, file.data(), file.size());
  if (result == ResultSuccess) result = DescribeLoadedPicture(&loader, size);
  EndPictureLoad(&loader);
  return result;
}

// Pictures up to this size are decoded here too; beyond, only their size is
// compared (a few hostile headers promise hundreds of megapixels).
constexpr int64_t LargestCompared = 1 << 22;

// A picture or an error, never both, never neither; a picture only where the
// picture filter decodes one, with its pixels, and an error only where it
// does not (or the picture is beyond the loader's limits).
void Replay(const std::vector<PictureCase>& cases) {
  uint32_t seed = 7;
  for (const PictureCase& hostile : cases) {
    LoadOutcome outcome;
    LoadInPieces(hostile.File, 4096, seed++, true, &outcome);
    ASSERT_TRUE((outcome.Pixbuf == nullptr) != (outcome.Error == nullptr)) << hostile.Name;
    PictureSize size{};
    const int32_t described = DescribeWhole(hostile.File, &size);
    const bool compared = described == ResultSuccess && int64_t{size.Width} * size.Height <= LargestCompared;
    if (outcome.Pixbuf != nullptr) {
      ASSERT_EQ(described, ResultSuccess) << hostile.Name;
      EXPECT_EQ(gdk_pixbuf_get_width(outcome.Pixbuf), size.Width) << hostile.Name;
      EXPECT_EQ(gdk_pixbuf_get_height(outcome.Pixbuf), size.Height) << hostile.Name;
      if (compared) ExpectSamePicture(PixelsOf(outcome.Pixbuf), Reference(hostile.File), hostile.Name);
      continue;
    }
    EXPECT_TRUE(IsOneOfOurMessages(outcome.Error)) << hostile.Name << ": " << outcome.Error->message;
    if (compared) {
      EXPECT_EQ(Reference(hostile.File).Width, 0) << hostile.Name << ": decodes, but the loader said "
                                                   << outcome.Error->message;
    }
  }
}

TEST(PixbufHostile, EveryCaseEndsInAPictureOrAGError) {
  const std::vector<PictureCase> cases = HostilePictureCases();
  ASSERT_GT(cases.size(), 1000u);
  Replay(cases);
  Replay(FoundPictureCases(FC_HOSTILE_FINDINGS));
}

} // namespace
