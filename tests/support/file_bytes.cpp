#include "tests/support/file_bytes.h"

#include <cstdio>

bool WriteFileBytes(const std::string& path, const Bytes& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  // An empty vector may have no storage at all: write nothing rather than hand fwrite a null.
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}
