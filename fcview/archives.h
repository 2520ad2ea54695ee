// VFS archives and IPQ files as archives of frames: recognised by their
// content, listed through the formats' own enumerators, members produced by
// their locators and writers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "archive/archive_format.h"
#include "archive/file_info.h"
#include "common/input_range.h"

namespace fcview {

struct ArchiveKind {
  const char* Name; // "VFS archive", "IPQ archive of frames"
  const ArchiveFormat* Format;
};

// The format whose head the input starts with; false when there is none.
bool DetectArchive(const InputRange& input, ArchiveKind* kind);

// Every member record, in the archive's order. 0 or the enumerator's result code.
int32_t ListMembers(const InputRange& input, const ArchiveFormat& format, std::vector<FileInfo>* members);

// The member's full name as listed: Path then FileName.
std::string MemberName(const FileInfo& record);
// The stored-method tag, up to its NUL or its eighth byte.
std::string MethodName(const FileInfo& record);

// The lead bytes of code page 932, in which member names are written.
bool IsCp932LeadByte(uint8_t byte);

// A member as the locator names it and the writer produces it.
struct MemberOutput {
  std::string Name;
  std::vector<uint8_t> Bytes;
};

// Locates the member listed at `position` and writes its bytes into memory,
// reporting progress as the writer does. 0 or the result code.
int32_t ProduceMember(const InputRange& input, const ArchiveFormat& format, uint64_t position,
                      const Progress& progress, MemberOutput* output);

// Locates only: the output name and size.
int32_t LocateMember(const InputRange& input, const ArchiveFormat& format, uint64_t position, std::string* name,
                     int32_t* size);

} // namespace fcview
