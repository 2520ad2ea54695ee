#include "fcview/archives.h"

#include <cstring>
#include <new>

#include "archive/catalogue.h"
#include "common/result_codes.h"
#include "container/frames.h"
#include "ipq_archive/ipq_frames.h"
#include "vfs_archive/vfs_format.h"

namespace fcview {

namespace {

// The catalogue's record storage: a vector that Block points at.
int32_t ResizeVector(Catalogue* catalogue, int32_t capacity) {
  auto* records = static_cast<std::vector<FileInfo>*>(catalogue->Block);
  try {
    records->resize(static_cast<size_t>(capacity) + 1, FileInfo{});
  } catch (const std::bad_alloc&) {
    return ResultNoMemory;
  }
  catalogue->Records = records->data();
  return ResultSuccess;
}

// The scratch record a locator hands to its writer: large enough for either format's.
union MemberCursor {
  VfsMemberCursor Vfs;
  FrameWalk Ipq;
};

const uint8_t* MemberPointer(const InputRange& input, uint64_t position) {
  return position < input.Size ? input.First + position : nullptr;
}

} // namespace

bool DetectArchive(const InputRange& input, ArchiveKind* kind) {
  // The head checks read only the bytes they are shown: never more than the input holds.
  static const ArchiveKind Kinds[] = {{"VFS archive", &VfsFormat}, {"IPQ archive of frames", &IpqFormat}};
  for (const ArchiveKind& candidate : Kinds) {
    if (input.Size < candidate.Format->HeadSize) continue;
    if (candidate.Format->CheckHead(InputRange{input.First, candidate.Format->HeadSize}) != 0) {
      *kind = candidate;
      return true;
    }
  }
  return false;
}

int32_t ListMembers(const InputRange& input, const ArchiveFormat& format, std::vector<FileInfo>* members) {
  std::vector<FileInfo> records(1, FileInfo{});
  Catalogue catalogue{};
  catalogue.Mode = ListMode;
  catalogue.Block = &records;
  catalogue.Records = records.data();
  catalogue.Resize = ResizeVector;
  const int32_t result = format.Enumerate(input, input.First, &catalogue);
  FinishCatalogue(&catalogue, result);
  if (result != ResultSuccess) return result;
  records.resize(static_cast<size_t>(catalogue.Count));
  *members = std::move(records);
  return ResultSuccess;
}

std::string MemberName(const FileInfo& record) {
  char full[FullNameBufferSize];
  JoinFullName(record, full);
  return full;
}

std::string MethodName(const FileInfo& record) {
  const void* end = std::memchr(record.Method, 0, sizeof record.Method);
  const size_t length = end == nullptr ? sizeof record.Method : static_cast<const uint8_t*>(end) - record.Method;
  return std::string(reinterpret_cast<const char*>(record.Method), length);
}

bool IsCp932LeadByte(uint8_t byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

int32_t LocateMember(const InputRange& input, const ArchiveFormat& format, uint64_t position, std::string* name,
                     int32_t* size) {
  const uint8_t* member = MemberPointer(input, position);
  if (member == nullptr) return ResultNotOurFormat;
  MemberCursor cursor;
  std::memset(&cursor, 0, sizeof cursor);
  char buffer[MemberNameBufferSize] = {};
  const int32_t result = format.Locate(input, member, buffer, size, &cursor);
  buffer[MemberNameBufferSize - 1] = '\0';
  if (result == ResultSuccess) *name = buffer;
  return result;
}

int32_t ProduceMember(const InputRange& input, const ArchiveFormat& format, uint64_t position,
                      const Progress& progress, MemberOutput* output) {
  const uint8_t* member = MemberPointer(input, position);
  if (member == nullptr) return ResultNotOurFormat;
  MemberCursor cursor;
  std::memset(&cursor, 0, sizeof cursor);
  char buffer[MemberNameBufferSize] = {};
  int32_t size = 0;
  int32_t result = format.Locate(input, member, buffer, &size, &cursor);
  buffer[MemberNameBufferSize - 1] = '\0';
  if (result != ResultSuccess) return result;
  if (size < 0) return ResultBrokenData;
  output->Name = buffer;
  try {
    output->Bytes.assign(static_cast<size_t>(size), 0);
  } catch (const std::bad_alloc&) {
    return ResultNoMemory;
  }
  if (size == 0) return ResultSuccess;
  return format.Write(input, member, output->Bytes.data(), size, progress, &cursor);
}

} // namespace fcview
