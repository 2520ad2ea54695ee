// The pictures a system image codec serves: an IPF, IPQ or MCG file held
// whole in memory, its frames (one for IPF and MCG, one per IPQ frame, each
// at its own size), each frame's shape and colours, and its pixels copied
// out as top-down rows at any rectangle and row stride.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/input_range.h"

// Inputs beyond this size are refused before they are read whole.
constexpr size_t CodecInputLimit = size_t{256} << 20;

// Results of CopyCodecPixels besides the shared codes.
constexpr int32_t CodecBadRectangle = 11;   // outside the frame, negative, or a stride shorter than a row
constexpr int32_t CodecBufferTooSmall = 12; // the caller's buffer does not hold the rows at its stride

struct CodecFrameShape {
  int32_t Width;
  int32_t Height;
  int32_t Depth;         // 1, 4 or 8 bits of colour index, or 24 bits blue, green, red
  int32_t ColourEntries; // 2, 16 or 256 by depth; 0 for 24 bits
};

struct CodecFrame {
  CodecFrameShape Shape;
  uint32_t Colours[256]; // 0xAARRGGBB, opaque: the first ColourEntries are the frame's palette
  uint8_t* Pixels;       // the rows bottom-up, Stride bytes apart, as the picture filter's DIB holds them
  int32_t Stride;
};

// The frames of the picture in `input`: 0 with *count >= 1; 2 when it is no
// picture of ours; 3 for an IPQ without a usable frame table.
int32_t CountCodecFrames(const InputRange& input, int32_t* count);

// Frame `index`'s shape without decoding it: 0; 3 for a frame that is
// outside the input, empty or too large; -1 for a depth other than 1, 4, 8, 24.
int32_t DescribeCodecFrame(const InputRange& input, int32_t index, CodecFrameShape* shape);

// Decodes frame `index` into memory of its own (ReleaseCodecFrame frees it):
// 0, or the code that DescribeCodecFrame or the pixel decoders give (4 when
// the frame's memory cannot be had). Nothing is held after a failure.
int32_t DecodeCodecFrame(const InputRange& input, int32_t index, CodecFrame* frame);
void ReleaseCodecFrame(CodecFrame* frame);

// The whole picture as the picture filter shows it in IPQ display mode `mode`
// (ShowConnected: an IPQ's frames stacked, the first on top) as one frame
// (ReleaseCodecFrame frees it): 0, 2 when it is no picture of ours, or the
// code that the picture filter's description, DIB layout or decoders give.
int32_t DecodeCodecPicture(const InputRange& input, int32_t mode, CodecFrame* frame);

struct CodecRectangle {
  int32_t X;
  int32_t Y;
  int32_t Width;
  int32_t Height;
};

// Copies the rectangle's rows top-down into `buffer`, row r at r * stride,
// each row's pixels packed from its first bit on (bits past the rectangle in
// a row's last byte are zero). 0; CodecBadRectangle; CodecBufferTooSmall.
int32_t CopyCodecPixels(const CodecFrame& frame, const CodecRectangle& rectangle, uint32_t stride,
                        size_t bufferSize, uint8_t* buffer);
