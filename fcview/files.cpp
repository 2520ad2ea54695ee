#include "fcview/files.h"

#include <cerrno>
#include <cstring>
#include <system_error>

namespace fcview {

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>* bytes, std::string* reason) {
  std::error_code error;
  if (fs::is_directory(path, error)) {
    *reason = "is a directory";
    return false;
  }
  std::FILE* file = OpenForReading(path);
  if (file == nullptr) {
    *reason = std::strerror(errno);
    return false;
  }
  bytes->clear();
  uint8_t block[65536];
  size_t n;
  while ((n = std::fread(block, 1, sizeof block, file)) > 0) bytes->insert(bytes->end(), block, block + n);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    *reason = "read error";
    return false;
  }
  return true;
}

OutputBatch::~OutputBatch() { Discard(); }

void OutputBatch::Discard() {
  std::error_code error;
  for (const StagedFile& file : Staged) fs::remove(file.Temporary, error);
  Staged.clear();
}

bool OutputBatch::MayWrite(const fs::path& target, std::string* reason) const {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(target, error);
  if (!fs::exists(status)) return true;
  if (fs::is_directory(status)) {
    *reason = "is a directory";
    return false;
  }
  for (const fs::path& created : Created) {
    if (created == target) return true;
  }
  for (const StagedFile& staged : Staged) {
    if (staged.Target == target) return true; // named twice: the later output wins
  }
  if (!Force) {
    *reason = "exists (use --force to replace it)";
    return false;
  }
  if (!fs::is_regular_file(status)) {
    *reason = "is not a regular file";
    return false;
  }
  if ((status.permissions() & fs::perms::owner_write) == fs::perms::none) {
    *reason = "is read-only";
    return false;
  }
  return true;
}

bool OutputBatch::Stage(const fs::path& target, const uint8_t* data, size_t size, std::string* reason) {
  return Stage(target, std::vector<Piece>{Piece{data, size}}, reason);
}

bool OutputBatch::Stage(const fs::path& target, const std::vector<Piece>& pieces, std::string* reason) {
  if (!MayWrite(target, reason)) return false;
  std::error_code error;
  const bool exists = fs::exists(fs::symlink_status(target, error));
  const fs::path directory = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  fs::path temporary;
  std::FILE* file = nullptr;
  for (unsigned attempt = 0; attempt < 1000 && file == nullptr; ++attempt) {
    temporary = directory / (".fcview-" + std::to_string(ProcessId()) + "-" + std::to_string(attempt) + ".part");
    file = CreateExclusive(temporary);
    if (file == nullptr && errno != EEXIST) break;
  }
  if (file == nullptr) {
    *reason = std::string("cannot create a file in its directory: ") + std::strerror(errno);
    return false;
  }
  Staged.push_back(StagedFile{target, temporary, exists});
  bool written = true;
  for (const Piece& piece : pieces) {
    written = written && (piece.Size == 0 || std::fwrite(piece.Data, 1, piece.Size, file) == piece.Size);
  }
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    *reason = "write error";
    return false;
  }
  return true;
}

bool OutputBatch::Commit(std::string* reason) {
  size_t done = 0;
  bool ok = true;
  for (; done < Staged.size(); ++done) {
    const StagedFile& file = Staged[done];
    bool ownTarget = false;
    for (const fs::path& created : Created) ownTarget = ownTarget || created == file.Target;
    // A target that did not exist when staged must still not exist now.
    const bool renamed = (file.Replace || ownTarget) ? RenameReplace(file.Temporary, file.Target)
                                                     : RenameNoReplace(file.Temporary, file.Target);
    if (!renamed) {
      std::error_code error;
      const bool appeared = !file.Replace && !ownTarget && fs::exists(fs::symlink_status(file.Target, error));
      *reason = file.Target.u8string() + ": " +
                (appeared ? std::string("appeared meanwhile; left as it is") : std::string("cannot be renamed into place"));
      ok = false;
      break;
    }
    if (!file.Replace && !ownTarget) Created.push_back(file.Target);
  }
  if (!ok) {
    std::error_code error;
    for (const fs::path& created : Created) fs::remove(created, error);
    Created.clear();
  }
  // Renamed files have no temporary left; the rest are removed.
  Staged.erase(Staged.begin(), Staged.begin() + static_cast<std::ptrdiff_t>(done));
  Discard();
  return ok;
}

} // namespace fcview
