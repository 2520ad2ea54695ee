// Native tests see a written file as the plug-in would: the whole file as the
// readable input, the picture at its first byte.
#pragma once
#include "container/picture_image.h"
#include "writers/picture_writer.h"

inline PictureImage ImageOf(const Bytes& file) {
  return PictureImage{InputRange{file.data(), file.size()}, file.data()};
}

inline BitmapFrame StoredFrame(uint16_t width, uint16_t height, uint16_t left = 0, uint16_t top = 0) {
  BitmapFrame frame;
  frame.Width = width;
  frame.Height = height;
  frame.Left = left;
  frame.Top = top;
  frame.PixelData.resize(size_t{width} * height);
  for (size_t i = 0; i < frame.PixelData.size(); ++i) frame.PixelData[i] = static_cast<uint8_t>(i * 7 + 1);
  return frame;
}
