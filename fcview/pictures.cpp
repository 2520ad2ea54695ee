#include "fcview/pictures.h"

#include <new>

#include "common/result_codes.h"
#include "container/frames.h"
#include "container/ipq_display_mode.h"
#include "container/read_picture_info.h"
#include "ipq_archive/ipq_frames.h"
#include "picture_filter/decode_picture.h"
#include "picture_filter/dib_layout.h"

namespace fcview {

const char* KindName(PictureKind kind) {
  switch (kind) {
    case IpfPicture: return "IPF picture";
    case IpqPicture: return "IPQ multi-picture";
    case McgPicture: return "MCG picture";
    default: return "not a picture";
  }
}

std::string ResultText(int32_t result) {
  const char* text;
  switch (result) {
    case ResultCancelled: text = "cancelled"; break;
    case ResultNotOurFormat: text = "not a picture or archive of F&C's"; break;
    case ResultBrokenData: text = "broken data"; break;
    case ResultNoMemory: text = "out of memory"; break;
    case ResultOpenFailed: text = "cannot be opened"; break;
    case ResultInternalError: text = "internal error"; break;
    case ResultWriteFailed: text = "cannot be written"; break;
    case DataEnded: text = "picture data ends early"; break;
    case ResultNotImplemented: text = "unsupported picture depth or kind"; break;
    default: text = "failed"; break;
  }
  return std::string(text) + " (result " + std::to_string(result) + ")";
}

int32_t DescribePicture(const InputRange& input, PictureSummary* summary) {
  const PictureImage picture{input, input.First};
  summary->Kind = DetectImageKind(picture);
  if (summary->Kind == NotAPicture) return ResultNotOurFormat;
  const int32_t result = ReadPictureInfo(picture, ShowConnected, &summary->Info);
  if (result != ResultSuccess) return result;
  summary->Frames = 1;
  summary->FrameSizes.clear();
  if (summary->Kind != IpqPicture) return ResultSuccess;
  FrameWalk walk;
  for (int32_t step = FirstFrame(picture, &walk); step == ResultSuccess; step = NextFrame(&walk)) {
    if (walk.Current == nullptr || !IsReadable(input, walk.Current, BitmapHeaderSize)) return ResultBrokenData;
    PictureInfo frame{};
    ReadBitmapChunkInfo(walk.Current, &frame);
    summary->FrameSizes.push_back(FrameSize{frame.Width, frame.Height});
  }
  summary->Frames = static_cast<int32_t>(summary->FrameSizes.size());
  return FinishFrames(&walk);
}

void DibToRgb(const DibPixels& dib, RgbImage* image) {
  const int32_t depth = dib.Depth;
  image->Width = dib.Width;
  image->Height = dib.Height;
  image->Rgb.assign(static_cast<size_t>(dib.Width) * dib.Height * 3, 0);
  image->IndexDepth = depth == 24 ? 0 : depth;
  image->Palette.clear();
  image->Indexes.clear();
  if (depth != 24) {
    const uint8_t* entry = dib.Table;
    for (int32_t i = 0; i < (1 << depth); ++i, entry += 4) {
      image->Palette.push_back((uint32_t{entry[2]} << 16) | (uint32_t{entry[1]} << 8) | entry[0]);
    }
    image->Indexes.reserve(static_cast<size_t>(dib.Width) * dib.Height);
  }
  for (int32_t y = 0; y < dib.Height; ++y) {
    // The DIB keeps the bottom row first.
    const uint8_t* row = dib.Rows + static_cast<size_t>(dib.Height - 1 - y) * dib.Stride;
    uint8_t* out = image->Rgb.data() + static_cast<size_t>(y) * dib.Width * 3;
    for (int32_t x = 0; x < dib.Width; ++x, out += 3) {
      const uint8_t* bgr;
      if (depth == 24) {
        bgr = row + static_cast<size_t>(x) * 3;
      } else {
        const size_t bit = static_cast<size_t>(x) * depth;
        const int shift = 8 - depth - static_cast<int>(bit % 8);
        const unsigned index = (row[bit / 8] >> shift) & ((1u << depth) - 1);
        bgr = dib.Table + index * 4;
        image->Indexes.push_back(static_cast<uint8_t>(index));
      }
      out[0] = bgr[2];
      out[1] = bgr[1];
      out[2] = bgr[0];
    }
  }
}

int32_t DecodeToRgb(const InputRange& input, int32_t mode, RgbImage* image) {
  const PictureImage picture{input, input.First};
  if (DetectImageKind(picture) == NotAPicture) return ResultNotOurFormat;
  PictureInfo info{};
  int32_t result = ReadPictureInfo(picture, mode, &info);
  if (result != ResultSuccess) return result;
  DibLayout layout{};
  result = ComputeDibLayout(info, &layout);
  if (result != ResultSuccess) return result;
  try {
    std::vector<uint8_t> table(static_cast<size_t>(layout.ColourEntries) * 4, 0);
    std::vector<uint8_t> pixels(static_cast<size_t>(layout.ImageSize), 0);
    const DibTarget dib{table.empty() ? nullptr : table.data(), layout.ColourEntries, pixels.data(), layout.Stride,
                        info.Height};
    result = DecodePicture(picture, mode, dib, Progress{nullptr, 0});
    if (result != ResultSuccess) return result;
    DibToRgb(DibPixels{info.Width, info.Height, info.ColorDepth, table.data(), pixels.data(),
                       static_cast<size_t>(layout.Stride)},
             image);
  } catch (const std::bad_alloc&) {
    return ResultNoMemory;
  }
  return ResultSuccess;
}

int32_t FrameAsIpf(const InputRange& input, int32_t index, std::vector<uint8_t>* ipf) {
  if (index < 0 || static_cast<size_t>(index) >= input.Size) return ResultNotOurFormat;
  const uint8_t* member = input.First + index;
  FrameWalk cursor{};
  char name[MemberNameBufferSize];
  int32_t size = 0;
  int32_t result = IpqFormat.Locate(input, member, name, &size, &cursor);
  if (result != ResultSuccess) return result;
  try {
    ipf->assign(static_cast<size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    return ResultNoMemory;
  }
  return IpqFormat.Write(input, member, ipf->data(), size, Progress{nullptr, 0}, &cursor);
}

} // namespace fcview
