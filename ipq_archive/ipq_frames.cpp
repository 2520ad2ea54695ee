#include "ipq_archive/ipq_frames.h"

#include <cstring>

#include "archive/copy_with_progress.h"
#include "common/result_codes.h"
#include "container/chunks.h"
#include "container/picture_kind.h"

GetIpqFormatRoutine BoundGetIpqFormat = nullptr;

int32_t IpqArchiveGate(const InputRange& input, const uint8_t* p) {
  const PictureImage picture{input, p};
  if (DetectImageKind(picture) != IpqPicture) return 0;
  if (BoundGetIpqFormat == nullptr) return 2;
  return BoundGetIpqFormat() == 0 ? 2 : 0;
}

int32_t CheckIpqHead(const InputRange& head) { return IpqArchiveGate(head, head.First); }

void FrameMemberName(int32_t index, char name[FrameMemberNameSize]) {
  const uint32_t n = static_cast<uint32_t>(index) + 1;
  name[0] = '#';
  uint32_t divisor = 10000;
  for (int digit = 1; digit <= 5; ++digit, divisor /= 10) name[digit] = static_cast<char>('0' + (n / divisor) % 10);
  std::memcpy(name + 6, ".IPF", 5);
}

void FillIpqRecord(FileInfo* record, const FrameWalk& walk) {
  std::memset(record, 0, sizeof *record);
  std::memcpy(record->Method, "F&C ipq", 8);
  record->Position = static_cast<uint32_t>(walk.Index);
  record->CompressedSize = ReadU32(walk.Current + 4) + ChunkHeaderSize;
  record->FileSize = record->CompressedSize + static_cast<uint32_t>(walk.AnimChunk - walk.Image.Image);
  FrameMemberName(walk.Index, record->FileName);
}

namespace {

// The frame count, when it is positive and the "anim" table of that many
// entries lies inside the input; otherwise 0. A count read from a damaged
// file must never size the record block.
int32_t ListableFrameCount(const PictureImage& picture) {
  const uint8_t* anim = FindChunk(picture, "anim");
  if (anim == nullptr || !IsReadable(picture.Input, anim, AnimHeaderSize)) return 0;
  const int32_t count = ReadI32(anim + 8);
  if (count <= 0) return 0;
  const uint64_t tableBytes = AnimHeaderSize + 4 * static_cast<uint64_t>(count);
  return tableBytes <= BytesLeft(picture.Input, anim) ? count : 0;
}

// The frame's whole chunk (header and body), when it lies inside the input
// and the extracted file's length fits 31 bits; its length otherwise 0.
int64_t FrameChunkLength(const PictureImage& picture, const uint8_t* chunk) {
  if (chunk == nullptr || !IsReadable(picture.Input, chunk, BitmapHeaderSize)) return 0;
  const int32_t size = ReadI32(chunk + 4);
  if (size < 0) return 0;
  const int64_t length = int64_t{size} + static_cast<int64_t>(ChunkHeaderSize);
  return static_cast<uint64_t>(length) <= BytesLeft(picture.Input, chunk) ? length : 0;
}

} // namespace

int32_t EnumerateIpqFrames(const InputRange& input, const uint8_t* image, Catalogue* catalogue) {
  if (IpqArchiveGate(input, image) != 2) return ResultNotOurFormat;
  const PictureImage picture{input, image};
  const int32_t count = ListableFrameCount(picture);
  if (count == 0) return ResultBrokenData;
  int32_t result = ReserveEntries(catalogue, count);
  if (result != ResultSuccess) return result;
  FrameWalk walk;
  if (FirstFrame(picture, &walk) != ResultSuccess) return ResultBrokenData;
  do {
    FileInfo* slot = nullptr;
    result = NextEntrySlot(catalogue, &slot);
    if (result != ResultSuccess) return result;
    if (walk.Current == nullptr || !IsReadable(input, walk.Current, BitmapHeaderSize)) return ResultBrokenData;
    FillIpqRecord(slot, walk);
    result = CommitEntry(catalogue);
    if (result != ResultSuccess) return result;
  } while (NextFrame(&walk) == ResultSuccess);
  return FinishFrames(&walk);
}

const uint8_t* FindRiffStart(const InputRange& input, const uint8_t* member) {
  for (const uint8_t* p = member;; --p) {
    if (!IsReadable(input, p, 4)) return nullptr;
    if (HasTag(p, "RIFF")) return p;
    if (p == input.First) return nullptr; // the input's first byte: nothing lies before it
  }
}

int32_t LocateIpqFrame(const InputRange& input, const uint8_t* member, char* name, int32_t* size, void* cursor) {
  FrameWalk* walk = static_cast<FrameWalk*>(cursor);
  const uint8_t* start = FindRiffStart(input, member);
  if (start == nullptr) return ResultNotOurFormat;
  const PictureImage picture{input, start};
  const size_t index = static_cast<size_t>(member - start);
  if (index > static_cast<size_t>(INT32_MAX)) return ResultBrokenData;
  walk->Image = picture;
  walk->Index = static_cast<int32_t>(index);
  walk->AnimChunk = FindChunk(picture, "anim");
  if (walk->AnimChunk == nullptr) return ResultBrokenData;
  walk->Current = FrameChunk(picture, walk->Index);
  const int64_t chunkLength = FrameChunkLength(picture, walk->Current);
  if (chunkLength == 0) return ResultBrokenData;
  const int64_t fileLength = chunkLength + (walk->AnimChunk - start);
  if (fileLength > INT32_MAX) return ResultBrokenData;
  FrameMemberName(walk->Index, name);
  *size = static_cast<int32_t>(fileLength);
  return ResultSuccess;
}

int32_t WriteIpqFrame(const InputRange& input, const uint8_t* member, uint8_t* output, int32_t size,
                      const Progress& progress, void* cursor) {
  const FrameWalk* walk = static_cast<const FrameWalk*>(cursor);
  const size_t head = static_cast<size_t>(walk->AnimChunk - walk->Image.Image);
  std::memcpy(output, walk->Image.Image, head);
  const uint32_t length = static_cast<uint32_t>(size);
  for (int i = 0; i < 4; ++i) output[4 + i] = static_cast<uint8_t>(length >> (8 * i));
  std::memcpy(output + 8, "IPF ", 4);
  return CopyWithProgress(input, walk->Current, output + head, size - static_cast<int32_t>(head), MemberCopyStep,
                          progress);
}

const ArchiveFormat IpqFormat = {CheckIpqHead, IpqHeadSize, EnumerateIpqFrames, LocateIpqFrame, WriteIpqFrame};
