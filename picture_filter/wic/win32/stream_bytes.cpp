#include "picture_filter/wic/win32/stream_bytes.h"

#include <wincodec.h>

#include <cstdlib>

namespace {

constexpr size_t FirstBlock = 65536;
constexpr ULONG LargestRead = 1u << 30;

HRESULT Fail(StreamBytes* bytes, HRESULT result) {
  ReleaseStreamBytes(bytes);
  return result;
}

// The block's first size: what the stream says it holds (and one byte more,
// to see its end), else a small block that doubles as it fills; 0 when the
// stream says it holds more than the limit.
size_t FirstCapacity(IStream* stream, size_t limit) {
  STATSTG stat{};
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return FirstBlock;
  if (stat.cbSize.QuadPart > limit) return 0;
  if (stat.cbSize.QuadPart == limit) return limit + 1;
  return stat.cbSize.QuadPart < FirstBlock ? FirstBlock : static_cast<size_t>(stat.cbSize.QuadPart) + 1;
}

} // namespace

HRESULT ReadStreamBytes(IStream* stream, size_t limit, StreamBytes* bytes) {
  *bytes = StreamBytes{nullptr, 0};
  LARGE_INTEGER start{};
  if (stream == nullptr || FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return WINCODEC_ERR_STREAMREAD;
  size_t capacity = FirstCapacity(stream, limit);
  if (capacity == 0) return WINCODEC_ERR_IMAGESIZEOUTOFRANGE;
  if (capacity > limit + 1) capacity = limit + 1;
  bytes->Data = static_cast<uint8_t*>(std::malloc(capacity));
  if (bytes->Data == nullptr) return E_OUTOFMEMORY;
  // The stream's own size is a hint only: reading goes on until it ends.
  for (;;) {
    if (bytes->Size == capacity) {
      if (capacity > limit) return Fail(bytes, WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
      const size_t larger = capacity > (limit + 1) / 2 ? limit + 1 : capacity * 2;
      uint8_t* grown = static_cast<uint8_t*>(std::realloc(bytes->Data, larger));
      if (grown == nullptr) return Fail(bytes, E_OUTOFMEMORY);
      bytes->Data = grown;
      capacity = larger;
    }
    const size_t room = capacity - bytes->Size;
    const ULONG wanted = room < LargestRead ? static_cast<ULONG>(room) : LargestRead;
    ULONG got = 0;
    if (FAILED(stream->Read(bytes->Data + bytes->Size, wanted, &got)) || got > wanted) {
      return Fail(bytes, WINCODEC_ERR_STREAMREAD);
    }
    if (got == 0) break;
    bytes->Size += got;
  }
  if (bytes->Size > limit) return Fail(bytes, WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
  return S_OK;
}

void ReleaseStreamBytes(StreamBytes* bytes) {
  std::free(bytes->Data);
  *bytes = StreamBytes{nullptr, 0};
}

size_t PeekStreamHead(IStream* stream, uint8_t* head, size_t count) {
  if (stream == nullptr) return 0;
  LARGE_INTEGER zero{};
  ULARGE_INTEGER position{};
  if (FAILED(stream->Seek(zero, STREAM_SEEK_CUR, &position))) return 0;
  ULONG got = 0;
  if (FAILED(stream->Seek(zero, STREAM_SEEK_SET, nullptr)) ||
      FAILED(stream->Read(head, static_cast<ULONG>(count), &got)) || got > count) {
    got = 0;
  }
  LARGE_INTEGER back;
  back.QuadPart = static_cast<LONGLONG>(position.QuadPart);
  stream->Seek(back, STREAM_SEEK_SET, nullptr);
  return got;
}
