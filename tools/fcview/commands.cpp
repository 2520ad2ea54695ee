#include "tools/fcview/commands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "archive/path_text.h"
#include "common/result_codes.h"
#include "container/ipq_display_mode.h"
#include "ipq_archive/ipq_frames.h"
#include "tools/fcview/archives.h"
#include "tools/fcview/files.h"
#include "tools/fcview/pictures.h"
#include "tools/fcview/platform.h"
#include "tools/fcview/png_encoder.h"
#include "tools/fcview/text.h"

namespace fcview {

namespace {

const char* const UsageLine =
    "usage: fcview info FILE... | convert [--mode N | --all-frames] [--force] FILE OUT.png"
    " | list [--json] ARCHIVE | extract [--force] ARCHIVE DIR [NAME...]";

const char* const HelpText =
    "fcview: F&C's IPF, IPQ and MCG pictures and VFS archives on the command line.\n"
    "\n"
    "  fcview info FILE...\n"
    "      Kind, size, depth and frames of each picture.\n"
    "  fcview convert [--mode N | --all-frames] [--force] FILE OUT.png\n"
    "      The picture as a PNG file. For an IPQ file, --mode chooses what is shown:\n"
    "      1 all frames connected (the default), 2 the first, 3 the second,\n"
    "      4 or 0 the last frame. --all-frames writes every frame on its own, as\n"
    "      OUT-00001.png, OUT-00002.png, ... (frame 1 first; a trailing .png of OUT\n"
    "      is dropped before the number is added).\n"
    "  fcview list [--json] ARCHIVE\n"
    "      The members of a VFS archive, or the frames of an IPQ file, as a table\n"
    "      or as JSON. Name bytes outside printable ASCII show as \\xNN in the\n"
    "      table and as \\u00NN (the byte's Latin-1 meaning) in JSON.\n"
    "  fcview extract [--force] ARCHIVE DIR [NAME...]\n"
    "      All or the named members into DIR (created when missing); IPQ frames\n"
    "      become stand-alone IPF files. Names are given as the list shows them.\n"
    "\n"
    "Nothing is written unless every output can be completed: outputs are written\n"
    "to temporary files first and take their names only at the end. An existing\n"
    "file is replaced only with --force; a name that is not a plain file name is\n"
    "refused. Exit status: 0 success, 1 failure (one line on stderr), 2 usage.\n";

int Usage() {
  std::fprintf(stderr, "%s\n", UsageLine);
  return ExitUsage;
}

int Fail(const std::string& file, const std::string& reason) {
  std::fprintf(stderr, "fcview: %s: %s\n", file.c_str(), reason.c_str());
  return ExitFailure;
}

// The input file whole, as the InputRange every format routine reads.
struct LoadedInput {
  std::vector<uint8_t> Bytes;
  InputRange Range() const { return InputRange{Bytes.data(), Bytes.size()}; }
};

bool Load(const std::string& argument, LoadedInput* input, std::string* reason) {
  if (!ReadWholeFile(PathFromArgument(argument), &input->Bytes, reason)) return false;
  if (input->Bytes.empty()) {
    *reason = "empty file";
    return false;
  }
  return true;
}

std::string PictureFailure(int32_t result) {
  return result == ResultNotOurFormat ? "not an IPF, IPQ or MCG picture" : ResultText(result);
}

// ---- info

void PrintSummary(const std::string& file, const PictureSummary& summary) {
  std::printf("%s: %s\n", file.c_str(), KindName(summary.Kind));
  std::printf("  size: %d x %d%s\n", summary.Info.Width, summary.Info.Height,
              summary.Kind == IpqPicture ? " (all frames connected)" : "");
  std::printf("  depth: %d bits\n", summary.Info.ColorDepth);
  std::printf("  frames: %d\n", summary.Frames);
  for (size_t i = 0; i < summary.FrameSizes.size(); ++i) {
    std::printf("  frame %zu: %d x %d\n", i + 1, summary.FrameSizes[i].Width, summary.FrameSizes[i].Height);
  }
}

int Info(const std::vector<std::string>& args) {
  if (args.empty()) return Usage();
  int status = ExitSuccess;
  bool first = true;
  for (const std::string& file : args) {
    LoadedInput input;
    std::string reason;
    PictureSummary summary;
    if (!Load(file, &input, &reason)) {
      status = Fail(file, reason);
      continue;
    }
    const int32_t result = DescribePicture(input.Range(), &summary);
    if (result != ResultSuccess) {
      status = Fail(file, PictureFailure(result));
      continue;
    }
    if (!first) std::printf("\n");
    first = false;
    PrintSummary(file, summary);
  }
  std::fflush(stdout);
  return status;
}

// ---- convert

bool ParseMode(const std::string& text, int32_t* mode) {
  if (text.size() != 1 || text[0] < '0' || text[0] >= '0' + IpqDisplayModeCount) return false;
  *mode = text[0] - '0';
  return true;
}

// OUT.png -> OUT-00001.png for frame 0.
std::string FrameFileName(const std::string& out, size_t index) {
  std::string base = out;
  if (base.size() > 4) {
    std::string suffix = base.substr(base.size() - 4);
    for (char& c : suffix) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (suffix == ".png") base.resize(base.size() - 4);
  }
  char number[16];
  std::snprintf(number, sizeof number, "-%05zu.png", index + 1);
  return base + number;
}

int StagePng(OutputBatch* batch, const std::string& file, const RgbImage& image) {
  std::vector<uint8_t> png;
  if (!EncodePng(image, &png)) return Fail(file, "out of memory while encoding the PNG file");
  std::string reason;
  if (!batch->Stage(PathFromArgument(file), png.data(), png.size(), &reason)) return Fail(file, reason);
  return ExitSuccess;
}

int Convert(const std::vector<std::string>& args) {
  int32_t mode = ShowConnected;
  bool modeGiven = false;
  bool allFrames = false;
  bool force = false;
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--mode") {
      if (modeGiven || i + 1 == args.size() || !ParseMode(args[i + 1], &mode)) return Usage();
      modeGiven = true;
      ++i;
    } else if (args[i] == "--all-frames") {
      allFrames = true;
    } else if (args[i] == "--force") {
      force = true;
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      return Usage();
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.size() != 2 || (modeGiven && allFrames)) return Usage();
  const std::string& file = files[0];
  const std::string& out = files[1];

