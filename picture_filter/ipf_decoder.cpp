#include "picture_filter/ipf_decoder.h"

#include <cstdlib>
#include <cstring>

#include "common/result_codes.h"
#include "picture_filter/match_copy.h"
#include "picture_filter/rows.h"
#include "picture_filter/wide_moves.h"

namespace {

constexpr size_t CheckpointStep = 2048;
constexpr size_t LongestCode = 3; // a run or a copy: control byte and two operands

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

// Long literal stretches 16 codes at a time, the next code found from marks
// kept in a register, and a run or copy of up to 64 bytes without a jump.
// Only the marks follow the word size: a register holds those of 64 code
// bytes on x86-64 and in WebAssembly, of 32 on i686.

// Sixty-four bytes in four moves; `from` lies 16 or more bytes before `to`,
// so each move reads only bytes already written.
inline void Copy64(uint8_t* to, const uint8_t* from) {
  Copy16(to, from);
  Copy16(to + 16, from + 16);
  Copy16(to + 32, from + 32);
  Copy16(to + 48, from + 48);
}

// A run longer than 64 bytes from its 16-byte pattern. Writes up to 15 bytes
// past `length`.
inline void FillLongRun(uint8_t* out, const uint8_t* pattern, size_t length) {
  uint8_t* const end = out + length;
  const Bytes16 value = Load16(pattern);
  for (; out < end; out += 16) Store16(out, value);
}

// The high bits of the 16 codes that are not literals (below 0x20).
inline unsigned NonLiteralMask16(Bytes16 codes) { return BelowMask16(codes, 0x20); }

typedef MatchWord MarkWord;
constexpr size_t FastWriteSpan = 16;                    // literals moved at once
constexpr size_t FastReadSpan = 8 * sizeof(MarkWord);   // code bytes read ahead of a code's start

inline unsigned CountTrailingZeros(MarkWord word) {
  return sizeof(MarkWord) == 8 ? static_cast<unsigned>(__builtin_ctzll(word))
                               : static_cast<unsigned>(__builtin_ctz(static_cast<uint32_t>(word)));
}

// Bit i set when code byte i of the FastReadSpan at `codes` is below 0x20: not a literal.
inline MarkWord NonLiteralBits(const uint8_t* codes) {
  MarkWord bits = 0;
  for (size_t i = 0; i < FastReadSpan; i += 16) bits |= MarkWord{NonLiteralMask16(Load16(codes + i))} << i;
  return bits;
}

// The codes from `in` on while each starts before `inLimit` and `out` lies
// before `outLimit`. The caller places inLimit FastWriteSpan bytes before the
// checkpoint and FastReadSpan bytes before the end of the stream, and
// outLimit FastWriteSpan - 1 bytes before the output limit: so every code
// taken here starts before the checkpoint and at most at the output limit.
// Returns EndCode at the end code, which it consumes.
inline StepResult DecodeFastCodes(const uint8_t*& inRef, uint8_t*& outRef, const uint8_t* inLimit,
                                  const uint8_t* outLimit) {
  const uint8_t* in = inRef;
  uint8_t* out = outRef;
  StepResult step = CodeDone;
  // Where the codes that are not literals lie among the FastReadSpan code
  // bytes from `maskStart`: the next code's position is found from these
  // bits in registers rather than from a load, so a code waits for the one
  // before it only a few operations long.
  const uint8_t* maskStart = in;
  MarkWord nonLiterals = NonLiteralBits(in);
  while (in < inLimit && out < outLimit) {
    size_t offset = static_cast<size_t>(in - maskStart);
    if (offset > FastReadSpan - FastWriteSpan) {
      maskStart = in;
      nonLiterals = NonLiteralBits(in);
      offset = 0;
    }
    // At least FastWriteSpan bits ahead are known: up to 15 literals move
    // at once, with the code after them.
    const MarkWord ahead = nonLiterals >> offset;
    Store16(out, SubtractFromEach(Load16(in), 0x10));
    if ((ahead & 0xFFFF) == 0) {
      // A long stretch of literals: 16 at a time while they last.
      for (;;) {
        in += 16;
        out += 16;
        if (in >= inLimit || out >= outLimit) break;
        const Bytes16 wide = Load16(in);
        Store16(out, SubtractFromEach(wide, 0x10));
        const unsigned others = NonLiteralMask16(wide);
        if (others != 0) {
          const unsigned literals = static_cast<unsigned>(__builtin_ctz(others));
          in += literals;
          out += literals;
          goto code;
        }
      }
      continue;
    }
    {
      const unsigned literals = CountTrailingZeros(ahead);
      in += literals;
      out += literals;
    }
  code:
    const uint32_t b = in[0]; // below 0x20: not a literal
    if ((b | 1) == 0x0F) {
      in += 1;
      if (b == 0x0F) {
        step = EndCode;
        break;
      }
      *out++ = 0x0E;
      continue;
    }
    // A run or a copy: the 12 bits after the code's top nibble are a run's
    // length - 1 or a copy's distance - 1. A run copies from its pattern, so
    // the choice between the two is a data move (selects), not a jump the
    // processor would miss: runs and copies come in no order.
    const size_t field = ((size_t{b & 0x0F} << 8) | in[1]) + 1;
    const size_t last = in[2];
    in += LongestCode;
    const bool isCopy = b >= 0x10;
    const size_t length = Select(isCopy, last + 1, field);
    const uint8_t* const from = Select(isCopy, static_cast<const uint8_t*>(out - field), BytePatterns.Bytes[last]);
    const size_t reach = Select(isCopy, field, BytePatternSpan);
    if ((length <= 64) & (reach >= 16)) {
      Copy64(out, from);
    } else if (reach >= 16) {
      if (isCopy) {
        // A copy makes at most 256 bytes: always 256 in sixteen moves, so
        // that no loop exit waits on its length. The bytes past the length
        // are garbage the next codes overwrite; the run-out holds them (a
        // run, the longest code, writes up to 3584 bytes).
        for (size_t k = 0; k < 256; k += 64) Copy64(out + k, from + k);
      } else {
        FillLongRun(out, from, length);
      }
    } else if ((length <= 16) & (reach >= 8)) {
      Copy8(out, from);
      Copy8(out + 8, from + 8);
    } else {
      CopyMatch(out, field, length);
    }
    out += length;
  }
  inRef = in;
  outRef = out;
  return step;
}

// Decodes into `picture` and the bytes after it; with `rows`, the window
// `rows` describes (picture is its Start) is flushed to the rows each time
// the output passes its span, else the picture lies whole at `picture`.
int32_t DecodeIpf(const uint8_t* data, size_t length, uint8_t* picture, size_t pixelCount,
                  const FrameProgress& progress, RowWindow* rows) {
  std::memset(picture - IpfLeadIn, 0, IpfLeadIn);
  const uint8_t* in = data;
  const uint8_t* const inEnd = data + length;
  uint8_t* out = picture;
  size_t base = 0; // picture bytes before `picture`

  // Decoding goes on while out <= limit: the picture's end, or (when the
  // rest of the picture is larger than the window) the window's end.
  uint8_t* limit;
  bool pictureEnds;
  const auto setLimit = [&] {
    const size_t rest = pixelCount - base;
    pictureEnds = rows == nullptr || rest <= rows->Span;
    limit = picture + (pictureEnds ? rest : rows->Span);
  };
  setLimit();

  // The checkpoint never lies beyond offset length - 2, so every code that
  // starts before it has all its bytes inside the stream: the loop below needs
  // no input test. From length - 2 on every code passes a checkpoint.
  const size_t lastCheckpoint = length >= 2 ? length - 2 : 0;
  size_t checkpoint = 0;
  const uint8_t* fastEnd = data;

  for (;;) {
    // The fast loop's bounds: the literals it moves at once lie before the
    // checkpoint, the code bytes it reads ahead lie inside the stream, and
    // the output has room for the literals.
    if (fastEnd - in > static_cast<ptrdiff_t>(FastWriteSpan) && inEnd - in > static_cast<ptrdiff_t>(FastReadSpan) &&
        limit - out >= static_cast<ptrdiff_t>(FastWriteSpan)) {
      const uint8_t* const inLimit =
          fastEnd - FastWriteSpan < inEnd - FastReadSpan ? fastEnd - FastWriteSpan : inEnd - FastReadSpan;
      if (DecodeFastCodes(in, out, inLimit, limit - (FastWriteSpan - 1)) == EndCode) {
        goto complete;
      }
    }
    // The codes the fast loop leaves, one at a time, up to the checkpoint.
    if (in < fastEnd) {
      if (out > limit) goto pastLimit;
      if (DecodeCode(in, out) == EndCode) goto complete;
      continue;
    }

    if (out > limit) goto pastLimit;
    if (in >= inEnd) return DataEnded;
    // Here the code starts at or beyond the checkpoint.
    checkpoint = lastCheckpoint - checkpoint > CheckpointStep ? checkpoint + CheckpointStep : lastCheckpoint;
    fastEnd = data + checkpoint;
    {
      const int64_t done = int64_t{progress.Done} + static_cast<int64_t>(base) + (out - picture);
      if (ReportProgress(progress.Host, static_cast<int32_t>(done), progress.Total)) return ResultCancelled;
    }
    if (in < fastEnd) continue;
    // Within the last two bytes: this code's operands may be missing.
    if (NeedsOperands(*in) && static_cast<size_t>(inEnd - in) < LongestCode) return DataEnded;
    if (DecodeCode(in, out) == EndCode) goto complete;
    continue;

  pastLimit:
    if (pictureEnds) goto complete;
    // The window is full: its bytes go to the rows, decoding goes on at its start.
    FlushRowWindow(*rows, out);
    base += static_cast<size_t>(out - picture);
    out = picture;
    if (base > pixelCount) goto complete;
    setLimit();
  }

complete:
  if (rows != nullptr) {
    FinishRowWindow(*rows, out);
  } else if (out < limit) {
    std::memset(out, 0, static_cast<size_t>(limit - out));
  }
  return ResultSuccess;
}

} // namespace

int32_t DecodeIpfCodes(const uint8_t* data, size_t length, uint8_t* picture, size_t pixelCount,
                       const FrameProgress& progress) {
  return DecodeIpf(data, length, picture, pixelCount, progress, nullptr);
}

int32_t DecodeIpfCodesToRows(const uint8_t* data, size_t length, size_t width, size_t height, uint8_t* destination,
                             ptrdiff_t pitch, const FrameProgress& progress) {
  const size_t pixelCount = width * height;
  const size_t span = pixelCount < IpfWindowSpan ? pixelCount : IpfWindowSpan;
  uint8_t* work = static_cast<uint8_t*>(std::malloc(IpfLeadIn + span + IpfRunOut));
  if (work == nullptr) return ResultNoMemory;
  RowWindow rows{work + IpfLeadIn, 0, span, IpfLeadIn, pixelCount, destination, width, height, pitch};
  const int32_t result = DecodeIpf(data, length, rows.Start, pixelCount, progress, &rows);
  if (result != ResultSuccess) ClearRowWindow(rows);
  std::free(work);
  return result;
}
