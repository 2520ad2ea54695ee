// Reading inputs whole, and writing outputs so that no half-written or
// unwanted file is ever left: every output is first written in full to a
// temporary file beside its target, and only when all of them are complete
// do they take their names.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "fcview/platform.h"

namespace fcview {

// The whole file; false with the reason when it cannot be read.
bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>* bytes, std::string* reason);

// One output of a batch, staged under a temporary name in its directory.
struct StagedFile {
  fs::path Target;
  fs::path Temporary;
  bool Replace; // the target existed and --force allows replacing it
};

// All or nothing: Stage() writes each output to a temporary file, Commit()
// renames them into place. Without a successful Commit() every temporary file
// is removed; if a rename fails, the targets this batch created are removed
// again. An existing target is replaced only when `force` is set, and never
// when it is a directory or read-only.
class OutputBatch {
 public:
  explicit OutputBatch(bool force) : Force(force) {}
  ~OutputBatch();
  OutputBatch(const OutputBatch&) = delete;
  OutputBatch& operator=(const OutputBatch&) = delete;

  // Checks that `target` may be written without writing anything.
  bool MayWrite(const fs::path& target, std::string* reason) const;

  // Writes `size` bytes to a temporary file beside `target`.
  bool Stage(const fs::path& target, const uint8_t* data, size_t size, std::string* reason);

  // The same for bytes in several pieces, written one after the other.
  struct Piece {
    const uint8_t* Data;
    size_t Size;
  };
  bool Stage(const fs::path& target, const std::vector<Piece>& pieces, std::string* reason);

  // The temporary file of the last output staged, to read it back before Commit().
  fs::path LastTemporary() const { return Staged.empty() ? fs::path() : Staged.back().Temporary; }

  // Gives every staged file its name, in the order staged.
  bool Commit(std::string* reason);

  // Removes every temporary file now (the destructor does the same).
  void Abandon() { Discard(); }

 private:
  void Discard();

  bool Force;
  std::vector<StagedFile> Staged;
  std::vector<fs::path> Created; // targets this batch brought into being
};

} // namespace fcview
