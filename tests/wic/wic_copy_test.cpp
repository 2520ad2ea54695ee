// CopyPixels in the frame's own format: sub-rectangles at any column (bit
// offsets in 1- and 4-bit rows), padded strides, exact and short buffers,
// and the palettes; plus the decoder's answers outside the normal order.
#include <gtest/gtest.h>

#include "tests/wic/wic_client.h"

namespace {

int BitsOf(const GUID& format) {
  if (format == GUID_WICPixelFormat1bppIndexed) return 1;
  if (format == GUID_WICPixelFormat4bppIndexed) return 4;
  if (format == GUID_WICPixelFormat8bppIndexed) return 8;
  return 24;
}

UINT RowBytes(int width, int bits) { return static_cast<UINT>((width * bits + 7) / 8); }

// The pixel value that starts `bit` bits into `row`.
uint32_t PixelAt(const uint8_t* row, int bit, int bits) {
  if (bits >= 8) {
    uint32_t value = 0;
    for (int b = 0; b < bits / 8; ++b) value |= uint32_t{row[bit / 8 + b]} << (8 * b);
    return value;
  }
  return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

void ExpectRectangle(IWICBitmapFrameDecode* frame, const Bytes& whole, int frameWidth, int bits,
                     const WICRect& rectangle) {
  SCOPED_TRACE("rectangle " + std::to_string(rectangle.X) + "," + std::to_string(rectangle.Y) + " " +
               std::to_string(rectangle.Width) + "x" + std::to_string(rectangle.Height));
  const UINT rowBytes = RowBytes(rectangle.Width, bits);
  const UINT stride = rowBytes + 5; // padded, and not a multiple of 4
  const UINT exact = stride * (rectangle.Height - 1) + rowBytes;
  Bytes buffer(exact + 16, 0xCD);
  EXPECT_EQ(frame->CopyPixels(&rectangle, stride, exact - 1, buffer.data()), WINCODEC_ERR_INSUFFICIENTBUFFER);
  ASSERT_EQ(frame->CopyPixels(&rectangle, stride, exact, buffer.data()), S_OK);
  const UINT wholeStride = RowBytes(frameWidth, bits);
  for (int r = 0; r < rectangle.Height; ++r) {
    const uint8_t* row = buffer.data() + static_cast<size_t>(r) * stride;
    const uint8_t* source = whole.data() + static_cast<size_t>(rectangle.Y + r) * wholeStride;
    for (int i = 0; i < rectangle.Width; ++i) {
      ASSERT_EQ(PixelAt(row, i * bits, bits), PixelAt(source, (rectangle.X + i) * bits, bits))
          << "row " << r << " pixel " << i;
    }
    const int tail = (rectangle.Width * bits) % 8;
    if (tail != 0) {
      EXPECT_EQ(row[rowBytes - 1] & (0xFF >> tail), 0) << "row " << r;
    }
    if (r + 1 < rectangle.Height) {
      for (UINT pad = rowBytes; pad < stride; ++pad) ASSERT_EQ(row[pad], 0xCD) << "padding of row " << r;
    }
  }
  for (size_t after = exact; after < buffer.size(); ++after) ASSERT_EQ(buffer[after], 0xCD);
}

void ExpectRectangles(IWICBitmapFrameDecode* frame, int width, int height, int bits) {
  const UINT wholeStride = RowBytes(width, bits);
  Bytes whole(static_cast<size_t>(wholeStride) * height);
  ASSERT_EQ(frame->CopyPixels(nullptr, wholeStride, static_cast<UINT>(whole.size()), whole.data()), S_OK);
  std::vector<WICRect> rectangles = {{0, 0, width, height}, {width - 1, 0, 1, height}, {0, height - 1, width, 1}};
  if (width > 2 && height > 2) {
    rectangles.push_back({1, 1, width - 2, height - 2});
    rectangles.push_back({width / 3, height / 2, width - width / 3 - 1, height - height / 2});
  }
  for (const WICRect& rectangle : rectangles) ExpectRectangle(frame, whole, width, bits, rectangle);

  Bytes buffer(whole.size() + 64);
  const UINT size = static_cast<UINT>(buffer.size());
  const WICRect outside[] = {{1, 0, width, 1}, {0, 1, 1, height}, {-1, 0, 1, 1}, {0, 0, -1, 1}};
  for (const WICRect& rectangle : outside) {
    EXPECT_EQ(frame->CopyPixels(&rectangle, wholeStride, size, buffer.data()), E_INVALIDARG);
  }
  if (wholeStride > 1) {
    EXPECT_EQ(frame->CopyPixels(nullptr, wholeStride - 1, size, buffer.data()), E_INVALIDARG);
  }
}

} // namespace

TEST(WicDirect, CopyPixelsTakesRectanglesAndPaddedStrides) {
  for (const TestPicture& picture : TestPictures()) {
    SCOPED_TRACE(picture.Name);
    ComRef<IWICBitmapDecoder> decoder;
    ASSERT_EQ(OpenPicture(picture, OpenRoute::ClassFactory, decoder.Out()), S_OK);
    for (UINT index = 0; index < picture.Frames.size(); ++index) {
      SCOPED_TRACE("frame " + std::to_string(index));
      ComRef<IWICBitmapFrameDecode> frame;
      ASSERT_EQ(decoder->GetFrame(index, frame.Out()), S_OK);
      ExpectRectangles(frame.P, picture.Frames[index].Width, picture.Frames[index].Height, BitsOf(picture.Format));
    }
  }
}

TEST(WicDirect, PalettesAreTheColourTablesPalvoGives) {
  for (const TestPicture& picture : TestPictures()) {
    SCOPED_TRACE(picture.Name);
    PalvoView palvo;
    ASSERT_TRUE(PalvoColours(picture, &palvo));
    ComRef<IWICBitmapDecoder> decoder;
    ASSERT_EQ(OpenPicture(picture, OpenRoute::ClassFactory, decoder.Out()), S_OK);
    for (UINT index = 0; index < picture.Frames.size(); ++index) {
      ComRef<IWICBitmapFrameDecode> frame;
      ASSERT_EQ(decoder->GetFrame(index, frame.Out()), S_OK);
      ComRef<IWICPalette> palette;
      ASSERT_EQ(ImagingFactory()->CreatePalette(palette.Out()), S_OK);
      const Bytes& table = palvo.ColourTables[index];
      if (table.empty()) {
        EXPECT_EQ(frame->CopyPalette(palette.P), WINCODEC_ERR_PALETTEUNAVAILABLE);
        continue;
      }
      ASSERT_EQ(frame->CopyPalette(palette.P), S_OK);
      WICColor colours[256];
      UINT count = 0;
      ASSERT_EQ(palette->GetColors(256, colours, &count), S_OK);
      ASSERT_EQ(count * 4, table.size());
      for (UINT entry = 0; entry < count; ++entry) {
        const WICColor expected = 0xFF000000u | (uint32_t{table[4 * entry + 2]} << 16) |
                                  (uint32_t{table[4 * entry + 1]} << 8) | table[4 * entry];
        ASSERT_EQ(colours[entry], expected) << "entry " << entry;
      }
    }
  }
}

TEST(WicDirect, DecoderAnswersOutOfOrderCallsWithFailures) {
  ComRef<IWICBitmapDecoder> decoder;
  ASSERT_EQ(DirectDecoder(decoder.Out()), S_OK);
  UINT count = 0;
  EXPECT_EQ(decoder->GetFrameCount(&count), WINCODEC_ERR_NOTINITIALIZED);
  ComRef<IWICBitmapFrameDecode> frame;
  EXPECT_EQ(decoder->GetFrame(0, frame.Out()), WINCODEC_ERR_NOTINITIALIZED);

  const TestPicture picture = TestPictures()[4]; // the IPQ of four frames
  ComRef<IStream> stream;
  ASSERT_EQ(MemoryStream(picture.File, stream.Out()), S_OK);
  DWORD capability = 0;
  ASSERT_EQ(decoder->QueryCapability(stream.P, &capability), S_OK);
  EXPECT_NE(capability & WICBitmapDecoderCapabilityCanDecodeAllImages, 0u);
  ASSERT_EQ(decoder->Initialize(stream.P, WICDecodeMetadataCacheOnLoad), S_OK);
  EXPECT_EQ(decoder->Initialize(stream.P, WICDecodeMetadataCacheOnLoad), WINCODEC_ERR_WRONGSTATE);
  ASSERT_EQ(decoder->GetFrameCount(&count), S_OK);
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(decoder->GetFrame(4, frame.Out()), E_INVALIDARG);
  EXPECT_EQ(frame.P, nullptr);
  EXPECT_EQ(decoder->GetFrame(0, nullptr), E_INVALIDARG);
  ComRef<IWICBitmapSource> thumbnail;
  EXPECT_EQ(decoder->GetThumbnail(thumbnail.Out()), WINCODEC_ERR_CODECNOTHUMBNAIL);

  ComRef<IStream> text;
  ASSERT_EQ(MemoryStream(Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}, text.Out()), S_OK);
  ASSERT_EQ(decoder->QueryCapability(text.P, &capability), S_OK);
  EXPECT_EQ(capability, 0u);
  ComRef<IWICBitmapDecoder> other;
  ASSERT_EQ(DirectDecoder(other.Out()), S_OK);
  EXPECT_EQ(other->Initialize(text.P, WICDecodeMetadataCacheOnDemand), WINCODEC_ERR_UNKNOWNIMAGEFORMAT);
}
