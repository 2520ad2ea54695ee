// Top-down rows of a work buffer into the DIB's bottom-up pixel block.
#pragma once
#include <cstddef>
#include <cstdint>

// Copies `rows` top-down rows of `rowLength` bytes (back to back) into a
// bottom-up block whose rows lie `pitch` bytes apart: source row r becomes
// destination row rows - 1 - r. Destination bytes past rowLength are left alone.
void CopyRowsBottomUp(const uint8_t* source, uint8_t* destination, size_t rowLength, size_t rows,
                      ptrdiff_t pitch);

// The same when the source holds only `available` bytes: the rows, or the
// part of a row, that the source does not reach are written as zero.
void CopyAvailableRowsBottomUp(const uint8_t* source, size_t available, uint8_t* destination,
                               size_t rowLength, size_t rows, ptrdiff_t pitch);

// Decoding into a small window instead of a buffer for the whole picture:
// the decoders write at Start, keep the last LeadIn bytes before their write
// position as history, and hand each filled span to the picture's rows. The
// rows are then written once, straight from a buffer that stays in cache.
struct RowWindow {
  uint8_t* Start;   // where picture byte Base lies; LeadIn bytes of history before it
  size_t Base;      // picture bytes already handed to the rows
  size_t Span;      // bytes from Start after which the window is flushed
  size_t LeadIn;
  size_t Size;      // picture bytes the decoding yields; what lies beyond is not handed over
  uint8_t* Destination; // the rows: as for CopyRowsBottomUp
  size_t RowLength;
  size_t Rows;
  ptrdiff_t Pitch;
};

// Hands the picture bytes from Start to `out` (those within the rows) to the
// rows, then moves the LeadIn bytes before `out` in front of Start and
// advances Base: decoding goes on at Start.
void FlushRowWindow(RowWindow& window, const uint8_t* out);

// The rest of a successful decode: hands over what lies from Start to `out`
// and writes zero into the row bytes the picture did not reach.
void FinishRowWindow(RowWindow& window, const uint8_t* out);

// After a failure: the row bytes handed over so far become zero again (the
// pixel block comes zero-filled, so it is as it was).
void ClearRowWindow(const RowWindow& window);
