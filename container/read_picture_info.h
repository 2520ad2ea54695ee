// Size and depth of a picture, for each format and each IPQ display mode.
#pragma once
#include "container/ipq_display_mode.h"
#include "container/picture_image.h"
#include "container/picture_info.h"

constexpr size_t McgHeaderSize = 64;

// Fills `info` and returns 0, 2 (not a picture of ours: nothing written) or 3
// (broken data). An IPQ is described as the display mode `mode` shows it.
int32_t ReadPictureInfo(const PictureImage& picture, int32_t mode, PictureInfo* info);

// The frame an IPQ shows in a single-frame mode (every mode but ShowConnected).
int32_t SelectedFrameIndex(const PictureImage& picture, int32_t mode);

// The description of one "bmp " chunk whose 32 header bytes are readable.
void ReadBitmapChunkInfo(const uint8_t* chunk, PictureInfo* info);

// The connected picture: the widest frame's width, the frames' heights summed.
int32_t ReadConnectedInfo(const PictureImage& picture, PictureInfo* info);
