#include "web/core/shown_picture.h"

#include "common/result_codes.h"
#include "container/ipq_display_mode.h"
#include "container/picture_kind.h"
#include "container/read_picture_info.h"
#include "picture_filter/picture_loader.h"

namespace {

int32_t CheckPixels(int32_t width, int32_t height) {
  return int64_t{width} * height > DesktopLoaderLimits.MaxPixels ? LoadPictureTooLarge : ResultSuccess;
}

} // namespace

int32_t CheckInputSize(size_t size) {
  return size > DesktopLoaderLimits.MaxInputBytes ? LoadInputTooLarge : ResultSuccess;
}

int32_t DescribeShownPicture(const InputRange& input, PictureInfo* info, DibLayout* layout) {
  const PictureImage picture{input, input.First};
  if (DetectImageKind(picture) == NotAPicture) return ResultNotOurFormat;
  int32_t result = ReadPictureInfo(picture, ShowConnected, info);
  if (result != ResultSuccess) return result;
  result = ComputeDibLayout(*info, layout);
  if (result != ResultSuccess) return result;
  return CheckPixels(info->Width, info->Height);
}

int32_t DescribeShownFrame(const InputRange& input, int32_t frame, CodecFrameShape* shape) {
  const int32_t result = DescribeCodecFrame(input, frame, shape);
  if (result != ResultSuccess) return result;
  return CheckPixels(shape->Width, shape->Height);
}
