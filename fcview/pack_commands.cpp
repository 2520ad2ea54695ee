#include "fcview/pack_commands.h"

#include <algorithm>
#include <functional>
#include <memory>

#include "fcview/cli.h"
#include "fcview/encode.h"
#include "fcview/files.h"
#include "fcview/names.h"
#include "fcview/text.h"
#include "fcview/vfs_pack.h"
#include "vfs_archive/vfs_format.h"

namespace fcview {

namespace {

// Options (--force only) and the positional arguments.
bool SplitArguments(const std::vector<std::string>& args, bool* force, std::vector<std::string>* positional) {
  *force = false;
  for (const std::string& arg : args) {
    if (arg == "--force") {
      *force = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return false;
    } else {
      positional->push_back(arg);
    }
  }
  return true;
}

// Options, then one input or more, then the output: false when they are not all there.
bool SplitInputsAndOutput(const std::vector<std::string>& args, bool* force, std::vector<std::string>* inputs,
                          std::string* out) {
  if (!SplitArguments(args, force, inputs) || inputs->size() < 2) return false;
  *out = inputs->back();
  inputs->pop_back();
  return true;
}

// Writes the plan to a temporary file, reads it back, and only then gives it its name.
int WriteArchive(const VfsPlan& plan, const std::string& out, bool force, size_t members,
                 const std::function<void()>& beforeRename) {
  OutputBatch batch(force);
  std::string reason;
  const fs::path target = PathFromArgument(out);
  if (!batch.MayWrite(target, &reason)) return Fail(out, reason);
  std::vector<OutputBatch::Piece> pieces{{plan.Head.data(), plan.Head.size()}};
  for (const VfsPiece& piece : plan.Pieces) pieces.push_back({piece.Data, piece.Size});
  if (!batch.Stage(target, pieces, &reason)) return Fail(out, reason);
  MappedInput written;
  std::vector<FileInfo> listed;
  if (!MapWholeFile(batch.LastTemporary(), &written.File, &reason) || !MatchesPlan(written.Range(), plan) ||
      ListMembers(written.Range(), VfsFormat, &listed) != 0 || listed.size() != members) {
    return Fail(out, "the archive written does not read back as planned; nothing was kept");
  }
  UnmapWholeFile(&written.File);
  beforeRename();
  if (!batch.Commit(&reason)) return Fail(out, reason);
  return ExitSuccess;
}

bool MapInput(const std::string& file, std::vector<std::unique_ptr<MappedInput>>* inputs, std::string* reason) {
  inputs->push_back(std::make_unique<MappedInput>());
  return MapWholeFile(PathFromArgument(file), &inputs->back()->File, reason);
}

} // namespace

int Encode(const std::vector<std::string>& args) {
  bool force = false;
  std::vector<std::string> files;
  std::string out;
  if (!SplitInputsAndOutput(args, &force, &files, &out)) return Usage();
  EncodedKind kind;
  if (!EncodedKindOf(out, &kind)) return Fail(out, "the output must be named .ipf, .ipq or .mcg");
  if (kind != EncodedKind::Ipq && files.size() != 1) return Fail(out, "an IPF or MCG picture is made from one PNG file");

  std::vector<PngPicture> pictures(files.size());
  for (size_t i = 0; i < files.size(); ++i) {
    std::vector<uint8_t> png;
    std::string reason;
    if (!ReadWholeFile(PathFromArgument(files[i]), &png, &reason) ||
        !ReadPng(png.data(), png.size(), &pictures[i], &reason)) {
      return Fail(files[i], reason);
    }
  }
  OutputBatch batch(force);
  std::string reason;
  const fs::path target = PathFromArgument(out);
  if (!batch.MayWrite(target, &reason)) return Fail(out, reason);
  std::vector<uint8_t> file;
  if (!EncodePictures(kind, pictures, &file, &reason)) {
    return Fail(files.size() == 1 ? files[0] : out, reason);
  }
  if (!batch.Stage(target, file.data(), file.size(), &reason)) return Fail(out, reason);
  std::vector<uint8_t> back;
  if (!ReadWholeFile(batch.LastTemporary(), &back, &reason) ||
      !VerifyEncoded(kind, back.data(), back.size(), pictures, &reason)) {
    return Fail(out, reason + "; nothing was kept");
  }
  if (!batch.Commit(&reason)) return Fail(out, reason);
  const RgbImage& first = pictures[0].Image;
  Print(stdout, "wrote %s (%d x %d%s, %zu bytes)\n", out.c_str(), first.Width, first.Height,
        pictures.size() > 1 ? Format(", %zu frames", pictures.size()).c_str() : "", file.size());
  return ExitSuccess;
}

int Pack(const std::vector<std::string>& args) {
  bool force = false;
  std::vector<std::string> files;
  std::string out;
  if (!SplitInputsAndOutput(args, &force, &files, &out)) return Usage();

  // A directory alone stands for its files, in name order.
  std::error_code error;
  if (files.size() == 1 && fs::is_directory(PathFromArgument(files[0]), error)) {
    const std::string dir = files[0];
    files.clear();
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(PathFromArgument(dir), error)) {
      names.push_back(PathText(entry.path().filename()));
    }
    if (error) return Fail(dir, "cannot be read: " + error.message());
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) files.push_back(OutputName(dir, name));
  }
  std::vector<std::unique_ptr<MappedInput>> inputs;
  std::vector<PackMember> members;
  for (const std::string& file : files) {
    const fs::path path = PathFromArgument(file);
    if (fs::is_directory(path, error)) return Fail(file, "is a directory; a VFS archive holds no directories");
    std::string reason, name;
    if (!MemberBytes(PathText(path.filename()), &name, &reason)) return Fail(file, "its name " + reason);
    if (!MapInput(file, &inputs, &reason)) return Fail(file, reason);
    members.push_back(PackMember{name, VfsPiece{inputs.back()->File.Data, inputs.back()->File.Size}});
  }
  VfsPlan plan;
  std::string reason;
  if (!PlanPack(members, &plan, &reason)) return Fail(out, "refused: member " + reason);
  const int status = WriteArchive(plan, out, force, members.size(), [] {});
  if (status != ExitSuccess) return status;
  Print(stdout, "packed %zu member%s into %s\n", members.size(), members.size() == 1 ? "" : "s", out.c_str());
  return ExitSuccess;
}

