#include "fcview/commands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "archive/path_text.h"
#include "common/result_codes.h"
#include "container/ipq_display_mode.h"
#include "ipq_archive/ipq_frames.h"
#include "fcview/archives.h"
#include "fcview/cli.h"
#include "fcview/convert_archive.h"
#include "fcview/files.h"
#include "fcview/names.h"
#include "fcview/pack_commands.h"
#include "fcview/pictures.h"
#include "fcview/platform.h"
#include "fcview/png_encoder.h"
#include "fcview/progress_bar.h"
#include "fcview/text.h"
#include "vfs_archive/vfs_format.h"

namespace fcview {

namespace {

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
    "  fcview convert [--all] [--jobs N] [--force] ARCHIVE OUTDIR/ [NAME...]\n"
    "      Every picture (or the named ones) of a VFS archive as PNG files in\n"
    "      OUTDIR, named after the member (NAME.png; every frame of an IPQ member\n"
    "      as NAME-00001.png, ...). Palette pictures become palette PNG files.\n"
    "      A picture file with OUTDIR/ gives the same for that one file. --all also\n"
    "      extracts the members that are not pictures. --jobs sets the number of\n"
    "      pictures decoded at once (default: the number of processors). A broken\n"
    "      member is reported by name and the rest are still written.\n"
    "  fcview list [--json] ARCHIVE\n"
    "      The members of a VFS archive, or the frames of an IPQ file, as a table\n"
    "      or as JSON. Names are shown as text (code page 932 decoded); a byte that\n"
    "      is no character there shows as %XX, and a '%' that would read as such\n"
    "      an escape as %25.\n"
    "  fcview extract [--force] ARCHIVE DIR [NAME...]\n"
    "      All or the named members into DIR (created when missing), under their\n"
    "      names as text; IPQ frames become stand-alone IPF files. A NAME matches\n"
    "      ignoring case and may be a pattern with * and ? ('*.IPF').\n"
    "  fcview encode [--force] IN.png OUT.ipf | IN.png OUT.mcg | IN.png... OUT.ipq\n"
    "      A picture made from PNG files (an IPQ takes one frame from each, in\n"
    "      order). IPF and IPQ hold at most 256 colours; MCG keeps a palette PNG's\n"
    "      depth (1, 4 or 8 bits) and makes other pictures 24-bit. Colours are never\n"
    "      reduced. The file is decoded again and compared before it is kept.\n"
    "  fcview pack [--force] DIR|FILE... OUT.vfs\n"
    "      A VFS archive of the files in DIR (in name order) or of the files\n"
    "      given. Names must fit the archive: at most 12 bytes in code page 932.\n"
    "  fcview replace [--force] ARCHIVE OUT.vfs NAME=FILE...\n"
    "      A copy of ARCHIVE with the named members' bytes replaced by the files'.\n"
    "      All else stays byte for byte; only data offsets and sizes change.\n"
    "\n"
    "Outputs are written to temporary files first and take their names only when\n"
    "complete. An existing file is replaced only with --force; a name that is not\n"
    "a plain file name is refused. Exit status: 0 success, 1 failure (a line on\n"
    "stderr for each), 2 usage.\n";

// The input file whole, as the InputRange every format routine reads.
using LoadedInput = MappedInput;

std::string PictureFailure(int32_t result) {
  return result == ResultNotOurFormat ? "not an IPF, IPQ or MCG picture" : ResultText(result);
}

// ---- info

void PrintSummary(const std::string& file, const PictureSummary& summary) {
  Print(stdout, "%s: %s\n", file.c_str(), KindName(summary.Kind));
  Print(stdout, "  size: %d x %d%s\n", summary.Info.Width, summary.Info.Height,
              summary.Kind == IpqPicture ? " (all frames connected)" : "");
  Print(stdout, "  depth: %d bits\n", summary.Info.ColorDepth);
  Print(stdout, "  frames: %d\n", summary.Frames);
  for (size_t i = 0; i < summary.FrameSizes.size(); ++i) {
    Print(stdout, "  frame %zu: %d x %d\n", i + 1, summary.FrameSizes[i].Width, summary.FrameSizes[i].Height);
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
    if (!first) Print(stdout, "\n");
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

// An output named *.png (any case) asks for one picture.
bool NamesAPng(const std::string& out) {
  if (out.size() <= 4) return false;
  std::string suffix = out.substr(out.size() - 4);
  for (char& c : suffix) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return suffix == ".png";
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
  bool all = false;
  unsigned jobs = 0;
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--all") {
      all = true;
    } else if (args[i] == "--jobs") {
      if (jobs != 0 || i + 1 == args.size() || !ParseCount(args[i + 1], &jobs)) return Usage();
      ++i;
    } else if (args[i] == "--mode") {
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
  if (files.size() < 2 || (modeGiven && allFrames)) return Usage();
  const std::string& file = files[0];
  const std::string& out = files[1];

  LoadedInput input;
  std::string reason;
  if (!Load(file, &input, &reason)) return Fail(file, reason);
  // A directory as the output, or an archive as the input: every picture into the directory.
  std::error_code error;
  ArchiveKind kind{};
  const bool endsInSeparator = !out.empty() && (out.back() == '/' || out.back() == '\\');
  const bool toDirectory = endsInSeparator || fs::is_directory(PathFromArgument(out), error) ||
                           (DetectArchive(input.Range(), &kind) && kind.Format == &VfsFormat && !NamesAPng(out));
  if (toDirectory) {
    if (modeGiven || allFrames) return Usage();
    const std::vector<std::string> patterns(files.begin() + 2, files.end());
    return ConvertToDirectory(ConvertOptions{file, out, all, force, jobs, patterns}, input.Range());
  }
  if (all || jobs != 0 || files.size() != 2) return Usage();
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
  for (const std::string& line : written) Print(stdout, "wrote %s\n", line.c_str());
  std::fflush(stdout);
  return ExitSuccess;
}

// ---- list

// A record field (32 or 64 bits wide by build) for printing.
unsigned long long Wide(uint64_t value) { return value; }

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
  std::vector<Member> members;
  int status = ExitSuccess;
  if (!LoadArchive(files[0], &input, &kind, &members, &status)) return status;

  if (json) {
    Print(stdout, "{\"format\": \"%s\", \"members\": [", kind.Format == &IpqFormat ? "ipq" : "vfs");
    for (size_t i = 0; i < members.size(); ++i) {
      const FileInfo& m = members[i].Record;
      Print(stdout, "%s\n  {\"name\": %s, \"position\": %llu, \"stored_size\": %llu, \"size\": %llu, "
                  "\"method\": %s}",
                  i == 0 ? "" : ",", JsonString(members[i].Text).c_str(), Wide(m.Position), Wide(m.CompressedSize),
                  Wide(m.FileSize), JsonString(MethodName(m)).c_str());
    }
    Print(stdout, "%s]}\n", members.empty() ? "" : "\n");
  } else {
    Print(stdout, "%s: %s, %zu member%s\n", files[0].c_str(), kind.Name, members.size(),
                members.size() == 1 ? "" : "s");
    Print(stdout, "%10s %10s %10s  %-8s  %s\n", "position", "stored", "size", "method", "name");
    for (const Member& member : members) {
      const FileInfo& m = member.Record;
      Print(stdout, "%10llu %10llu %10llu  %-8s  %s\n", Wide(m.Position), Wide(m.CompressedSize), Wide(m.FileSize),
            MemberText(MethodName(m)).c_str(), member.Text.c_str());
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
    DrawBar("extracting", percent);
  }
  void Clear() {
    if (!Enabled || Shown < 0) return;
    ClearBar();
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
  std::vector<Member> members;
  int status = ExitSuccess;
  if (!LoadArchive(file, &input, &kind, &members, &status)) return status;

  // The members asked for, each once, in the archive's order.
  std::vector<bool> chosen;
  std::string unmatched;
  if (!SelectMembers(members, wanted, &chosen, &unmatched)) return Fail(file, "no member named " + unmatched);

  // Everything is checked before anything is written.
  const fs::path dir = PathFromArgument(dirArgument);
  std::error_code error;
  if (fs::exists(dir, error) && !fs::is_directory(dir, error)) return Fail(dirArgument, "is not a directory");
  OutputBatch batch(force);
  std::vector<PlannedMember> plan;
  int64_t total = 0;
  for (size_t i = 0; i < members.size(); ++i) {
    if (!chosen[i]) continue;
    PlannedMember member{members[i].Record.Position, "", {}, "", 0};
    const int32_t result = LocateMember(input.Range(), *kind.Format, member.Position, &member.Name, &member.Size);
    const std::string& shown = members[i].Text;
    if (result != ResultSuccess) return Fail(file, "member " + shown + ": " + ResultText(result));
    // The file takes the name as text; escapes keep it unique and free of control characters.
    const std::string text = MemberText(member.Name);
    if (!IsPlainText(text)) {
      return Fail(file, "member " + shown + ": refused: \"" + text + "\" is not a plain file name");
    }
    member.Target = dir / PathFromArgument(text);
    std::string reason;
    member.Shown = OutputName(dirArgument, text);
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
      status = Fail(file, "member " + MemberText(member.Name) + ": " + ResultText(result));
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
  Print(stdout, "extracted %zu member%s of %s into %s\n", plan.size(), plan.size() == 1 ? "" : "s", file.c_str(),
              dirArgument.c_str());
  std::fflush(stdout);
  return ExitSuccess;
}

} // namespace

int Main(int argc, char** argv) {
  const std::vector<std::string> arguments = ArgumentsAsUtf8(argc, argv);
  if (arguments.size() < 2) return Usage();
  const std::string command = arguments[1];
  const std::vector<std::string> args(arguments.begin() + 2, arguments.end());
  if (command == "--help" || command == "-h" || command == "help") {
    WriteText(stdout, HelpText);
    return ExitSuccess;
  }
  if (command == "info") return Info(args);
  if (command == "convert") return Convert(args);
  if (command == "list") return List(args);
  if (command == "extract") return Extract(args);
  if (command == "encode") return Encode(args);
  if (command == "pack") return Pack(args);
  if (command == "replace") return Replace(args);
  return Usage();
}

} // namespace fcview
