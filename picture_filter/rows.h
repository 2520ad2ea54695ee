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
