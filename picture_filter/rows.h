#pragma once
#include <cstddef>
#include <cstdint>

// Copies `rows` top-down rows of `rowLength` bytes (back to back) into a
// bottom-up block whose rows lie `pitch` bytes apart: source row r becomes
// destination row rows - 1 - r. Destination bytes past rowLength are left alone.
void CopyRowsBottomUp(const uint8_t* source, uint8_t* destination, size_t rowLength, size_t rows,
                      ptrdiff_t pitch);
