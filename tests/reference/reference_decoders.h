// Plain decoders of the two pixel codes, a byte at a time, straight from the
// format tables: the oracle of the differential tests and the benchmark's
// baseline. Same contracts and result codes as the project's decoders.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/progress.h"

// Decodes an IPF code stream into `picture` (pixelCount bytes). Progress is
// reported as (done + bytes decoded, total). 0, 1 or 10.
int32_t ReferenceDecodeIpf(const uint8_t* data, size_t length, uint8_t* picture, size_t pixelCount,
                           const Progress& progress, int32_t done, int32_t total);

// Unpacks an MCG LZSS stream into `out` (unpackedSize bytes, and room for the
// 17 a last reference may write beyond them) through a 4096-byte ring. 0, 1 or 10.
int32_t ReferenceUnpackMcg(const uint8_t* data, size_t length, uint8_t* out, size_t unpackedSize,
                           const Progress& progress);