  LoadedInput input;
  std::string reason;
  if (!Load(file, &input, &reason)) return Fail(file, reason);
  PictureSummary summary;
  int32_t result = DescribePicture(input.Range(), &summary);
  if (result != ResultSuccess) return Fail(file, PictureFailure(result));

  OutputBatch batch(force);
  std::vector<std::string> written;
  if (!allFrames || summary.Kind != IpqPicture) {
    const std::string target = allFrames ? FrameFileName(out, 0) : out;
    if (!batch.MayWrite(PathFromArgument(target), &reason)) return Fail(target, reason);
    RgbImage image;
    result = DecodeToRgb(input.Range(), mode, &image);
    if (result != ResultSuccess) return Fail(file, PictureFailure(result));
    if (StagePng(&batch, target, image) != ExitSuccess) return ExitFailure;
    written.push_back(target + " (" + std::to_string(image.Width) + " x " + std::to_string(image.Height) + ")");
  } else {
    for (size_t i = 0; i < summary.FrameSizes.size(); ++i) {
      const std::string target = FrameFileName(out, i);
      if (!batch.MayWrite(PathFromArgument(target), &reason)) return Fail(target, reason);
    }
    for (size_t i = 0; i < summary.FrameSizes.size(); ++i) {
      const std::string target = FrameFileName(out, i);
      std::vector<uint8_t> ipf;
      result = FrameAsIpf(input.Range(), static_cast<int32_t>(i), &ipf);
      RgbImage image;
      if (result == ResultSuccess) result = DecodeToRgb(InputRange{ipf.data(), ipf.size()}, ShowLast, &image);
      if (result != ResultSuccess) return Fail(file, "frame " + std::to_string(i + 1) + ": " + ResultText(result));
      if (StagePng(&batch, target, image) != ExitSuccess) return ExitFailure;
      written.push_back(target + " (" + std::to_string(image.Width) + " x " + std::to_string(image.Height) + ")");
    }
  }
  if (!batch.Commit(&reason)) return Fail(out, reason);
  for (const std::string& line : written) std::printf("wrote %s\n", line.c_str());
  std::fflush(stdout);
  return ExitSuccess;
}

// ---- list

// A record field (32 or 64 bits wide by build) for printing.
unsigned long long Wide(uint64_t value) { return value; }

bool LoadArchive(const std::string& file, LoadedInput* input, ArchiveKind* kind, std::vector<FileInfo>* members,
                 int* status) {
  std::string reason;
  if (!Load(file, input, &reason)) {
    *status = Fail(file, reason);
    return false;
  }
  if (!DetectArchive(input->Range(), kind)) {
    *status = Fail(file, "not a VFS archive or IPQ file");
    return false;
  }
  const int32_t result = ListMembers(input->Range(), *kind->Format, members);
  if (result != ResultSuccess) {
    *status = Fail(file, ResultText(result));
    return false;
  }
  return true;
}

int List(const std::vector<std::string>& args) {
  bool json = false;
  std::vector<std::string> files;
  for (const std::string& arg : args) {
    if (arg == "--json") {
      json = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage();
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 1) return Usage();
  LoadedInput input;
  ArchiveKind kind{};
  std::vector<FileInfo> members;
  int status = ExitSuccess;
  if (!LoadArchive(files[0], &input, &kind, &members, &status)) return status;

  if (json) {
    std::printf("{\"format\": \"%s\", \"members\": [", kind.Format == &IpqFormat ? "ipq" : "vfs");
    for (size_t i = 0; i < members.size(); ++i) {
      const FileInfo& m = members[i];
      std::printf("%s\n  {\"name\": %s, \"position\": %llu, \"stored_size\": %llu, \"size\": %llu, "
                  "\"method\": %s}",
                  i == 0 ? "" : ",", JsonString(MemberName(m)).c_str(), Wide(m.Position), Wide(m.CompressedSize),
                  Wide(m.FileSize), JsonString(MethodName(m)).c_str());
    }
    std::printf("%s]}\n", members.empty() ? "" : "\n");
  } else {
    std::printf("%s: %s, %zu member%s\n", files[0].c_str(), kind.Name, members.size(),
                members.size() == 1 ? "" : "s");
    std::printf("%10s %10s %10s  %-8s  %s\n", "position", "stored", "size", "method", "name");
    for (const FileInfo& m : members) {
      std::printf("%10llu %10llu %10llu  %-8s  %s\n", Wide(m.Position), Wide(m.CompressedSize), Wide(m.FileSize),
                  DisplayName(MethodName(m)).c_str(), DisplayName(MemberName(m)).c_str());
    }
  }
  std::fflush(stdout);
  return ExitSuccess;
}

// ---- extract

// A bar on stderr while members are written, only when stderr is a terminal.
struct ProgressBar {
  bool Enabled = false;
  int64_t Total = 0;
  int64_t Before = 0; // bytes of the members already done
  int Shown = -1;

  void Show(int64_t done) {
    if (!Enabled || Total <= 0) return;
    const int percent = static_cast<int>(done * 100 / Total);
    if (percent == Shown) return;
    Shown = percent;
    const int filled = percent * 30 / 100;
    std::fprintf(stderr, "\rextracting [%.*s%.*s] %3d%%", filled, "##############################", 30 - filled,
                 "                              ", percent);
    std::fflush(stderr);
  }
  void Clear() {
    if (!Enabled || Shown < 0) return;
    std::fprintf(stderr, "\r%50s\r", "");
    std::fflush(stderr);
  }
  static int32_t FC_STDCALL Report(int32_t done, int32_t /*total*/, intptr_t user) {
    ProgressBar* bar = reinterpret_cast<ProgressBar*>(user);
    bar->Show(bar->Before + done);
    return 0;
  }
};

struct PlannedMember {
  uint64_t Position;
  std::string Name; // as the locator gives it
  fs::path Target;
  std::string Shown; // the target as messages name it
  int32_t Size;
};

std::string OutputName(const std::string& dir, const std::string& name) {
  const char last = dir.empty() ? '/' : dir.back();
  return dir + (last == '/' || last == '\\' ? "" : "/") + DisplayName(name);
}

// Removes the directories this run created (innermost first) while they are empty.
void RemoveCreatedDirectories(const std::vector<fs::path>& created) {
  std::error_code error;
  for (auto it = created.rbegin(); it != created.rend(); ++it) fs::remove(*it, error);
}

int Extract(const std::vector<std::string>& args) {
  bool force = false;
  std::vector<std::string> positional;
  for (const std::string& arg : args) {
    if (arg == "--force") {
      force = true;
    } else if (arg.size() > 1 && arg[0] == '-' && positional.size() < 2) {
      return Usage();
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() < 2) return Usage();
  const std::string& file = positional[0];
  const std::string& dirArgument = positional[1];
  const std::vector<std::string> wanted(positional.begin() + 2, positional.end());

  LoadedInput input;
  ArchiveKind kind{};
  std::vector<FileInfo> members;
  int status = ExitSuccess;
  if (!LoadArchive(file, &input, &kind, &members, &status)) return status;

  // The members asked for, each once, in the archive's order.
  std::vector<bool> chosen(members.size(), wanted.empty());
  for (const std::string& name : wanted) {
    bool found = false;
    for (size_t i = 0; i < members.size(); ++i) {
      const std::string listed = MemberName(members[i]);
      if (listed == name || DisplayName(listed) == name) chosen[i] = found = true;
    }
    if (!found) return Fail(file, "no member named " + DisplayName(name));
  }

  // Everything is checked before anything is written.
  const fs::path dir = PathFromArgument(dirArgument);
  std::error_code error;
  if (fs::exists(dir, error) && !fs::is_directory(dir, error)) return Fail(dirArgument, "is not a directory");
  OutputBatch batch(force);
  std::vector<PlannedMember> plan;
  int64_t total = 0;
  for (size_t i = 0; i < members.size(); ++i) {
    if (!chosen[i]) continue;
    PlannedMember member{members[i].Position, "", {}, "", 0};
    const int32_t result = LocateMember(input.Range(), *kind.Format, member.Position, &member.Name, &member.Size);
    const std::string shown = DisplayName(MemberName(members[i]));
    if (result != ResultSuccess) return Fail(file, "member " + shown + ": " + ResultText(result));
    fs::path component;
    if (!IsPlainFileName(member.Name.c_str(), IsCp932LeadByte) || !PathFromMemberName(member.Name, &component)) {
      return Fail(file, "member " + shown + ": refused: \"" + DisplayName(member.Name) +
                            "\" is not a plain file name");
    }
    member.Target = dir / component;
    std::string reason;
    member.Shown = OutputName(dirArgument, member.Name);
    if (!batch.MayWrite(member.Target, &reason)) return Fail(member.Shown, reason);
    total += member.Size;
    plan.push_back(member);
  }

  std::vector<fs::path> createdDirectories;
  for (fs::path level = dir; !level.empty() && !fs::exists(level, error); level = level.parent_path()) {
    createdDirectories.insert(createdDirectories.begin(), level);
    if (level == level.parent_path()) break;
  }
  fs::create_directories(dir, error);
  if (error) {
    RemoveCreatedDirectories(createdDirectories);
    return Fail(dirArgument, "cannot be created: " + error.message());
  }

  ProgressBar bar;
  bar.Enabled = StderrIsTerminal();
  bar.Total = total;
  const Progress progress{ProgressBar::Report, reinterpret_cast<intptr_t>(&bar)};
  for (const PlannedMember& member : plan) {
    MemberOutput output;
    const int32_t result = ProduceMember(input.Range(), *kind.Format, member.Position, progress, &output);
    std::string reason;
    if (result != ResultSuccess) {
      bar.Clear();
      status = Fail(file, "member " + DisplayName(member.Name) + ": " + ResultText(result));
    } else if (!batch.Stage(member.Target, output.Bytes.data(), output.Bytes.size(), &reason)) {
      bar.Clear();
      status = Fail(member.Shown, reason);
    }
    if (status != ExitSuccess) break;
    bar.Before += member.Size;
    bar.Show(bar.Before);
  }
  if (status == ExitSuccess) {
    std::string reason;
    if (!batch.Commit(&reason)) {
      bar.Clear();
      status = Fail(dirArgument, reason);
    }
  }
  if (status != ExitSuccess) {
    // Temporary files first, then the directories they were in.
    batch.Abandon();
    RemoveCreatedDirectories(createdDirectories);
    return status;
  }
  bar.Clear();
  std::printf("extracted %zu member%s of %s into %s\n", plan.size(), plan.size() == 1 ? "" : "s", file.c_str(),
              dirArgument.c_str());
  std::fflush(stdout);
  return ExitSuccess;
}

} // namespace

int Main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(HelpText, stdout);
    return ExitSuccess;
  }
  if (command == "info") return Info(args);
  if (command == "convert") return Convert(args);
  if (command == "list") return List(args);
  if (command == "extract") return Extract(args);
  return Usage();
}

} // namespace fcview
