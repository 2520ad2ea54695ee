// VFS archives as the host reaches them: the head check, the listing, the
// search by name, the header found entry after entry, and the locator and
// writer behind GetFile for every listed member and for stray positions. A success hands out exactly the records
// of the directory and exactly the member's bytes; a failure is a
// documented code and hands out nothing.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "archive/catalogue.h"
#include "common/result_codes.h"
#include "fuzz/fuzz_check.h"
#include "tests/native/archive_test_catalogue.h"
#include "vfs_archive/vfs_format.h"

namespace {

bool HeaderRuleAt(const uint8_t* p) {
  return ReadU16(p) == 0x4656 && uint32_t{ReadU16(p + 4)} * 32 == ReadU32(p + 8);
}

// Where the header lies behind the entry at `entry`, found by stepping back
// one entry at a time while the data offsets do not decrease; -1 for none.
int64_t HeaderBehind(const InputRange& input, size_t entry) {
  if (entry > input.Size || input.Size - entry < 32) return -1;
  size_t current = entry;
  int32_t offset = ReadI32(input.First + current + 19);
  for (;;) {
    if (current < 16) return -1;
    if (HeaderRuleAt(input.First + current - 16)) return static_cast<int64_t>(current - 16);
    if (current < 32) return -1;
    const int32_t previous = ReadI32(input.First + current - 32 + 19);
    if (previous > offset) return -1;
    current -= 32;
    offset = previous;
  }
}

std::string NameField(const uint8_t* entry) {
  return std::string(reinterpret_cast<const char*>(entry), strnlen(reinterpret_cast<const char*>(entry), 13));
}

void CheckRecord(const FileInfo& record, const uint8_t* archive, size_t index, int32_t base) {
  const uint8_t* entry = archive + 16 + 32 * index;
  FUZZ_CHECK(std::memcmp(record.Method, "-vfs-\0\0\0", 8) == 0);
  FUZZ_CHECK(record.Position == static_cast<uint32_t>(16 + 32 * index + base));
  FUZZ_CHECK(record.CompressedSize == ReadU32(entry + 23) && record.FileSize == record.CompressedSize);
  FUZZ_CHECK(record.Timestamp == 0 && record.Crc == 0 && IsAllZero(record.Path, sizeof record.Path));
  const std::string name = NameField(entry);
  FUZZ_CHECK(std::memcmp(record.FileName, name.data(), name.size()) == 0);
  FUZZ_CHECK(IsAllZero(record.FileName + name.size(), sizeof record.FileName - name.size()));
}

// GetFile's two steps on the entry at `at`, checked against the header the
// walk back finds and the bytes the entry names.
void CheckExtraction(const InputRange& input, size_t at, int cancelAt) {
  const int64_t header = HeaderBehind(input, at);
  char name[MemberNameBufferSize];
  std::memset(name, 0x5A, sizeof name);
  int32_t size = -7;
  VfsMemberCursor cursor{nullptr};
  const int32_t located = LocateVfsMember(input, input.First + at, name, &size, &cursor);
  if (header < 0) {
    FUZZ_CHECK(located == ResultNotOurFormat);
    return;
  }
  const uint8_t* entry = input.First + at;
  const uint32_t dataSize = ReadU32(entry + 23);
  const uint64_t start = static_cast<uint64_t>(header) + ReadU32(entry + 19);
  const bool inside = start <= input.Size && dataSize <= input.Size - start;
  if (located == ResultBrokenData) {
    // No member can be that long, or its bytes are not all in the input.
    FUZZ_CHECK(dataSize > static_cast<uint32_t>(INT32_MAX) || !inside);
    return;
  }
  FUZZ_CHECK(located == ResultSuccess && inside);
  FUZZ_CHECK(size == static_cast<int32_t>(dataSize));
  const std::string expectedName = NameField(entry);
  FUZZ_CHECK(std::strlen(name) == expectedName.size() && expectedName == name);

  FuzzProgress progress;
  progress.CancelAt = cancelAt;
  std::unique_ptr<uint8_t[]> output(new uint8_t[dataSize == 0 ? 1 : dataSize]());
  const int32_t written = WriteVfsMember(input, entry, output.get(), size, progress.Reporter(), &cursor);
  FUZZ_CHECK(written == (progress.Cancelled ? ResultCancelled : ResultSuccess));
  FUZZ_CHECK(progress.Calls == (progress.Cancelled ? progress.CancelAt + 1 : static_cast<int>(dataSize / 1024)));
  if (written == ResultSuccess) FUZZ_CHECK(std::memcmp(output.get(), input.First + start, dataSize) == 0);
}

// A whole directory listed at once finds each entry's header from the one
// before (as the browser viewer's listing does): the same header, or the same
// none, as the walk back from that entry alone.
void CheckHeaderRun(const InputRange& input, size_t start, size_t count) {
  const uint8_t* header = nullptr;
  for (size_t i = 0; i < count && start + 32 * i <= input.Size; ++i) {
    const uint8_t* entry = input.First + start + 32 * i;
    header = i == 0 ? FindVfsHeader(input, entry) : FindNextVfsHeader(input, entry, header);
    FUZZ_CHECK(header == FindVfsHeader(input, entry));
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t control = data[size - 1];
  const InputRange input{data, size};
  const bool header = IsVfsHeader(input, data) != 0;
  FUZZ_CHECK(header == (size >= 16 && HeaderRuleAt(data)));
  if (size >= 16) FUZZ_CHECK(CheckVfsHead(InputRange{data, 16}) == (header ? 1 : 0));

  const size_t count = header ? ReadU16(data + 4) : 0;
  const bool directoryInside = header && 16 + 32 * count <= size;
  const int32_t base = (control & 0x80) != 0 ? 1000 : 0;

  // The listing; sometimes the host's memory runs out on the first or second growth.
  HeapCatalogue heap;
  heap.FailResizeAfter = (control & 0x40) != 0 ? (control & 1) : -1;
  heap.OpenList(base);
  const int32_t listed = EnumerateVfsEntries(input, data, &heap.Value);
  FinishCatalogue(&heap.Value, listed);
  std::vector<std::string> names;
  if (directoryInside) {
    for (size_t i = 0; i < count; ++i) names.push_back(NameField(data + 16 + 32 * i));
  }
  if (!header) {
    FUZZ_CHECK(listed == ResultNotOurFormat);
  } else if (listed == ResultNoMemory) {
    FUZZ_CHECK(heap.FailResizeAfter >= 0);
  } else if (!directoryInside) {
    // A directory cut by the end of the data lists nothing.
    FUZZ_CHECK(listed == ResultBrokenData || (listed == ResultSuccess && heap.Value.Count == 0));
  } else {
    FUZZ_CHECK(listed == ResultSuccess);
    FUZZ_CHECK(heap.Value.Count == static_cast<int32_t>(count) && heap.Value.Capacity >= heap.Value.Count);
    const std::vector<FileInfo> records = heap.Records();
    for (size_t i = 0; i < count; ++i) CheckRecord(records[i], data, i, base);
    for (size_t i = count; i < records.size(); ++i) FUZZ_CHECK(IsAllZero(&records[i], sizeof(FileInfo)));
  }

  // The search: a listed name (the first entry that has it must answer), and
  // a name longer than any name field can hold.
  const std::string wanted[2] = {names.empty() ? std::string("A") : names[control % names.size()],
                                 std::string(14, 'Q')};
  for (const std::string& name : wanted) {
    FileInfo record;
    std::memset(&record, 0, sizeof record);
    heap.OpenFind(base, &record, name.c_str(), false);
    const int32_t searched = EnumerateVfsEntries(input, data, &heap.Value);
    if (!header) {
      FUZZ_CHECK(searched == ResultNotOurFormat);
      continue;
    }
    if (!directoryInside) {
      FUZZ_CHECK(searched == ResultBrokenData || searched == ResultSuccess);
      continue;
    }
    size_t first = 0;
    while (first < names.size() && names[first] != name) ++first;
    if (first == names.size()) {
      FUZZ_CHECK(searched == ResultSuccess); // all seen, none matched: the host gets 2
    } else {
      FUZZ_CHECK(searched == EntryFound);
      CheckRecord(record, data, first, base);
    }
  }

  CheckHeaderRun(input, 16, names.size() < 256 ? names.size() : 256);
  CheckHeaderRun(input, control % 32, 8);

  // GetFile at every listed position, and at the first positions of the input.
  const int cancelAt = CancelPointOf(control);
  for (size_t i = 0; i < names.size() && i < 256; ++i) CheckExtraction(input, 16 + 32 * i, cancelAt);
  for (size_t at = 0; at < size && at < 48; ++at) CheckExtraction(input, at, cancelAt);
  CheckExtraction(input, size, cancelAt);
  return 0;
}
