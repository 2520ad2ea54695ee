// The frames of an IPQ container, reached through its "anim" table.
#pragma once
#include "container/picture_image.h"

constexpr int32_t EndOfFrames = 256;
constexpr size_t ContainerHeaderSize = 56;
constexpr size_t AnimHeaderSize = 12;     // id, size, frame count
constexpr size_t BitmapHeaderSize = 32;   // chunk header and picture header of a "bmp " chunk

// Frames of the container: 1 for an IPF, the "anim" count as stored for an IPQ
// (may be 0 or negative), 0 when the header or the "anim" chunk is unusable.
int32_t FrameCount(const PictureImage& picture);

// The chunk of frame `index`, or null. An IPF gives its "bmp " chunk for every
// index. The result lies inside the input but is not examined further: callers
// test that its first 32 bytes are readable.
const uint8_t* FrameChunk(const PictureImage& picture, int32_t index);

struct FrameWalk {
  int32_t Status;            // 0 on a frame, 3 broken data, EndOfFrames past the last
  PictureImage Image;
  const uint8_t* AnimChunk;
  const uint8_t* Current;    // the current frame's chunk as FrameChunk gives it; may be null
  int32_t Index;
};

// Walk: if FirstFrame gives 0, use Current, then NextFrame while it gives 0;
// FinishFrames gives the walk's result (0 after the last frame, else 3).
int32_t FirstFrame(const PictureImage& picture, FrameWalk* walk);
int32_t NextFrame(FrameWalk* walk);
int32_t FinishFrames(const FrameWalk* walk);
