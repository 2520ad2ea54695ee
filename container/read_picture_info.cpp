#include "container/read_picture_info.h"

#include "common/result_codes.h"
#include "container/chunks.h"
#include "container/frames.h"
#include "container/picture_kind.h"

void ReadBitmapChunkInfo(const uint8_t* chunk, PictureInfo* info) {
  info->Left = ReadU16(chunk + 16);
  info->Top = ReadU16(chunk + 18);
  info->Width = ReadU16(chunk + 8);
  info->Height = ReadU16(chunk + 10);
  info->XDensity = 0;
  info->YDensity = 0;
  info->ColorDepth = 8;
  info->InfoHandle = nullptr;
}

int32_t ReadConnectedInfo(const PictureImage& picture, PictureInfo* info) {
  *info = PictureInfo{};
  info->ColorDepth = 8;
  // The height sum of up to 2^31 frames of 65535 rows needs more than 32 bits;
  // a picture taller than int32 can hold is broken.
  int64_t height = 0;
  FrameWalk walk;
  for (int32_t step = FirstFrame(picture, &walk); step == ResultSuccess; step = NextFrame(&walk)) {
    if (walk.Current == nullptr || !IsReadable(picture.Input, walk.Current, BitmapHeaderSize)) {
      return ResultBrokenData;
    }
    const int32_t width = ReadU16(walk.Current + 8);
    if (width > info->Width) info->Width = width;
    height += ReadU16(walk.Current + 10);
    if (height > INT32_MAX) return ResultBrokenData;
    info->Height = static_cast<int32_t>(height);
  }
  return FinishFrames(&walk);
}

int32_t SelectedFrameIndex(const PictureImage& picture, int32_t mode) {
  switch (mode) {
    case ShowFirst: return 0;
    case ShowSecond: return 1;
    default: {
      const int32_t count = FrameCount(picture);
      return count > 0 ? count - 1 : -1; // no frame to show
    }
  }
}

namespace {

int32_t ReadSingleBitmapInfo(const PictureImage& picture, const uint8_t* chunk, PictureInfo* info) {
  if (chunk == nullptr || !IsReadable(picture.Input, chunk, BitmapHeaderSize)) return ResultBrokenData;
  ReadBitmapChunkInfo(chunk, info);
  return ResultSuccess;
}

int32_t ReadMcgInfo(const PictureImage& picture, PictureInfo* info) {
  if (!IsReadable(picture.Input, picture.Image, McgHeaderSize)) return ResultBrokenData;
  *info = PictureInfo{};
  info->Width = ReadI32(picture.Image + 28);
  info->Height = ReadI32(picture.Image + 32);
  info->ColorDepth = static_cast<int16_t>(ReadU16(picture.Image + 36));
  return ResultSuccess;
}

} // namespace

int32_t ReadPictureInfo(const PictureImage& picture, int32_t mode, PictureInfo* info) {
  switch (DetectImageKind(picture)) {
    case IpfPicture:
      return ReadSingleBitmapInfo(picture, FindChunk(picture, "bmp "), info);
    case IpqPicture:
      if (mode == ShowConnected) return ReadConnectedInfo(picture, info);
      {
        const int32_t index = SelectedFrameIndex(picture, mode);
        return ReadSingleBitmapInfo(picture, FrameChunk(picture, index), info);
      }
    case McgPicture:
      return ReadMcgInfo(picture, info);
    default:
      return ResultNotOurFormat;
  }
}
