#include "fcview/convert_archive.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "common/result_codes.h"
#include "container/ipq_display_mode.h"
#include "container/picture_kind.h"
#include "fcview/cli.h"
#include "fcview/files.h"
#include "fcview/names.h"
#include "fcview/pictures.h"
#include "fcview/png_encoder.h"
#include "fcview/progress_bar.h"
#include "fcview/text.h"
#include "vfs_archive/vfs_format.h"

namespace fcview {

namespace {

// One output file.
struct Job {
  InputRange Picture;     // the member's bytes, or the whole input file
  int32_t Frame;          // -1: the whole picture; else this IPQ frame
  bool Copy;              // a member that is no picture, written as it is
  std::string Shown;      // "member NAME: " (or "" for a picture file), for messages
  std::string TargetText; // the output as messages name it
  fs::path Target;
};

// What the workers share: the next job, the count done, and stderr.
struct Run {
  const ConvertOptions* Options;
  const std::vector<Job>* Jobs;
  std::atomic<size_t> Next{0};
  std::atomic<size_t> Done{0};
  std::atomic<size_t> Failed{0};
  std::atomic<size_t> Converted{0};
  std::atomic<size_t> Copied{0};
  std::mutex Lock; // stderr and the bar
  std::condition_variable Finished;
  bool Bar = false;
};

bool IsPictureName(const std::string& text) {
  if (text.size() < 4) return false;
  std::string suffix = text.substr(text.size() - 4);
  for (char& c : suffix) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return suffix == ".IPF" || suffix == ".IPQ" || suffix == ".MCG";
}

void Report(Run& run, const std::string& what, const std::string& reason) {
  std::lock_guard<std::mutex> hold(run.Lock);
  if (run.Bar) ClearBar();
  Fail(run.Options->Input, what + reason);
}

// Decodes (or copies) one job and gives the file its name. Empty on success, else the reason.
std::string Perform(const Job& job, bool force) {
  std::vector<uint8_t> bytes;
  if (job.Copy) {
    bytes.assign(job.Picture.First, job.Picture.First + job.Picture.Size);
  } else {
    RgbImage image;
    int32_t result;
    if (job.Frame < 0) {
      result = DecodeToRgb(job.Picture, ShowConnected, &image);
    } else {
      std::vector<uint8_t> ipf;
      result = FrameAsIpf(job.Picture, job.Frame, &ipf);
      if (result == ResultSuccess) result = DecodeToRgb(InputRange{ipf.data(), ipf.size()}, ShowLast, &image);
    }
    if (result != ResultSuccess) return ResultText(result);
    if (!EncodePng(image, &bytes)) return "out of memory while encoding the PNG file";
  }
  OutputBatch batch(force);
  std::string reason;
  if (!batch.Stage(job.Target, bytes.data(), bytes.size(), &reason) || !batch.Commit(&reason)) {
    return job.TargetText + ": " + reason;
  }
  return std::string();
}

void Work(Run& run) {
  for (size_t i; (i = run.Next.fetch_add(1)) < run.Jobs->size();) {
    const Job& job = (*run.Jobs)[i];
    const std::string failure = Perform(job, run.Options->Force);
    if (!failure.empty()) {
      ++run.Failed;
      const std::string frame = job.Frame >= 0 ? "frame " + std::to_string(job.Frame + 1) + ": " : "";
      Report(run, job.Shown + frame, failure);
    } else {
      ++(job.Copy ? run.Copied : run.Converted);
    }
    if (++run.Done == run.Jobs->size()) {
      std::lock_guard<std::mutex> hold(run.Lock);
      run.Finished.notify_all();
    }
  }
}

// The jobs of one picture (one per frame for an IPQ), named after `base`.
bool AddPicture(const InputRange& picture, const std::string& base, const std::string& shown,
                const std::string& dir, std::vector<Job>* jobs, std::string* reason) {
  PictureSummary summary;
  const int32_t result = DescribePicture(picture, &summary);
  if (result != ResultSuccess) {
    *reason = result == ResultNotOurFormat ? "not an IPF, IPQ or MCG picture" : ResultText(result);
    return false;
  }
  const int32_t frames = summary.Kind == IpqPicture ? summary.Frames : 0;
  for (int32_t f = (frames > 0 ? 0 : -1); f < frames; ++f) {
    const std::string name = f < 0 ? base + ".png" : FrameFileName(base + ".png", static_cast<size_t>(f));
    const std::string targetText = OutputName(dir, name);
    jobs->push_back(Job{picture, f, false, shown, targetText, PathFromArgument(targetText)});
  }
  return true;
}

// Every job of a VFS archive; members that cannot be converted are reported
// here. False (reported) when nothing can be done at all.
bool PlanArchive(const ConvertOptions& options, const InputRange& input, std::vector<Job>* jobs, size_t* failed) {
  std::vector<FileInfo> records;
  const int32_t listed = ListMembers(input, VfsFormat, &records);
  if (listed != ResultSuccess) {
    Fail(options.Input, ResultText(listed));
    return false;
  }
  std::vector<Member> members;
  for (const FileInfo& record : records) {
    const std::string name = MemberName(record);
    members.push_back(Member{record, name, MemberText(name)});
  }
  std::vector<bool> chosen;
  std::string unmatched;
  if (!SelectMembers(members, options.Patterns, &chosen, &unmatched)) {
    Fail(options.Input, "no member named " + unmatched);
    return false;
  }
  for (size_t i = 0; i < members.size(); ++i) {
    if (!chosen[i]) continue;
    const FileInfo& record = members[i].Record;
    const std::string& text = members[i].Text;
    const std::string shown = "member " + text + ": ";
    VfsMemberCursor cursor{};
    char name[MemberNameBufferSize] = {};
    int32_t size = 0;
    const int32_t located = record.Position < input.Size
                                ? VfsFormat.Locate(input, input.First + record.Position, name, &size, &cursor)
                                : ResultNotOurFormat;
    std::string reason;
    if (located != ResultSuccess) {
      reason = ResultText(located);
    } else if (!IsPlainText(text)) {
      reason = "refused: \"" + text + "\" is not a plain file name";
    } else {
      const InputRange member{cursor.MemberStart, static_cast<size_t>(size)};
      const bool picture = size >= 12 && DetectImageKind(PictureImage{member, member.First}) != NotAPicture;
      if (picture || IsPictureName(text)) {
        if (AddPicture(member, text, shown, options.OutDir, jobs, &reason)) continue;
      } else if (options.All) {
        const std::string targetText = OutputName(options.OutDir, text);
        jobs->push_back(Job{member, -1, true, shown, targetText, PathFromArgument(targetText)});
        continue;
      } else {
        continue;
      }
    }
    Fail(options.Input, shown + reason);
    ++*failed;
  }
  return true;
}

} // namespace

std::string FrameFileName(const std::string& out, size_t index) {
  std::string base = out;
  if (base.size() > 4) {
    std::string suffix = base.substr(base.size() - 4);
    for (char& c : suffix) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (suffix == ".png") base.resize(base.size() - 4);
  }
  return base + Format("-%05zu.png", index + 1);
}

int ConvertToDirectory(const ConvertOptions& options, const InputRange& input) {
  std::vector<Job> jobs;
  size_t failed = 0;
  ArchiveKind kind{};
  if (DetectArchive(input, &kind) && kind.Format == &VfsFormat) {
    if (!PlanArchive(options, input, &jobs, &failed)) return ExitFailure;
  } else if (!options.Patterns.empty()) {
    return Usage();
  } else {
    std::string reason;
    const std::string base = PathText(PathFromArgument(options.Input).filename());
    if (!AddPicture(input, base, "", options.OutDir, &jobs, &reason)) {
      return Fail(options.Input, reason == "not an IPF, IPQ or MCG picture"
                                     ? "not a VFS archive or an IPF, IPQ or MCG picture"
                                     : reason);
    }
  }

  // Every output may be written, or nothing is.
  const fs::path dir = PathFromArgument(options.OutDir);
  std::error_code error;
  if (fs::exists(dir, error) && !fs::is_directory(dir, error)) return Fail(options.OutDir, "is not a directory");
  OutputBatch check(options.Force);
  for (const Job& job : jobs) {
    std::string reason;
    if (!check.MayWrite(job.Target, &reason)) return Fail(job.TargetText, reason);
  }
  fs::create_directories(dir, error);
  if (error) return Fail(options.OutDir, "cannot be created: " + error.message());

  Run run;
  run.Options = &options;
  run.Jobs = &jobs;
  run.Bar = StderrIsTerminal() && !jobs.empty();
  unsigned workers = options.Jobs != 0 ? options.Jobs : std::thread::hardware_concurrency();
  workers = std::max(1u, std::min<unsigned>(workers, static_cast<unsigned>(std::max<size_t>(jobs.size(), 1))));
  std::vector<std::thread> threads;
  for (unsigned w = 0; w < workers; ++w) threads.emplace_back(Work, std::ref(run));
  {
    std::unique_lock<std::mutex> hold(run.Lock);
    while (run.Done < jobs.size()) {
      if (run.Bar) {
        const size_t done = run.Done;
        DrawBar("converting", static_cast<int>(done * 100 / jobs.size()), static_cast<long>(done),
                static_cast<long>(jobs.size()));
      }
      run.Finished.wait_for(hold, std::chrono::milliseconds(100));
    }
    if (run.Bar) {
      DrawBar("converting", 100, static_cast<long>(jobs.size()), static_cast<long>(jobs.size()));
      ClearBar();
    }
  }
  for (std::thread& thread : threads) thread.join();

  failed += run.Failed;
  const size_t pictures = run.Converted;
  const size_t copies = run.Copied;
  Print(stdout, "converted %zu picture%s%s of %s into %s%s\n", pictures, pictures == 1 ? "" : "s",
        options.All ? Format(" and copied %zu other member%s", copies, copies == 1 ? "" : "s").c_str() : "",
        options.Input.c_str(), options.OutDir.c_str(),
        failed != 0 ? Format("; %zu failed", failed).c_str() : "");
  std::fflush(stdout);
  return failed == 0 ? ExitSuccess : ExitFailure;
}

} // namespace fcview
