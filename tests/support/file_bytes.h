// Files written whole, for the tests, the sample maker and the fuzz seeds:
// the writers make bytes, and these put them on disk.
#pragma once
#include <string>

#include "writers/picture_writer.h"

// Writes `bytes` as the whole file `path`; false when it cannot be written.
bool WriteFileBytes(const std::string& path, const Bytes& bytes);