int Replace(const std::vector<std::string>& args) {
  bool force = false;
  std::vector<std::string> positional;
  if (!SplitArguments(args, &force, &positional) || positional.size() < 3) return Usage();
  const std::string& file = positional[0];
  const std::string& out = positional[1];

  MappedInput archive;
  ArchiveKind kind{};
  std::vector<Member> members;
  int status = ExitSuccess;
  if (!LoadArchive(file, &archive, &kind, &members, &status)) return status;
  if (kind.Format != &VfsFormat) return Fail(file, "not a VFS archive");

  std::vector<std::unique_ptr<MappedInput>> inputs;
  std::vector<Replacement> replacements;
  for (size_t k = 2; k < positional.size(); ++k) {
    const std::string& pair = positional[k];
    const size_t equals = pair.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == pair.size()) return Usage();
    const std::string name = pair.substr(0, equals);
    const std::string source = pair.substr(equals + 1);
    std::vector<size_t> matched;
    for (size_t i = 0; i < members.size(); ++i) {
      if (!HasWildcard(name) && NameMatches(name, members[i].Text)) matched.push_back(i);
    }
    if (matched.empty()) return Fail(file, "no member named " + name);
    if (matched.size() > 1) return Fail(file, "more than one member is named " + name);
    for (const Replacement& earlier : replacements) {
      if (earlier.Entry == matched[0]) return Fail(file, "member " + members[matched[0]].Text + " is replaced twice");
    }
    std::string reason;
    if (!MapInput(source, &inputs, &reason)) return Fail(source, reason);
    replacements.push_back(Replacement{matched[0], VfsPiece{inputs.back()->File.Data, inputs.back()->File.Size}});
  }
  VfsPlan plan;
  std::string reason;
  if (!PlanReplace(archive.Range(), replacements, &plan, &reason)) return Fail(file, reason);
  // The archive may be its own output (with --force): it is let go before the rename.
  status = WriteArchive(plan, out, force, members.size(), [&archive] { UnmapWholeFile(&archive.File); });
  if (status != ExitSuccess) return status;
  Print(stdout, "wrote %s: %zu member%s, %zu replaced\n", out.c_str(), members.size(), members.size() == 1 ? "" : "s",
        replacements.size());
  return ExitSuccess;
}

} // namespace fcview
