// fc_decode and fc_release: a picture or one frame decoded by the frame
// server the WIC codec and the Qt plug-in use, handed over as index bytes,
// palette and RGBA.
#include <cstdlib>

#include "common/result_codes.h"
#include "container/ipq_display_mode.h"
#include "web/core/decoded_rows.h"
#include "web/core/fc_wasm.h"
#include "web/core/shown_picture.h"

namespace {

int32_t DecodeShown(const InputRange& input, int32_t frame, CodecFrame* decoded) {
  if (frame == -1) {
    PictureInfo info;
    DibLayout layout;
    const int32_t result = DescribeShownPicture(input, &info, &layout);
    if (result != ResultSuccess) return result;
    return DecodeCodecPicture(input, ShowConnected, decoded);
  }
  CodecFrameShape shape;
  const int32_t result = DescribeShownFrame(input, frame, &shape);
  if (result != ResultSuccess) return result;
  return DecodeCodecFrame(input, frame, decoded);
}

} // namespace

int32_t fc_decode(const uint8_t* bytes, uint32_t size, int32_t frame, int32_t want, FcDecoded** decoded) {
  *decoded = nullptr;
  int32_t result = CheckInputSize(size);
  if (result != ResultSuccess) return result;
  CodecFrame codec;
  result = DecodeShown(InputRange{bytes, size}, frame, &codec);
  if (result != ResultSuccess) return result;
  result = MakeDecoded(codec, want, decoded);
  ReleaseCodecFrame(&codec);
  return result;
}

void fc_release(FcDecoded* decoded) {
  if (decoded == nullptr) return;
  std::free(decoded->Indices);
  std::free(decoded->Rgba);
  std::free(decoded);
}
