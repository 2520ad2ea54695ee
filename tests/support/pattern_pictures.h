// Pictures of every kind and depth with patterned pixels, for the tests that
// compare a frame's pixels with the core's (the desktop loaders): the
// patterns vary along rows and columns, so that a row or column out of place,
// or a wrong bit order, shows.
#pragma once
#include <cstddef>
#include <cstdint>

#include "writers/picture_writer.h"

// A colour of the pattern palettes: every channel differs between neighbours.
uint32_t PatternColour(int index);

// An IPF/IPQ frame of 8-bit indexes, stored or coded with the IPF codes;
// `seed` varies the pattern between frames.
BitmapFrame PatternFrame(uint16_t width, uint16_t height, bool coded, int seed);

// A whole MCG file of `depth` bits a pixel with `colours` palette entries
// (0 for 24 bits), its rows compressed by the MCG encoder.
Bytes PatternMcg(int32_t width, int32_t height, uint16_t depth, size_t colours);
