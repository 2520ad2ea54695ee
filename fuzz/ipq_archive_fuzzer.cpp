// IPQ files as archives, as the host reaches them through Merun: the head
// check, the listing, the search by name, the locator and writer behind
// GetFile for every listed frame and stray positions, and then the picture
// filter on each extracted IPF, whose pixels the plain reference decoders
// recompute. A success hands out exactly the records of the frames and
// exactly the assembled IPF; a failure is a documented code.
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "archive/catalogue.h"
#include "common/result_codes.h"
#include "container/chunks.h"
#include "container/ipq_display_mode.h"
#include "container/picture_kind.h"
#include "container/read_picture_info.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/reference_dib.h"
#include "ipq_archive/ipq_frames.h"
#include "picture_filter/decode_picture.h"
#include "picture_filter/dib_layout.h"
#include "tests/native/archive_test_catalogue.h"

namespace {

int32_t BoundMode = 0;
int32_t FC_STDCALL AnswerMode() { return BoundMode; }

constexpr int64_t LargestBlock = 4 << 20;

// The nearest "RIFF" at or before `at`, stepping back from `at` while four
// bytes can be read there; -1 for none.
int64_t RiffBefore(const InputRange& input, size_t at) {
  if (at > input.Size || input.Size - at < 4) return -1;
  for (int64_t p = static_cast<int64_t>(at); p >= 0; --p) {
    if (HasTag(input.First + p, "RIFF")) return p;
  }
  return -1;
}

// The picture filter on an extracted member: describe, then decode into
// exact blocks. Only the documented codes may come back.
void ShowExtracted(const uint8_t* file, size_t size) {
  const PictureImage picture{InputRange{file, size}, file};
  PictureInfo info;
  const int32_t described = ReadPictureInfo(picture, ShowConnected, &info);
  FUZZ_CHECK(described == ResultSuccess || described == ResultBrokenData || described == ResultNotOurFormat);
  if (described != ResultSuccess) return;
  FUZZ_CHECK(DetectImageKind(picture) == IpfPicture && info.ColorDepth == 8);
  DibLayout layout;
  if (ComputeDibLayout(info, &layout) != ResultSuccess || layout.ImageSize > LargestBlock) return;
  std::unique_ptr<uint8_t[]> colours(new uint8_t[4 * static_cast<size_t>(layout.ColourEntries)]());
  std::unique_ptr<uint8_t[]> pixels(new uint8_t[static_cast<size_t>(layout.ImageSize)]());
  const uint8_t* chunk = FindChunk(picture, "bmp ");
  // DecodeBitmapChunk overflows on sizes below INT32_MIN + 24 (see the picture target).
  if (chunk != nullptr && ReadI32(chunk + 4) < INT32_MIN + 24) return;
  const DibTarget target{colours.get(), layout.ColourEntries, pixels.get(), layout.Stride, info.Height};
  const int32_t decoded = DecodePicture(picture, ShowConnected, target, Progress{});
  FUZZ_CHECK(decoded == ResultSuccess || decoded == ResultBrokenData || decoded == DataEnded ||
             decoded == ResultNotImplemented);
  if (decoded == ResultSuccess) CheckDib(ExpectDib(picture, ShowConnected, info, layout), colours.get(), pixels.get());
}

// `shown` holds the members already shown for this input: many positions
// give the same member, whose decoding (up to megabytes of pixels, checked
// against the reference decoders) need not run again.
void CheckExtraction(const InputRange& input, size_t at, int cancelAt, std::vector<std::vector<uint8_t>>* shown) {
  char name[MemberNameBufferSize];
  std::memset(name, 0x5A, sizeof name);
  int32_t size = -7;
  FrameWalk cursor{};
  const uint8_t* member = input.First + at;
  const int32_t located = LocateIpqFrame(input, member, name, &size, &cursor);
  const int64_t start = RiffBefore(input, at);
  if (start < 0) {
    FUZZ_CHECK(located == ResultNotOurFormat);
    return;
  }
  FUZZ_CHECK(located == ResultSuccess || located == ResultBrokenData);
  if (located != ResultSuccess) return;
  const int32_t index = static_cast<int32_t>(at - static_cast<size_t>(start));
  char expectedName[FrameMemberNameSize];
  FrameMemberName(index, expectedName);
  FUZZ_CHECK(std::strcmp(name, expectedName) == 0);

  // The member is the container's bytes before the "anim" chunk, then the frame's chunk.
  const size_t animOffset = static_cast<size_t>(cursor.AnimChunk - (input.First + start));
  // The host's block has exactly the member's size (the frame's chunk and
  // the head are both inside the input, so it is at most twice its size).
  FUZZ_CHECK(size > 0 && static_cast<size_t>(size) <= 2 * input.Size);
  std::unique_ptr<uint8_t[]> output(new uint8_t[static_cast<size_t>(size)]());
  FuzzProgress progress;
  progress.CancelAt = cancelAt;
  const int32_t written = WriteIpqFrame(input, member, output.get(), size, progress.Reporter(), &cursor);
  FUZZ_CHECK(written == ResultSuccess || written == ResultBrokenData || written == ResultCancelled);
  FUZZ_CHECK((written == ResultCancelled) == progress.Cancelled);
  if (written != ResultSuccess) return;
  FUZZ_CHECK(static_cast<size_t>(size) >= animOffset && animOffset >= 12);
  const uint8_t* image = input.First + start;
  FUZZ_CHECK(std::memcmp(output.get(), image, 4) == 0);
  FUZZ_CHECK(ReadU32(output.get() + 4) == static_cast<uint32_t>(size) && HasTag(output.get() + 8, "IPF "));
  FUZZ_CHECK(std::memcmp(output.get() + 12, image + 12, animOffset - 12) == 0);
  FUZZ_CHECK(std::memcmp(output.get() + animOffset, cursor.Current, static_cast<size_t>(size) - animOffset) == 0);
  FUZZ_CHECK(ReadI32(cursor.Current + 4) + 8 == static_cast<int64_t>(size) - static_cast<int64_t>(animOffset));
  std::vector<uint8_t> extracted(output.get(), output.get() + size);
  for (const std::vector<uint8_t>& earlier : *shown) {
    if (earlier == extracted) return;
  }
  ShowExtracted(output.get(), static_cast<size_t>(size));
  shown->push_back(std::move(extracted));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t control = data[size - 1];
  // Without a picture filter every IPQ is an archive; with one, only in mode 0.
  BoundMode = control % IpqDisplayModeCount;
  BoundGetIpqFormat = (control & 0x20) != 0 ? AnswerMode : nullptr;
  const bool open = BoundGetIpqFormat == nullptr || BoundMode == TreatAsArchive;
  const InputRange input{data, size};
  const bool ipq = size >= 12 && DetectPictureKind(data) == IpqPicture;
  if (size >= IpqHeadSize) FUZZ_CHECK(CheckIpqHead(InputRange{data, IpqHeadSize}) == (ipq && open ? 2 : 0));

  const int32_t base = (control & 0x80) != 0 ? 1000 : 0;
  HeapCatalogue heap;
  heap.FailResizeAfter = (control & 0x40) != 0 ? (control & 1) : -1;
  heap.OpenList(base);
  const int32_t listed = EnumerateIpqFrames(input, data, &heap.Value);
  FinishCatalogue(&heap.Value, listed);
  if (!ipq || !open) {
    FUZZ_CHECK(listed == ResultNotOurFormat);
  } else {
    FUZZ_CHECK(listed == ResultSuccess || listed == ResultBrokenData || listed == ResultNoMemory);
  }
  std::vector<std::string> names;
  if (listed == ResultSuccess) {
    const PictureImage picture{input, data};
    const int32_t count = FrameCount(picture);
    FUZZ_CHECK(count >= 1 && heap.Value.Count == count);
    const std::vector<FileInfo> records = heap.Records();
    const uint8_t* anim = FindChunk(picture, "anim");
    FUZZ_CHECK(anim != nullptr);
    for (int32_t i = 0; i < count; ++i) {
      const FileInfo& record = records[static_cast<size_t>(i)];
      const uint8_t* chunk = FrameChunk(picture, i);
      FUZZ_CHECK(chunk != nullptr && IsReadable(input, chunk, 32));
      FUZZ_CHECK(std::memcmp(record.Method, "F&C ipq\0", 8) == 0);
      FUZZ_CHECK(record.Position == static_cast<uint32_t>(i + base));
      FUZZ_CHECK(static_cast<uint32_t>(record.CompressedSize) == ReadU32(chunk + 4) + 8);
      FUZZ_CHECK(static_cast<uint32_t>(record.FileSize) ==
                 static_cast<uint32_t>(record.CompressedSize) + static_cast<uint32_t>(anim - data));
      char expected[FrameMemberNameSize];
      FrameMemberName(i, expected);
      FUZZ_CHECK(std::strcmp(record.FileName, expected) == 0);
      FUZZ_CHECK(record.Timestamp == 0 && record.Crc == 0 && IsAllZero(record.Path, sizeof record.Path));
      names.push_back(expected);
    }
    for (size_t i = static_cast<size_t>(count); i < records.size(); ++i) {
      FUZZ_CHECK(IsAllZero(&records[i], sizeof(FileInfo)));
    }
  }

  // The search agrees with the listing.
  if (listed == ResultSuccess) {
    for (const std::string& name : {names[control % names.size()], std::string("#00000.IPX")}) {
      FileInfo record;
      heap.OpenFind(base, &record, name.c_str(), false);
      const int32_t searched = EnumerateIpqFrames(input, data, &heap.Value);
      size_t first = 0;
      while (first < names.size() && names[first] != name) ++first;
      FUZZ_CHECK(searched == (first < names.size() ? EntryFound : ResultSuccess));
      if (searched == EntryFound) FUZZ_CHECK(record.Position == static_cast<uint32_t>(first) + base);
    }
  }

  const int cancelAt = CancelPointOf(control);
  std::vector<std::vector<uint8_t>> shown;
  for (size_t i = 0; i < names.size() && i < 64; ++i) CheckExtraction(input, i, cancelAt, &shown);
  for (size_t at = 0; at < size && at < 16; ++at) CheckExtraction(input, at, cancelAt, &shown);
  CheckExtraction(input, size - 1, cancelAt, &shown);
  return 0;
}
