#include "picture_filter/rows.h"

#include <cstring>

void CopyRowsBottomUp(const uint8_t* source, uint8_t* destination, size_t rowLength, size_t rows,
                      ptrdiff_t pitch) {
  CopyAvailableRowsBottomUp(source, rowLength * rows, destination, rowLength, rows, pitch);
}

void CopyAvailableRowsBottomUp(const uint8_t* source, size_t available, uint8_t* destination,
                               size_t rowLength, size_t rows, ptrdiff_t pitch) {
  uint8_t* row = destination + static_cast<ptrdiff_t>(rows) * pitch;
  for (size_t r = 0; r < rows; ++r) {
    row -= pitch;
    const size_t start = r * rowLength;
    size_t have = 0;
    if (available > start) have = available - start < rowLength ? available - start : rowLength;
    if (have > 0) std::memcpy(row, source + start, have);
    std::memset(row + have, 0, rowLength - have);
  }
}

namespace {

// Picture bytes [position, position + count) of a top-down picture of rows of
// rowLength bytes into the bottom-up block; bytes beyond the rows are dropped.
void CopyToRows(const uint8_t* source, size_t position, size_t count, const RowWindow& window) {
  size_t size = window.RowLength * window.Rows;
  if (source != nullptr && window.Size < size) size = window.Size;
  if (window.RowLength == 0 || position >= size) return;
  if (count > size - position) count = size - position;
  size_t row = position / window.RowLength;
  size_t column = position % window.RowLength;
  while (count > 0) {
    const size_t piece = window.RowLength - column < count ? window.RowLength - column : count;
    uint8_t* target = window.Destination + static_cast<ptrdiff_t>(window.Rows - 1 - row) * window.Pitch;
    if (source != nullptr) {
      std::memcpy(target + column, source, piece);
      source += piece;
    } else {
      std::memset(target + column, 0, piece);
    }
    count -= piece;
    column = 0;
    ++row;
  }
}

} // namespace

void FlushRowWindow(RowWindow& window, const uint8_t* out) {
  const size_t count = static_cast<size_t>(out - window.Start);
  CopyToRows(window.Start, window.Base, count, window);
  std::memcpy(window.Start - window.LeadIn, out - window.LeadIn, window.LeadIn);
  window.Base += count;
}

void FinishRowWindow(RowWindow& window, const uint8_t* out) {
  const size_t count = static_cast<size_t>(out - window.Start);
  CopyToRows(window.Start, window.Base, count, window);
  window.Base += count;
  const size_t size = window.RowLength * window.Rows;
  if (window.Base < size) CopyToRows(nullptr, window.Base, size - window.Base, window);
}

void ClearRowWindow(const RowWindow& window) { CopyToRows(nullptr, 0, window.Base, window); }
