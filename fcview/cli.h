// What the commands share: failure and usage lines, mapped inputs, archives
// with their members' names as text, and member selection by name or pattern.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archive/file_info.h"
#include "common/input_range.h"
#include "fcview/archives.h"
#include "fcview/platform.h"

namespace fcview {

// Exit codes: 0 success, 1 failure (a line on stderr naming the file and
// the reason), 2 usage error (a usage line on stderr).
constexpr int ExitSuccess = 0;
constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

int Usage();
// "fcview: FILE: REASON" on stderr; returns ExitFailure.
int Fail(const std::string& file, const std::string& reason);

// An input file mapped for reading; unmapped with the record.
struct MappedInput {
  MappedFile File;
  MappedInput() = default;
  MappedInput(const MappedInput&) = delete;
  MappedInput& operator=(const MappedInput&) = delete;
  ~MappedInput() { UnmapWholeFile(&File); }
  InputRange Range() const { return InputRange{File.Data, File.Size}; }
};

// Maps the file named by the argument; an empty file is refused.
bool Load(const std::string& argument, MappedInput* input, std::string* reason);

struct Member {
  FileInfo Record;
  std::string Name; // the name's bytes as listed (code page 932)
  std::string Text; // the name as text (see names.h)
};

// Maps, recognises and lists an archive; prints the failure and sets `status` when it cannot.
bool LoadArchive(const std::string& file, MappedInput* input, ArchiveKind* kind, std::vector<Member>* members,
                 int* status);

// Marks the members each pattern selects: by name ignoring case, or by glob
// pattern. False with the first pattern that selects nothing.
bool SelectMembers(const std::vector<Member>& members, const std::vector<std::string>& patterns,
                   std::vector<bool>* chosen, std::string* unmatched);

// True when `text` is safe as a file name directly inside a directory.
bool IsPlainText(const std::string& text);

// "DIR/NAME" for messages.
std::string OutputName(const std::string& dir, const std::string& name);

// Parses a positive count.
bool ParseCount(const std::string& text, unsigned* count);

} // namespace fcview
