// Whole archives to PNG: every picture member of a VFS archive (every frame
// of an IPQ member) decoded on all processors into a directory, each worker
// holding one picture at a time while the archive stays mapped.
#pragma once
#include <string>
#include <vector>

#include "common/input_range.h"

namespace fcview {

struct ConvertOptions {
  std::string Input;  // as given, for messages
  std::string OutDir; // as given
  bool All;           // also copy the members that are no pictures
  bool Force;         // replace existing files
  unsigned Jobs;      // pictures at once; 0: one per processor
  std::vector<std::string> Patterns; // the members wanted (names or patterns); empty: all
};

// Converts the mapped input (a VFS archive, or one picture file) into the
// directory. A member that fails is reported by name and the others are
// still written; the exit status is then 1.
int ConvertToDirectory(const ConvertOptions& options, const InputRange& input);

// OUT.png -> OUT-00001.png for frame 0 (a trailing .png, any case, is dropped first).
std::string FrameFileName(const std::string& out, size_t index);

} // namespace fcview
