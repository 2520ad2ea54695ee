// A WIC input stream read whole into memory, up to a limit.
#pragma once
#include <objidl.h>

#include <cstddef>
#include <cstdint>

struct StreamBytes {
  uint8_t* Data; // malloc'd; free with ReleaseStreamBytes
  size_t Size;
};

// Reads `stream` from its first byte to its end. S_OK; E_OUTOFMEMORY;
// WINCODEC_ERR_IMAGESIZEOUTOFRANGE for a stream longer than `limit` (nothing
// beyond limit + 1 bytes is read); WINCODEC_ERR_STREAMREAD when the stream
// fails. Nothing is held after a failure.
HRESULT ReadStreamBytes(IStream* stream, size_t limit, StreamBytes* bytes);
void ReleaseStreamBytes(StreamBytes* bytes);

// Up to `count` bytes from the stream's start into `head`, restoring the
// stream's position; the bytes read, 0 when the stream fails.
size_t PeekStreamHead(IStream* stream, uint8_t* head, size_t count);
