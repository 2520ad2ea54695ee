#include "picture_filter/mcg_decoder.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "common/result_codes.h"
#include "container/read_picture_info.h"
#include "picture_filter/match_copy.h"
#include "picture_filter/rows.h"
#include "picture_filter/wide_moves.h"

namespace {

constexpr size_t CheckpointStep = 2048;
constexpr size_t GroupItems = 8;
constexpr size_t LongestReference = 18;
constexpr size_t ColourEntrySize = 4;

// A reference names a window position; the byte there was written `distance`
// bytes ago (a position not written yet counts as 4096 bytes ago, which lands
// in the cleared lead-in, as the zero-filled ring would give).
inline void CopyReference(const uint8_t*& in, uint8_t*& out, uint32_t indexBias) {
  const uint32_t word = in[0] | (uint32_t{in[1]} << 8);
  in += 2;
  const uint32_t position = word & 0x0FFF;
  const size_t length = (word >> 12) + 3;
  const uint32_t writeIndex = (static_cast<uint32_t>(reinterpret_cast<uintptr_t>(out)) + indexBias) & 0x0FFF;
  const size_t distance = ((writeIndex - position - 1) & 0x0FFF) + 1;
  CopyMatch(out, distance, length);
  out += length;
}

// A reference inside a group (at most 18 bytes): one that repeats the last
// byte (distance 1, a quarter of them in flat pictures) reads that byte's
// pattern, one from 16 or more bytes back reads its source, both in two
// 16-byte moves. The pattern is chosen by a select: the compiler would make
// it a jump, missed as often as the two kinds alternate.
inline void CopyGroupReference(uint8_t* out, size_t distance) {
  const uint8_t* const from =
      Select(distance == 1, BytePatterns.Bytes[out[-1]], static_cast<const uint8_t*>(out - distance));
  if (distance - 2 >= 14) {
    Copy16(out, from);
    Copy16(out + 16, from + 16);
  } else {
    CopyShortMatch(out, distance);
  }
}

int32_t TotalForProgress(size_t unpackedSize) {
  const uint64_t total = uint64_t{unpackedSize} + 2;
  return total > INT32_MAX ? INT32_MAX : static_cast<int32_t>(total);
}

} // namespace

namespace {

// Unpacks into `first` and the bytes after it; with `rows`, the window it
// describes (first is its Start) is flushed to the rows each time the output
// reaches its span's end, else the data lie whole at `first`.
int32_t Unpack(const uint8_t* data, size_t length, uint8_t* const first, size_t unpackedSize,
               const Progress& progress, RowWindow* rows) {
  std::memset(first - McgLeadIn, 0, McgLeadIn);
  const uint8_t* in = data;
  const uint8_t* const inEnd = data + length;
  uint8_t* out = first;
  const int32_t total = TotalForProgress(unpackedSize);
  size_t checkpoint = CheckpointStep;
  size_t base = 0; // bytes unpacked before `first`

  // Unpacking goes on while out < limit: the data's end, or (when the rest is
  // larger than the window) the window's end. The output address plus
  // indexBias is the write index, modulo 4096.
  uint8_t* outEnd;
  bool dataEnds;
  uint32_t indexBias;
  const auto setLimit = [&] {
    const size_t rest = base < unpackedSize ? unpackedSize - base : 0;
    dataEnds = rows == nullptr || rest <= rows->Span;
    outEnd = first + (dataEnds ? rest : rows->Span);
    indexBias = static_cast<uint32_t>(McgFirstWriteIndex + base - reinterpret_cast<uintptr_t>(first));
  };
  // The window is full: its bytes go to the rows, unpacking goes on at its start.
  const auto flush = [&] {
    FlushRowWindow(*rows, out);
    base += static_cast<size_t>(out - first);
    out = first;
    setLimit();
  };
  setLimit();

  for (;;) {
    if (out >= outEnd) {
      if (dataEnds) return ResultSuccess;
      flush();
    }
    if (static_cast<size_t>(in - data) > checkpoint) {
      const int64_t done = int64_t{out - first} + static_cast<int64_t>(base) + 1;
      if (ReportProgress(progress, static_cast<int32_t>(done), total)) return ResultCancelled;
      checkpoint += CheckpointStep;
    }
    if (in >= inEnd) return DataEnded;
    uint32_t flags = *in++;

    // A whole group fits the input (with room for the word-wide literal moves,
    // which read up to 7 bytes beyond the group's items) and cannot reach the
    // output end: no test per item.
    if (static_cast<size_t>(inEnd - in) >= 3 * GroupItems &&
        static_cast<size_t>(outEnd - out) >= GroupItems * LongestReference) {
      if (flags == 0xFF) {
        Copy8(out, in);
        in += GroupItems;
        out += GroupItems;
        continue;
      }
      // Walk the group's references; the literals before each, and those
      // after the last, move as one word.
      uint32_t references = ~flags & 0xFF;
      unsigned item = 0;
      do {
        const unsigned at = static_cast<unsigned>(__builtin_ctz(references));
        Copy8(out, in);
        in += at - item;
        out += at - item;
        const uint32_t word = in[0] | (uint32_t{in[1]} << 8);
        in += 2;
        const size_t distance =
            ((static_cast<uint32_t>(reinterpret_cast<uintptr_t>(out)) + indexBias - word - 1) & 0x0FFF) + 1;
        CopyGroupReference(out, distance);
        out += (word >> 12) + 3;
        item = at + 1;
        references &= references - 1;
      } while (references != 0);
      Copy8(out, in);
      in += GroupItems - item;
      out += GroupItems - item;
      continue;
    }

    for (size_t item = 0; item < GroupItems; ++item, flags >>= 1) {
      if (out >= outEnd) {
        if (dataEnds) return ResultSuccess;
        flush();
      }
      if (flags & 1) {
        if (in >= inEnd) return DataEnded;
        *out++ = *in++;
      } else {
        if (inEnd - in < 2) return DataEnded;
        CopyReference(in, out, indexBias);
      }
    }
  }
}

} // namespace

