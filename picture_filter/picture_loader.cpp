#include "picture_filter/picture_loader.h"

#include <cstdlib>
#include <cstring>

#include "common/result_codes.h"
#include "container/ipq_display_mode.h"
#include "container/read_picture_info.h"
#include "picture_filter/decode_picture.h"
#include "picture_filter/dib_layout.h"
#include "picture_filter/rgb_rows.h"

namespace {

constexpr size_t KindBytes = 12;
constexpr size_t FirstCapacity = 64 << 10;
constexpr int32_t ShownMode = ShowConnected;

PictureImage WholeInput(const PictureLoader& loader) {
  return PictureImage{InputRange{loader.Data, loader.Size}, loader.Data};
}

bool Reserve(PictureLoader* loader, size_t needed) {
  if (needed <= loader->Capacity) return true;
  size_t capacity = loader->Capacity == 0 ? FirstCapacity : loader->Capacity;
  while (capacity < needed) capacity = capacity > SIZE_MAX / 2 ? needed : capacity * 2;
  if (capacity > loader->Limits.MaxInputBytes) capacity = loader->Limits.MaxInputBytes;
  uint8_t* grown = static_cast<uint8_t*>(std::realloc(loader->Data, capacity));
  if (grown == nullptr) return false;
  loader->Data = grown;
  loader->Capacity = capacity;
  return true;
}

// The description of the bytes so far, in the display mode the loader shows.
// Until the input is `complete`, headers that cannot be read yet only mean
// that more bytes are to come; a size the DIB rules or the limits refuse is
// final at once.
int32_t Describe(const PictureLoader& loader, bool complete, PictureSize* size) {
  const PictureImage picture = WholeInput(loader);
  const PictureKind kind = DetectImageKind(picture);
  if (kind == NotAPicture) return complete || loader.Size >= KindBytes ? ResultNotOurFormat : LoadNeedsMoreData;
  PictureInfo info;
  const int32_t described = ReadPictureInfo(picture, ShownMode, &info);
  if (described == ResultBrokenData && !complete) return LoadNeedsMoreData;
  if (described != ResultSuccess) return described;
  DibLayout layout;
  const int32_t laid = ComputeDibLayout(info, &layout);
  if (laid != ResultSuccess) return laid;
  if (int64_t{info.Width} * info.Height > loader.Limits.MaxPixels) return LoadPictureTooLarge;
  *size = PictureSize{kind, info.Width, info.Height, info.ColorDepth};
  return ResultSuccess;
}

} // namespace

void BeginPictureLoad(PictureLoader* loader, const LoaderLimits& limits) {
  *loader = PictureLoader{};
  loader->Limits = limits;
}

int32_t AppendPictureBytes(PictureLoader* loader, const uint8_t* bytes, size_t count) {
  if (count > loader->Limits.MaxInputBytes - loader->Size) return LoadInputTooLarge;
  if (!Reserve(loader, loader->Size + count)) return ResultNoMemory;
  if (count > 0) std::memcpy(loader->Data + loader->Size, bytes, count);
  const bool kindShown = loader->Size < KindBytes && loader->Size + count >= KindBytes;
  loader->Size += count;
  if (kindShown && DetectPictureKind(loader->Data) == NotAPicture) return ResultNotOurFormat;
  return ResultSuccess;
}

int32_t ProbePictureSize(PictureLoader* loader) {
  if (loader->SizeKnown) return ResultSuccess;
  // Headers up to the MCG header's 64 bytes are tried at every piece; beyond,
  // once the input has doubled.
  if (loader->Size < KindBytes) return LoadNeedsMoreData;
  if (loader->ProbedAt >= McgHeaderSize && loader->Size < 2 * loader->ProbedAt) return LoadNeedsMoreData;
  loader->ProbedAt = loader->Size;
  PictureSize size;
  const int32_t result = Describe(*loader, false, &size);
  if (result != ResultSuccess) return result;
  loader->SizeKnown = true;
  loader->Known = size;
  return ResultSuccess;
}

int32_t DescribeLoadedPicture(PictureLoader* loader, PictureSize* size) {
  const int32_t result = Describe(*loader, true, size);
  if (result == ResultSuccess) {
    loader->SizeKnown = true;
    loader->Known = *size;
  }
  return result;
}

int32_t DecodeLoadedPicture(const PictureLoader& loader, const PictureSize& size, uint8_t* rgb, size_t rgbStride) {
  PictureInfo info{};
  info.Width = size.Width;
  info.Height = size.Height;
  info.ColorDepth = static_cast<int16_t>(size.Depth);
  DibLayout layout;
  const int32_t laid = ComputeDibLayout(info, &layout);
  if (laid != ResultSuccess) return laid;
  // The DIB exactly as the plug-in hands it to a host, zero-filled.
  uint8_t colours[4 * 256] = {};
  uint8_t* pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(layout.ImageSize), 1));
  if (pixels == nullptr) return ResultNoMemory;
  const DibTarget dib{layout.ColourEntries > 0 ? colours : nullptr, layout.ColourEntries, pixels, layout.Stride,
                      info.Height};
  const int32_t result = DecodePicture(WholeInput(loader), ShownMode, dib, Progress{nullptr, 0});
  if (result == ResultSuccess) CopyDibAsRgb(dib, info.Width, info.ColorDepth, rgb, rgbStride);
  std::free(pixels);
  return result;
}

void EndPictureLoad(PictureLoader* loader) {
  std::free(loader->Data);
  const LoaderLimits limits = loader->Limits;
  BeginPictureLoad(loader, limits);
}
