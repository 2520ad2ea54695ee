#include "picture_filter/rows.h"

#include <cstring>

void CopyRowsBottomUp(const uint8_t* source, uint8_t* destination, size_t rowLength, size_t rows,
                      ptrdiff_t pitch) {
  for (size_t r = 0; r < rows; ++r) {
    std::memcpy(destination + static_cast<ptrdiff_t>(rows - 1 - r) * pitch, source + r * rowLength, rowLength);
  }
}