int32_t UnpackMcg(const uint8_t* data, size_t length, uint8_t* out, size_t unpackedSize,
                  const Progress& progress) {
  return Unpack(data, length, out, unpackedSize, progress, nullptr);
}

int32_t DecodeMcgPicture(const PictureImage& picture, const DibTarget& dib, const Progress& progress) {
  const uint8_t* header = ReadableAt(picture.Input, picture.Image, 0, McgHeaderSize);
  if (header == nullptr) return ResultBrokenData;
  const int32_t count = ReadI32(header + 44);
  if (count < 0 || count > 256) return ResultBrokenData;
  const size_t tableSize = ColourEntrySize * static_cast<size_t>(count);
  const uint8_t* table = ReadableAt(picture.Input, header, McgHeaderSize, tableSize);
  if (table == nullptr) return ResultBrokenData;
  // The DIB's table holds as many entries as its depth has colours; a file
  // that names more gives only those that fit.
  const size_t room = dib.ColourEntries > 0 ? static_cast<size_t>(dib.ColourEntries) : 0;
  const size_t copied = static_cast<size_t>(count) < room ? static_cast<size_t>(count) : room;
  if (copied > 0) std::memcpy(dib.ColourTable, table, ColourEntrySize * copied);

  const int32_t unpacked = ReadI32(header + 40);
  if (unpacked < 0) return ResultBrokenData;
  const size_t unpackedSize = static_cast<size_t>(unpacked);
  // A small window, flushed to the rows as it fills: the data are never held whole.
  const size_t span = unpackedSize < McgWindowSpan ? unpackedSize : McgWindowSpan;
  uint8_t* work = static_cast<uint8_t*>(std::malloc(McgLeadIn + span + McgRunOut));
  if (work == nullptr) return ResultNoMemory;

  const uint8_t* data = table + tableSize;
  const size_t rowCount = dib.Rows > 0 && dib.Stride > 0 ? static_cast<size_t>(dib.Rows) : 0;
  const size_t stride = dib.Stride > 0 ? static_cast<size_t>(dib.Stride) : 0;
  RowWindow rows{work + McgLeadIn, 0, span, McgLeadIn, unpackedSize, dib.Pixels, stride, rowCount, dib.Stride};
  const int32_t result = Unpack(data, BytesLeft(picture.Input, data), rows.Start, unpackedSize, progress, &rows);
  if (result == ResultSuccess) {
    FinishRowWindow(rows, rows.Start + (rows.Base < unpackedSize ? unpackedSize - rows.Base : 0));
  } else {
    ClearRowWindow(rows);
  }
  std::free(work);
  return result;
}
