// Small PNG files of every colour type and depth the PNG reader meets
// (palette and grey at 1, 2, 4 and 8 bits, true colour, with alpha,
// transparency, 16-bit samples, interlaced rows), written here byte by byte
// with stored deflate blocks: the seeds of the PNG target.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "writers/picture_writer.h"

std::vector<std::pair<std::string, Bytes>> PngSeedFiles();
