// Pixels that look like the pictures these formats hold: flat areas,
// gradients, dithered shading, repeated tiles and busy detail, mixed over
// the picture. Deterministic for a seed.
#pragma once
#include <cstddef>
#include <cstdint>

#include "writers/picture_writer.h"

Bytes PictureLikePixels(size_t width, size_t height, uint32_t seed);
