// The DIB a picture should give, recomputed with the plain reference
// decoders (tests/reference) from the container's fields: the oracle every
// target that decodes pixels holds the fast decoders to.
#pragma once
#include <cstdint>
#include <vector>

#include "container/picture_image.h"
#include "container/picture_info.h"
#include "picture_filter/dib_layout.h"

struct ExpectedDib {
  std::vector<uint8_t> Colours;   // 4 bytes an entry, blue, green, red, 0
  std::vector<uint8_t> Pixels;    // the rows bottom-up, the layout's stride apart
  std::vector<bool> Meaningful;   // bytes of the block that the picture defines
};

// False for an MCG that unpacks to more than a few MB: its header may
// promise gigabytes, which the fast decoder streams through a window but the
// reference decoder would need whole.
bool ReferenceFits(const PictureImage& picture);

// The picture as the picture filter shows it in display `mode`, once the
// fast decoders have accepted it (the reference decoders must then too).
ExpectedDib ExpectDib(const PictureImage& picture, int32_t mode, const PictureInfo& info, const DibLayout& layout);

// One IPF or IPQ frame alone (its "bmp " chunk), as the codec serves it.
ExpectedDib ExpectFrameDib(const PictureImage& picture, const uint8_t* chunk, const PictureInfo& info,
                           const DibLayout& layout);

// Every colour and every meaningful pixel byte equal to the expected ones;
// without `withReserved`, the colours' fourth bytes are not compared (a
// frame of the codec holds opaque colours).
void CheckDib(const ExpectedDib& expected, const uint8_t* colours, const uint8_t* pixels, bool withReserved = true);
