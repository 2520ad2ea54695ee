#include "fcview/cli.h"

#include "archive/path_text.h"
#include "common/result_codes.h"
#include "fcview/names.h"
#include "fcview/pictures.h"
#include "fcview/text.h"

namespace fcview {

namespace {

const char* const UsageLine =
    "usage: fcview info FILE... | convert [--mode N | --all-frames] [--force] FILE OUT.png"
    " | convert [--all] [--jobs N] [--force] ARCHIVE OUTDIR/ [NAME...] | list [--json] ARCHIVE"
    " | extract [--force] ARCHIVE DIR [NAME...] | encode [--force] IN.png... OUT.ipf|.ipq|.mcg"
    " | pack [--force] DIR|FILE... OUT.vfs | replace [--force] ARCHIVE OUT.vfs NAME=FILE...";

bool NoLeadBytes(uint8_t) { return false; }

} // namespace

int Usage() {
  Print(stderr, "%s\n", UsageLine);
  return ExitUsage;
}

int Fail(const std::string& file, const std::string& reason) {
  Print(stderr, "fcview: %s: %s\n", file.c_str(), reason.c_str());
  return ExitFailure;
}

bool Load(const std::string& argument, MappedInput* input, std::string* reason) {
  if (!MapWholeFile(PathFromArgument(argument), &input->File, reason)) return false;
  if (input->File.Size == 0) {
    *reason = "empty file";
    return false;
  }
  return true;
}

bool LoadArchive(const std::string& file, MappedInput* input, ArchiveKind* kind, std::vector<Member>* members,
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
  std::vector<FileInfo> records;
  const int32_t result = ListMembers(input->Range(), *kind->Format, &records);
  if (result != ResultSuccess) {
    *status = Fail(file, ResultText(result));
    return false;
  }
  members->clear();
  for (const FileInfo& record : records) {
    const std::string name = MemberName(record);
    members->push_back(Member{record, name, MemberText(name)});
  }
  return true;
}

bool SelectMembers(const std::vector<Member>& members, const std::vector<std::string>& patterns,
                   std::vector<bool>* chosen, std::string* unmatched) {
  chosen->assign(members.size(), patterns.empty());
  for (const std::string& pattern : patterns) {
    bool found = false;
    for (size_t i = 0; i < members.size(); ++i) {
      if (NameMatches(pattern, members[i].Text)) (*chosen)[i] = found = true;
    }
    if (!found) {
      *unmatched = pattern;
      return false;
    }
  }
  return true;
}

bool IsPlainText(const std::string& text) { return IsPlainFileName(text.c_str(), NoLeadBytes); }

std::string OutputName(const std::string& dir, const std::string& name) {
  const char last = dir.empty() ? '/' : dir.back();
  return dir + (last == '/' || last == '\\' ? "" : "/") + name;
}

bool ParseCount(const std::string& text, unsigned* count) {
  if (text.empty() || text.size() > 4) return false;
  unsigned value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0) return false;
  *count = value;
  return true;
}

} // namespace fcview
