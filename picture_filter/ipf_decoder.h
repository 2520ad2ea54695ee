// The IPF/IPQ pixel code: literals, the 0x0E code, runs, copies and the end code.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/progress.h"

// The work area around a decoded picture: a back reference reaches at most
// 4096 bytes before the first picture byte, and a code that starts inside the
// picture writes at most 3584 bytes (plus the fast path's overrun) past it.
constexpr size_t IpfLeadIn = 4096;
constexpr size_t IpfRunOut = 4096;
// The picture part of the window DecodeIpfCodesToRows decodes in.
constexpr size_t IpfWindowSpan = 65536 - IpfLeadIn - IpfRunOut;

// Where a frame's progress stands: the host sees (Done + bytes decoded, Total).
struct FrameProgress {
  Progress Host;
  int32_t Done;  // picture bytes of the frames already finished in this call
  int32_t Total; // picture bytes of the whole picture
};

// Decodes `length` bytes of code stream into the `pixelCount` bytes at
// `picture`. The caller provides IpfLeadIn writable bytes before `picture` and
// pixelCount + IpfRunOut after it; the lead-in is cleared here, so a reference
// before the first byte reads zero. On 0 all pixelCount bytes are defined
// (an early end code leaves the rest zero). Returns 0, 1 (cancelled) or
// DataEnded. No byte outside the stream is read.
int32_t DecodeIpfCodes(const uint8_t* data, size_t length, uint8_t* picture, size_t pixelCount,
                       const FrameProgress& progress);

// The same for a whole picture of `width` x `height`, written as it is decoded
// into the bottom-up rows at `destination` (`pitch` apart), through a small
// work window: the picture is never held whole. On 0 every row byte of the
// picture is defined; on failure the rows are zero (the block comes
// zero-filled). 4 without memory, else as above.
int32_t DecodeIpfCodesToRows(const uint8_t* data, size_t length, size_t width, size_t height, uint8_t* destination,
                             ptrdiff_t pitch, const FrameProgress& progress);
