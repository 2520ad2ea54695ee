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
