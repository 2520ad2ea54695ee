// Pictures as the page shows them: described as the desktop loaders describe
// them (an IPQ stacked, the first frame on top) or one frame alone, and
// refused beyond the loaders' limits before anything is decoded.
#pragma once
#include <cstdint>

#include "common/input_range.h"
#include "container/picture_info.h"
#include "picture_filter/dib_layout.h"
#include "picture_filter/wic/codec_frames.h"

// 0, or LoadInputTooLarge for an input over the loaders' limit.
int32_t CheckInputSize(size_t size);

// The whole picture: 0; 2 when it is none of ours; 3, -1 as the description
// and DIB layout refuse it; LoadPictureTooLarge.
int32_t DescribeShownPicture(const InputRange& input, PictureInfo* info, DibLayout* layout);

// One frame (IPF and MCG have frame 0 only): 0, or what DescribeCodecFrame
// answers, or LoadPictureTooLarge.
int32_t DescribeShownFrame(const InputRange& input, int32_t frame, CodecFrameShape* shape);
