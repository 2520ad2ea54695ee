// Pictures as the host reaches them: kind detection, the description, and
// the DIB build with decoding, for IPF, IPQ (the display mode is the last
// input byte modulo 5) and MCG. A success must hand out exactly the picture
// the description promised, which the plain reference decoders recompute
// here; a failure must be one of the documented codes. The decoders'
// whole-buffer entries meet the reference decoders on the raw code streams.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "common/result_codes.h"
#include "container/chunks.h"
#include "container/frames.h"
#include "container/ipq_display_mode.h"
#include "container/picture_kind.h"
#include "container/read_picture_info.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/reference_dib.h"
#include "picture_filter/decode_picture.h"
#include "picture_filter/dib_layout.h"
#include "picture_filter/ipf_decoder.h"
#include "picture_filter/mcg_decoder.h"
#include "tests/reference/reference_decoders.h"

namespace {

// Pixel blocks and MCG work buffers beyond this are not allocated here: a
// header may promise gigabytes, which the host's allocation then refuses.
constexpr int64_t LargestBlock = 4 << 20;

void CheckDescription(const PictureImage& picture, PictureKind kind, int32_t mode, const PictureInfo& info) {
  FUZZ_CHECK(info.XDensity == 0 && info.YDensity == 0 && info.InfoHandle == nullptr);
  if (kind == McgPicture) {
    FUZZ_CHECK(info.Left == 0 && info.Top == 0);
    FUZZ_CHECK(info.Width == ReadI32(picture.Image + 28) && info.Height == ReadI32(picture.Image + 32));
    FUZZ_CHECK(info.ColorDepth == static_cast<int16_t>(ReadU16(picture.Image + 36)));
    return;
  }
  FUZZ_CHECK(info.ColorDepth == 8);
  FUZZ_CHECK(info.Width >= 0 && info.Width <= 0xFFFF && info.Height >= 0);
  if (kind == IpqPicture && mode == ShowConnected) {
    FUZZ_CHECK(info.Left == 0 && info.Top == 0);
  } else {
    FUZZ_CHECK(info.Height <= 0xFFFF && info.Left >= 0 && info.Left <= 0xFFFF && info.Top >= 0 &&
               info.Top <= 0xFFFF);
  }
}

// The decoders' whole-buffer entries (the benchmark's, and the tests') on
// the first frame's code stream or the MCG data, against the reference
// decoders on the same bytes: the same result, and on success the same bytes.
void CheckWholeBufferDecoders(const PictureImage& picture, PictureKind kind) {
  if (kind == McgPicture) {
    if (!IsReadable(picture.Input, picture.Image, 64)) return;
    const int32_t count = ReadI32(picture.Image + 44), unpacked = ReadI32(picture.Image + 40);
    if (count < 0 || count > 256 || unpacked < 0 || unpacked > LargestBlock) return;
    const uint8_t* data = ReadableAt(picture.Input, picture.Image, 64 + 4 * int64_t{count}, 0);
    if (data == nullptr) return;
    const size_t length = BytesLeft(picture.Input, data), size = static_cast<size_t>(unpacked);
    std::vector<uint8_t> work(McgLeadIn + size + McgRunOut), reference(size + 18);
    const int32_t fast = UnpackMcg(data, length, work.data() + McgLeadIn, size, Progress{});
    FUZZ_CHECK(fast == ReferenceUnpackMcg(data, length, reference.data(), size, Progress{}));
    if (fast == ResultSuccess) FUZZ_CHECK(std::equal(reference.begin(), reference.begin() + size, work.begin() + McgLeadIn));
    return;
  }
  const uint8_t* chunk = FrameChunk(picture, 0);
  if (chunk == nullptr || !IsReadable(picture.Input, chunk, 32) || ReadU16(chunk + 26) != 1) return;
  const int64_t length = int64_t{ReadI32(chunk + 4)} - 24;
  const size_t pixels = size_t{ReadU16(chunk + 8)} * ReadU16(chunk + 10);
  if (length < 0 || !IsReadable(picture.Input, chunk + 32, static_cast<size_t>(length)) || pixels > LargestBlock) return;
  std::vector<uint8_t> work(IpfLeadIn + pixels + IpfRunOut), reference(pixels);
  const FrameProgress silent{Progress{}, 0, 0};
  const int32_t fast = DecodeIpfCodes(chunk + 32, static_cast<size_t>(length), work.data() + IpfLeadIn, pixels, silent);
  FUZZ_CHECK(fast == ReferenceDecodeIpf(chunk + 32, static_cast<size_t>(length), reference.data(), pixels, Progress{}, 0, 0));
  if (fast == ResultSuccess) FUZZ_CHECK(std::equal(reference.begin(), reference.end(), work.begin() + IpfLeadIn));
}

bool SameDescription(const PictureInfo& a, const PictureInfo& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Width == b.Width && a.Height == b.Height &&
         a.XDensity == b.XDensity && a.YDensity == b.YDensity && a.ColorDepth == b.ColorDepth &&
         a.InfoHandle == b.InfoHandle;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t control = data[size - 1];
  const int32_t mode = control % IpqDisplayModeCount;
  // The picture at the file offset the host names: 0; none at the end.
  PictureImage picture{};
  PictureImage none{};
  FUZZ_CHECK(PictureAtOffset(InputRange{data, size}, 0, &picture) && picture.Image == data);
  FUZZ_CHECK(!PictureAtOffset(InputRange{data, size}, size, &none) && none.Image == nullptr);

  const PictureKind kind = DetectImageKind(picture);
  FUZZ_CHECK(kind == (size >= 12 ? DetectPictureKind(data) : NotAPicture));

  PictureInfo info;
  std::memset(&info, 0xA5, sizeof info);
  const PictureInfo untouched = info;
  const int32_t described = ReadPictureInfo(picture, mode, &info);
  if (kind == NotAPicture) {
    FUZZ_CHECK(described == ResultNotOurFormat && std::memcmp(&info, &untouched, sizeof info) == 0);
    // Nor does the decoder take it, whatever block it is handed.
    uint8_t colours[4 * 256], pixels[16];
    FUZZ_CHECK(DecodePicture(picture, mode, DibTarget{colours, 256, pixels, 4, 4}, Progress{}) == ResultNotOurFormat);
    return 0;
  }
  FUZZ_CHECK(described == ResultSuccess || described == ResultBrokenData);
  CheckWholeBufferDecoders(picture, kind);
  if (described != ResultSuccess) return 0;
  CheckDescription(picture, kind, mode, info);
  PictureInfo again;
  FUZZ_CHECK(ReadPictureInfo(picture, mode, &again) == ResultSuccess && SameDescription(again, info));

  DibLayout layout;
  const int32_t laid = ComputeDibLayout(info, &layout);
  if (laid != ResultSuccess) {
    FUZZ_CHECK(laid == (ColourTableEntries(info.ColorDepth) < 0 ? ResultNotImplemented : ResultBrokenData));
    return 0;
  }
  const int64_t rowBytes = (int64_t{info.ColorDepth} * info.Width + 7) / 8;
  FUZZ_CHECK(layout.Stride % 4 == 0 && layout.Stride >= rowBytes && layout.Stride < rowBytes + 4);
  FUZZ_CHECK(int64_t{layout.ImageSize} == int64_t{layout.Stride} * info.Height);
  FUZZ_CHECK(layout.InfoSize == BitmapInfoHeaderSize + 4 * layout.ColourEntries);
  // The header the host's DIB starts with, in a block of exactly its size.
  std::unique_ptr<uint8_t[]> header(new uint8_t[BitmapInfoHeaderSize]);
  WriteBitmapInfoHeader(info, layout, header.get());
  FUZZ_CHECK(ReadU32(header.get()) == BitmapInfoHeaderSize && ReadI32(header.get() + 4) == info.Width &&
             ReadI32(header.get() + 8) == info.Height && ReadU16(header.get() + 12) == 1 &&
             ReadU16(header.get() + 14) == info.ColorDepth && ReadU32(header.get() + 16) == 0 &&
             ReadI32(header.get() + 20) == layout.ImageSize);
  for (int at = 24; at < BitmapInfoHeaderSize; ++at) FUZZ_CHECK(header[at] == 0);
  if (layout.ImageSize > LargestBlock) return 0;
  if (kind == McgPicture && IsReadable(picture.Input, data, 64) && ReadI32(data + 40) > LargestBlock) return 0;

  // Exact blocks, zero-filled as the host's LMEM_ZEROINIT gives them: a byte
  // written outside them is a sanitizer report.
  std::unique_ptr<uint8_t[]> colours(new uint8_t[4 * static_cast<size_t>(layout.ColourEntries)]());
  std::unique_ptr<uint8_t[]> pixels(new uint8_t[static_cast<size_t>(layout.ImageSize)]());
  const DibTarget target{colours.get(), layout.ColourEntries, pixels.get(), layout.Stride, info.Height};
  FuzzProgress progress;
  progress.CancelAt = CancelPointOf(control);
  const int32_t result = DecodePicture(picture, mode, target, progress.Reporter());

  FUZZ_CHECK(result == ResultSuccess || result == ResultCancelled || result == ResultBrokenData ||
             result == DataEnded || (result == ResultNotImplemented && kind != McgPicture));
  FUZZ_CHECK((result == ResultCancelled) == progress.Cancelled);
  if (result != ResultSuccess) return 0;

  CheckDib(ExpectDib(picture, mode, info, layout), colours.get(), pixels.get());
  return 0;
}
