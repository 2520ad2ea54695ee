// A decoded frame (a DIB: rows bottom-up, packed 1, 4 or 8 bits a pixel, or
// blue, green, red) as the page takes it: one index byte a pixel and RGBA,
// top row first.
#pragma once
#include <cstdint>

#include "picture_filter/wic/codec_frames.h"
#include "web/core/fc_wasm.h"

// 0 with *decoded the module's (fc_release frees it), or ResultNoMemory with
// nothing held. `want` as fc_decode takes it.
int32_t MakeDecoded(const CodecFrame& frame, int32_t want, FcDecoded** decoded);
