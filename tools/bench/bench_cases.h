// The inputs both decoders are timed on, and one decode of each kind: the
// project's DecodePicture and the plain reference decoders, each from the
// file's bytes to the DIB's bottom-up pixel block.
#pragma once
#include <string>
#include <vector>

#include "writers/picture_writer.h"

struct BenchCase {
  std::string Name;
  bool Mcg = false;
  Bytes File;
  size_t Width = 0;
  size_t Height = 0;
  size_t StreamOffset = 0; // where the packed pixel data start in File
  size_t StreamLength = 0;
};

// Picture-like IPF and MCG pictures of 1, 4 and 16 MB of output.
std::vector<BenchCase> MakeBenchCases();

size_t OutputBytes(const BenchCase& bench);

// One decode into `pixels` (OutputBytes long, rows at a stride of Width); 0 on success.
int32_t DecodeWithProject(const BenchCase& bench, Bytes& colours, Bytes& pixels);
int32_t DecodeWithReference(const BenchCase& bench, Bytes& pixels);
