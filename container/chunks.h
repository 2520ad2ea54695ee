// The chunk walk of the IPF and IPQ containers.
#pragma once
#include "container/picture_image.h"

constexpr int64_t FirstChunkOffset = 56;
constexpr size_t ChunkHeaderSize = 8;

// The first chunk header with the given id, or null. The walk starts at
// offset 56, runs while the offset is not above the container size (unsigned)
// and the 8 header bytes are readable, and stops at a size of 0 or less.
const uint8_t* FindChunk(const PictureImage& picture, const char id[4]);
