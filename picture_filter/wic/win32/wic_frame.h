// One decoded frame as WIC's IWICBitmapFrameDecode.
#pragma once
#include <wincodec.h>

#include "picture_filter/wic/codec_frames.h"

// The WIC pixel format of a frame's depth; null for a depth WIC is not given.
const GUID* PixelFormatOfDepth(int32_t depth);

// A frame object that takes over `frame`'s pixels (the record is left empty);
// *out holds its one reference. E_OUTOFMEMORY leaves the pixels freed.
HRESULT CreateFrameDecode(CodecFrame* frame, IWICBitmapFrameDecode** out);
