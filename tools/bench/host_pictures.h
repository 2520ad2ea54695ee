// The pictures the host benchmark shows: 8-bit pixels of one kind each, as
// IPF and as MCG files made by the project's writers.
#pragma once
#include <cstddef>
#include <cstdint>

#include "writers/picture_writer.h"

enum PictureKindOfBench { FlatAreas, Gradients, DitheredPalette, PhotoLike, Noise, BenchKindCount };

const char* BenchKindName(PictureKindOfBench kind);

// Top-down rows of `width` bytes; deterministic.
Bytes BenchPixels(PictureKindOfBench kind, size_t width, size_t height);

// A picture file and where its packed pixel data lie in it (at its end).
struct BenchFile {
  Bytes File;
  size_t StreamOffset = 0;
  size_t StreamLength = 0;
};

// The same pixels as files (rows are whole DIB rows: width a multiple of 4).
BenchFile BenchIpf(const Bytes& pixels, size_t width, size_t height);
BenchFile BenchMcg(const Bytes& pixels, size_t width, size_t height);
