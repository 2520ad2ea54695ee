#include "picture_filter/ipf_decoder.h"

#include <cstring>

#include "common/result_codes.h"
#include "picture_filter/match_copy.h"

namespace {

constexpr size_t CheckpointStep = 2048;
constexpr size_t LongestCode = 3; // a run or a copy: control byte and two operands

// Literal codes (0x20 to 0xFF) come in long stretches in busy pictures: a
// word of codes is written at once, and only its leading literals count.
constexpr MatchWord OnesWord = ~MatchWord{0} / 0xFF;
constexpr MatchWord HighBits = OnesWord * 0x80;

inline unsigned CountTrailingZeros(MatchWord word) {
  return sizeof(MatchWord) == 8 ? static_cast<unsigned>(__builtin_ctzll(word))
                                : static_cast<unsigned>(__builtin_ctz(static_cast<uint32_t>(word)));
}

// How many of the word's codes, from its first byte on, are literals.
inline unsigned LeadingLiterals(MatchWord codes) {
  const MatchWord top = codes & (OnesWord * 0xE0); // non-zero exactly in the literal bytes
  const MatchWord literal = (top | ((top & (OnesWord * 0x7F)) + OnesWord * 0x7F)) & HighBits;
  const MatchWord other = ~literal & HighBits;
  return other == 0 ? static_cast<unsigned>(sizeof(MatchWord)) : CountTrailingZeros(other) / 8;
}

enum StepResult { CodeDone, EndCode };

// One code whose bytes are all known to be readable.
inline StepResult DecodeCode(const uint8_t*& in, uint8_t*& out) {
  const uint32_t b = in[0];
  if (b >= 0x20) {
    *out++ = static_cast<uint8_t>(b - 0x10);
    in += 1;
  } else if (b >= 0x10) {
    const size_t distance = (((b - 0x10) << 8) | in[1]) + 1;
    const size_t length = size_t{in[2]} + 1;
    in += 3;
    CopyMatch(out, distance, length);
    out += length;
  } else if (b < 0x0E) {
    const size_t length = ((b << 8) | in[1]) + 1;
    const uint8_t value = in[2];
    in += 3;
    FillRun(out, value, length);
    out += length;
  } else if (b == 0x0E) {
    *out++ = 0x0E;
    in += 1;
  } else {
    in += 1;
    return EndCode;
  }
  return CodeDone;
}

inline bool NeedsOperands(uint8_t b) { return b < 0x0E || (b >= 0x10 && b < 0x20); }

} // namespace

int32_t DecodeIpfCodes(const uint8_t* data, size_t length, uint8_t* picture, size_t pixelCount,
                       const FrameProgress& progress) {
  std::memset(picture - IpfLeadIn, 0, IpfLeadIn);
  const uint8_t* in = data;
  const uint8_t* const inEnd = data + length;
  uint8_t* out = picture;
  uint8_t* const outEnd = picture + pixelCount;

  // The checkpoint never lies beyond offset length - 2, so every code that
  // starts before it has all its bytes inside the stream: the loop below needs
  // no input test. From length - 2 on every code passes a checkpoint.
  const size_t lastCheckpoint = length >= 2 ? length - 2 : 0;
  size_t checkpoint = 0;
  const uint8_t* fastEnd = data;

  for (;;) {
    while (in < fastEnd) {
      if (out > outEnd) goto complete;
      if (static_cast<size_t>(fastEnd - in) >= sizeof(MatchWord) &&
          static_cast<size_t>(outEnd - out) >= sizeof(MatchWord) - 1) {
        // Every literal of the word starts before the checkpoint and while
        // the picture is not overfull; so does the code after them, if any.
        MatchWord codes;
        std::memcpy(&codes, in, sizeof codes);
        const unsigned literals = LeadingLiterals(codes);
        codes -= OnesWord * 0x10; // exact in the literal bytes, which come first
        std::memcpy(out, &codes, sizeof codes);
        in += literals;
        out += literals;
        if (literals == sizeof(MatchWord)) continue;
      }
      if (DecodeCode(in, out) == EndCode) goto complete;
    }

    if (out > outEnd) goto complete;
    if (in >= inEnd) return DataEnded;
    // Here the code starts at or beyond the checkpoint.
    checkpoint = lastCheckpoint - checkpoint > CheckpointStep ? checkpoint + CheckpointStep : lastCheckpoint;
    fastEnd = data + checkpoint;
    const int64_t done = int64_t{progress.Done} + (out - picture);
    if (ReportProgress(progress.Host, static_cast<int32_t>(done), progress.Total)) return ResultCancelled;
    if (in < fastEnd) continue;
    // Within the last two bytes: this code's operands may be missing.
    if (NeedsOperands(*in) && static_cast<size_t>(inEnd - in) < LongestCode) return DataEnded;
    if (DecodeCode(in, out) == EndCode) goto complete;
  }

complete:
  if (out < outEnd) std::memset(out, 0, static_cast<size_t>(outEnd - out));
  return ResultSuccess;
}
