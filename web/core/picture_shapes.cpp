// fc_sniff, fc_describe, fc_describe_frame: what a file is and the shapes of
// its picture and frames, without decoding pixels.
#include "common/result_codes.h"
#include "container/picture_kind.h"
#include "vfs_archive/vfs_format.h"
#include "web/core/fc_wasm.h"
#include "web/core/shown_picture.h"

int32_t fc_sniff(const uint8_t* bytes, uint32_t size) {
  const InputRange input{bytes, size};
  switch (DetectImageKind(PictureImage{input, bytes})) {
    case IpfPicture: return FcIpf;
    case IpqPicture: return FcIpq;
    case McgPicture: return FcMcg;
    default: break;
  }
  return IsVfsHeader(input, bytes) ? FcVfs : FcNone;
}

int32_t fc_describe(const uint8_t* bytes, uint32_t size, FcDescription* description) {
  int32_t result = CheckInputSize(size);
  if (result != ResultSuccess) return result;
  const InputRange input{bytes, size};
  PictureInfo info;
  DibLayout layout;
  result = DescribeShownPicture(input, &info, &layout);
  if (result != ResultSuccess) return result;
  int32_t frames = 0;
  result = CountCodecFrames(input, &frames);
  if (result != ResultSuccess) return result;
  *description = FcDescription{fc_sniff(bytes, size), frames, info.Width, info.Height, info.ColorDepth,
                               layout.ColourEntries};
  return ResultSuccess;
}

int32_t fc_describe_frame(const uint8_t* bytes, uint32_t size, int32_t frame, FcFrameShape* shape) {
  const int32_t result = CheckInputSize(size);
  if (result != ResultSuccess) return result;
  CodecFrameShape codec;
  const int32_t described = DescribeShownFrame(InputRange{bytes, size}, frame, &codec);
  if (described != ResultSuccess) return described;
  *shape = FcFrameShape{codec.Width, codec.Height, codec.Depth, codec.ColourEntries};
  return ResultSuccess;
}
