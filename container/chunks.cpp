#include "container/chunks.h"

const uint8_t* FindChunk(const PictureImage& picture, const char id[4]) {
  const uint8_t* head = ReadableAt(picture.Input, picture.Image, 0, 8);
  if (head == nullptr) return nullptr;
  const uint64_t containerSize = ReadU32(head + 4);
  uint64_t offset = FirstChunkOffset;
  while (offset <= containerSize) {
    const uint8_t* chunk = ReadableAt(picture.Input, picture.Image, static_cast<int64_t>(offset), ChunkHeaderSize);
    if (chunk == nullptr) return nullptr;
    const int32_t size = ReadI32(chunk + 4);
    if (size <= 0) return nullptr;
    if (HasTag(chunk, id)) return chunk;
    offset += ChunkHeaderSize + static_cast<uint64_t>(size);
  }
  return nullptr;
}
