#include "container/frames.h"

#include "common/result_codes.h"
#include "container/chunks.h"

namespace {

bool IsIpqContainer(const PictureImage& picture) {
  return HasTag(picture.Image + 8, "IPQ ");
}

// The "anim" chunk when its header and first table entry are readable.
const uint8_t* UsableAnimChunk(const PictureImage& picture) {
  const uint8_t* anim = FindChunk(picture, "anim");
  if (anim == nullptr || !IsReadable(picture.Input, anim, AnimHeaderSize + 4)) return nullptr;
  return anim;
}

// Frame `index` of the table in a usable "anim" chunk.
const uint8_t* FrameInTable(const PictureImage& picture, const uint8_t* anim, int32_t index) {
  const int32_t count = ReadI32(anim + 8);
  if (index < 0 || index >= count) return nullptr;
  const uint64_t tableBytes = AnimHeaderSize + 4 * static_cast<uint64_t>(count);
  if (tableBytes > picture.Input.Size || !IsReadable(picture.Input, anim, static_cast<size_t>(tableBytes))) {
    return nullptr;
  }
  const int32_t offset = ReadI32(anim + AnimHeaderSize + 4 * static_cast<size_t>(index));
  return ReadableAt(picture.Input, picture.Image, offset, 1);
}

} // namespace

int32_t FrameCount(const PictureImage& picture) {
  if (!IsReadable(picture.Input, picture.Image, ContainerHeaderSize)) return 0;
  if (!IsIpqContainer(picture)) return 1;
  const uint8_t* anim = UsableAnimChunk(picture);
  return anim == nullptr ? 0 : ReadI32(anim + 8);
}

const uint8_t* FrameChunk(const PictureImage& picture, int32_t index) {
  if (!IsReadable(picture.Input, picture.Image, ContainerHeaderSize)) return nullptr;
  if (!IsIpqContainer(picture)) return FindChunk(picture, "bmp ");
  const uint8_t* anim = UsableAnimChunk(picture);
  return anim == nullptr ? nullptr : FrameInTable(picture, anim, index);
}

int32_t FirstFrame(const PictureImage& picture, FrameWalk* walk) {
  *walk = FrameWalk{};
  walk->Image = picture;
  walk->AnimChunk = UsableAnimChunk(picture);
  if (walk->AnimChunk == nullptr || ReadI32(walk->AnimChunk + 8) <= 0) {
    walk->Status = ResultBrokenData;
    return walk->Status;
  }
  walk->Current = FrameInTable(picture, walk->AnimChunk, 0);
  walk->Status = ResultSuccess;
  return ResultSuccess;
}

int32_t NextFrame(FrameWalk* walk) {
  walk->Status = ResultBrokenData;
  walk->Index += 1;
  if (walk->Index >= ReadI32(walk->AnimChunk + 8)) {
    walk->Status = EndOfFrames;
    return EndOfFrames;
  }
  walk->Current = FrameInTable(walk->Image, walk->AnimChunk, walk->Index);
  walk->Status = ResultSuccess;
  return ResultSuccess;
}

int32_t FinishFrames(const FrameWalk* walk) {
  return walk->Status == EndOfFrames ? ResultSuccess : walk->Status;
}
