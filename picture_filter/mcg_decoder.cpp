#include "picture_filter/mcg_decoder.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "common/result_codes.h"
#include "container/read_picture_info.h"
#include "picture_filter/match_copy.h"
#include "picture_filter/rows.h"

namespace {

constexpr size_t CheckpointStep = 2048;
constexpr size_t GroupItems = 8;
constexpr size_t LongestReference = 18;
constexpr size_t ColourEntrySize = 4;

// A reference names a window position; the byte there was written `distance`
// bytes ago (a position not written yet counts as 4096 bytes ago, which lands
// in the cleared lead-in, as the zero-filled ring would give).
inline void CopyReference(const uint8_t*& in, uint8_t*& out, const uint8_t* first) {
  const uint32_t word = in[0] | (uint32_t{in[1]} << 8);
  in += 2;
  const uint32_t position = word & 0x0FFF;
  const size_t length = (word >> 12) + 3;
  const uint32_t writeIndex = static_cast<uint32_t>(McgFirstWriteIndex + static_cast<size_t>(out - first)) & 0x0FFF;
  const size_t distance = ((writeIndex - position - 1) & 0x0FFF) + 1;
  CopyMatch(out, distance, length);
  out += length;
}

int32_t TotalForProgress(size_t unpackedSize) {
  const uint64_t total = uint64_t{unpackedSize} + 2;
  return total > INT32_MAX ? INT32_MAX : static_cast<int32_t>(total);
}

} // namespace

int32_t UnpackMcg(const uint8_t* data, size_t length, uint8_t* out, size_t unpackedSize,
                  const Progress& progress) {
  std::memset(out - McgLeadIn, 0, McgLeadIn);
  const uint8_t* in = data;
  const uint8_t* const inEnd = data + length;
  uint8_t* const first = out;
  uint8_t* const outEnd = out + unpackedSize;
  const int32_t total = TotalForProgress(unpackedSize);
  size_t checkpoint = CheckpointStep;

  while (out < outEnd) {
    if (static_cast<size_t>(in - data) > checkpoint) {
      const int64_t done = int64_t{out - first} + 1;
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
      // The literals before each reference move as one word.
      unsigned items = GroupItems;
      flags |= 0x100; // stops the literal count at the group's end
      while (items > 0) {
        const unsigned literals = static_cast<unsigned>(__builtin_ctz(~flags));
        const unsigned taken = literals < items ? literals : items;
        Copy8(out, in);
        in += taken;
        out += taken;
        items -= taken;
        flags >>= taken;
        if (items == 0) break;
        CopyReference(in, out, first);
        flags >>= 1;
        --items;
      }
      continue;
    }

    for (size_t item = 0; item < GroupItems; ++item, flags >>= 1) {
      if (out >= outEnd) return ResultSuccess;
      if (flags & 1) {
        if (in >= inEnd) return DataEnded;
        *out++ = *in++;
      } else {
        if (inEnd - in < 2) return DataEnded;
        CopyReference(in, out, first);
      }
    }
  }
  return ResultSuccess;
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
  uint8_t* work = static_cast<uint8_t*>(std::malloc(McgLeadIn + unpackedSize + McgRunOut));
  if (work == nullptr) return ResultNoMemory;

  const uint8_t* data = table + tableSize;
  uint8_t* out = work + McgLeadIn;
  const int32_t result = UnpackMcg(data, BytesLeft(picture.Input, data), out, unpackedSize, progress);
  if (result == ResultSuccess && dib.Rows > 0 && dib.Stride > 0) {
    CopyAvailableRowsBottomUp(out, unpackedSize, dib.Pixels, static_cast<size_t>(dib.Stride),
                              static_cast<size_t>(dib.Rows), dib.Stride);
  }
  std::free(work);
  return result;
}
