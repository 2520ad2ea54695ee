// Every test picture through WIC, by file name, by stream and through the
// codec's own class factory: frame counts, sizes, pixel formats, and the
// pixels converted to 24bppBGR against the colours Palvo gives.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/wic/wic_client.h"

namespace {

const GUID ContainerFormat = {0x967f9b3d, 0xdd6d, 0x4fd8, {0x8e, 0xd3, 0x81, 0x53, 0x5c, 0xc0, 0x98, 0x06}};

// The first differing pixel, or -1.
long FirstDifference(const BgrPicture& got, const BgrPicture& expected) {
  for (size_t i = 0; i < expected.Pixels.size(); ++i) {
    if (got.Pixels[i] != expected.Pixels[i]) return static_cast<long>(i / 3);
  }
  return -1;
}

void ExpectPalvosPicture(const TestPicture& picture, OpenRoute route) {
  SCOPED_TRACE(picture.Name);
  PalvoView palvo;
  ASSERT_TRUE(PalvoColours(picture, &palvo));
  ComRef<IWICBitmapDecoder> decoder;
  ASSERT_EQ(OpenPicture(picture, route, decoder.Out()), S_OK);
  GUID container{};
  ASSERT_EQ(decoder->GetContainerFormat(&container), S_OK);
  EXPECT_TRUE(container == ContainerFormat) << "another decoder took the file";
  UINT count = 0;
  ASSERT_EQ(decoder->GetFrameCount(&count), S_OK);
  ASSERT_EQ(count, picture.Frames.size());
  for (UINT index = 0; index < count; ++index) {
    SCOPED_TRACE("frame " + std::to_string(index));
    ComRef<IWICBitmapFrameDecode> frame;
    ASSERT_EQ(decoder->GetFrame(index, frame.Out()), S_OK);
    UINT width = 0, height = 0;
    ASSERT_EQ(frame->GetSize(&width, &height), S_OK);
    EXPECT_EQ(static_cast<int>(width), picture.Frames[index].Width);
    EXPECT_EQ(static_cast<int>(height), picture.Frames[index].Height);
    GUID format{};
    ASSERT_EQ(frame->GetPixelFormat(&format), S_OK);
    EXPECT_EQ(FormatName(format), FormatName(picture.Format));
    BgrPicture bgr;
    ASSERT_EQ(ConvertToBgr(frame.P, &bgr), S_OK);
    ASSERT_EQ(bgr.Pixels.size(), palvo.Frames[index].Pixels.size());
    EXPECT_EQ(FirstDifference(bgr, palvo.Frames[index]), -1);
  }
  ComRef<IWICBitmapFrameDecode> beyond;
  EXPECT_TRUE(FAILED(decoder->GetFrame(count, beyond.Out())));
}

void ExpectEveryPicture(OpenRoute route) {
  const int detoursBefore = WineConversionDetours;
  for (const TestPicture& picture : TestPictures()) ExpectPalvosPicture(picture, route);
  if (WineConversionDetours != detoursBefore) {
    std::printf("note: %d indexed frames went to 24bppBGR through 32bppBGRA (no direct conversion here)\n",
                WineConversionDetours - detoursBefore);
  }
}

} // namespace

TEST(WicRegistered, FileNamesOpenWithPalvosColours) { ExpectEveryPicture(OpenRoute::FileName); }

TEST(WicRegistered, StreamsOpenWithPalvosColours) { ExpectEveryPicture(OpenRoute::Stream); }

TEST(WicDirect, ClassFactoryDecoderGivesPalvosColours) { ExpectEveryPicture(OpenRoute::ClassFactory); }

// The registered decoder describes itself through WIC's component information.
TEST(WicRegistered, DecoderInfoNamesTheFormat) {
  ComRef<IWICBitmapDecoder> decoder;
  ASSERT_EQ(OpenPicture(TestPictures()[0], OpenRoute::Stream, decoder.Out()), S_OK);
  ComRef<IWICBitmapDecoderInfo> info;
  ASSERT_EQ(decoder->GetDecoderInfo(info.Out()), S_OK);
  wchar_t text[128] = {};
  UINT length = 0;
  ASSERT_EQ(info->GetFileExtensions(128, text, &length), S_OK);
  EXPECT_STREQ(text, L".ipf,.ipq,.mcg,.clm");
  GUID container{};
  ASSERT_EQ(info->GetContainerFormat(&container), S_OK);
  EXPECT_TRUE(container == ContainerFormat);
  ASSERT_EQ(info->GetFriendlyName(128, text, &length), S_OK);
  EXPECT_STREQ(text, L"F&C Picture Decoder (Palvo)");
}
