#include "tests/hostile/hostile_cases.h"

#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>

#include "common/result_codes.h"
#include "container/ipq_display_mode.h"
#include "writers/ipf_encoder.h"
#include "writers/vfs_writer.h"

namespace {

constexpr int32_t Same = -100; // DllPictureResult / DllResult: as the native result

uint32_t U32At(const Bytes& bytes, size_t at) {
  return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
         uint32_t{bytes[at + 3]} << 24;
}
int32_t I32At(const Bytes& bytes, size_t at) { return static_cast<int32_t>(U32At(bytes, at)); }
uint16_t U16At(const Bytes& bytes, size_t at) { return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8); }

std::string Hex(size_t value) {
  char text[32];
  std::snprintf(text, sizeof text, "%zx", value);
  return text;
}

void Add(std::vector<PictureCase>* cases, const std::string& name, const Bytes& file, int32_t mode, int32_t info,
         int32_t picture, int32_t dllPicture = Same) {
  cases->push_back(PictureCase{name, file, mode, info, picture, dllPicture == Same ? picture : dllPicture, false});
}

// What the DIB build makes of a described width and height at depth 8 (or
// `depth`): 3 when the stride or the block would not fit 31 bits, or a side
// is not positive.
int32_t LayoutResult(int64_t width, int64_t height, int64_t depth = 8) {
  if (width <= 0 || height <= 0) return ResultBrokenData;
  const int64_t stride = ((depth * width + 7) / 8 + 3) & ~int64_t{3};
  return stride * height > INT32_MAX ? ResultBrokenData : ResultSuccess;
}

// Pixel values 0x20 and up: read as a code stream they are literals.
BitmapFrame LiteralPixels(uint16_t width, uint16_t height, uint32_t seed) {
  BitmapFrame frame;
  frame.Width = width;
  frame.Height = height;
  frame.Left = 3;
  frame.Top = 5;
  for (size_t i = 0; i < size_t{width} * height; ++i) {
    frame.PixelData.push_back(static_cast<uint8_t>(0x20 + (i * 7 + seed) % 0xC0));
  }
  return frame;
}

BitmapFrame Compressed(BitmapFrame frame) {
  frame.Packing = 1;
  frame.PixelData = EncodeIpfCodes(frame.PixelData);
  return frame;
}

ChunkPalette TwoColours() {
  ChunkPalette palette;
  palette.Presence[0] = 0xC0;
  palette.Triples = {10, 20, 30, 40, 50, 60};
  return palette;
}

constexpr size_t PaletteAt = 56;
constexpr size_t PaletteHeader = 44;

size_t AfterPalette(const Bytes& file) { return PaletteAt + 8 + static_cast<size_t>(I32At(file, PaletteAt + 4)); }

// One bit flipped in every byte from `first` to `last` (exclusive), low bit
// and high bit; `rule` gives the two results for the flipped file, or false
// where the outcome is not fixed by the format.
using FlipRule = std::function<bool(size_t at, const Bytes& flipped, int32_t* info, int32_t* picture)>;

void AddFlips(std::vector<PictureCase>* cases, const std::string& name, const Bytes& file, int32_t mode,
              size_t first, size_t last, const FlipRule& rule) {
  for (size_t at = first; at < last; ++at) {
    for (uint8_t bit : {uint8_t{0x01}, uint8_t{0x80}}) {
      Bytes flipped = file;
      flipped[at] ^= bit;
      int32_t info = 0;
      int32_t picture = 0;
      if (rule(at, flipped, &info, &picture)) {
        Add(cases, name + "-flip-" + Hex(at) + "-" + Hex(bit) + "-mode" + std::to_string(mode), flipped, mode, info,
            picture);
      }
    }
  }
}

// The rules shared by the IPF and the IPQ container for the bytes up to the
// end of the "pal " chunk's header. `needed` is the offset of the chunk the
// description looks for ("bmp " or "anim").
bool ContainerFlip(size_t at, const Bytes& flipped, size_t needed, int32_t* info, int32_t* picture) {
  if (at < 4 || (at >= 8 && at < 12)) { // "RIFF", the form type: no single bit makes another of our kinds
    *info = *picture = ResultNotOurFormat;
  } else if (at < 8) { // the container size bounds the chunk walk
    const uint32_t size = U32At(flipped, 4);
    if (size >= 0x80000000u) return false; // sizes of 2^31 and above are read either way
    *info = *picture = size < needed ? ResultBrokenData : ResultSuccess;
  } else if (at < PaletteAt) { // not interpreted
    *info = *picture = ResultSuccess;
  } else if (at < PaletteAt + 4) { // no "pal " chunk any more: described, but no colours
    *info = ResultSuccess;
    *picture = ResultBrokenData;
  } else if (at < PaletteAt + 8) { // the walk leaves the chunk chain: nothing after "pal " is found
    *info = *picture = ResultBrokenData;
  } else if (at < PaletteAt + 12) { // colour count: its triples must lie inside the file
    const int32_t count = I32At(flipped, PaletteAt + 8);
    const int64_t room = static_cast<int64_t>(flipped.size()) - static_cast<int64_t>(PaletteAt + PaletteHeader);
    *info = ResultSuccess;
    *picture = count < 0 || 3 * int64_t{count} > room ? ResultBrokenData : ResultSuccess;
  } else { // presence bits: other entries get the colours
    *info = *picture = ResultSuccess;
  }
  return true;
}

void IpfCases(std::vector<PictureCase>* cases) {
  const BitmapFrame frame = LiteralPixels(4, 2, 1);
  for (bool compressed : {false, true}) {
    const std::string name = compressed ? "ipf-coded" : "ipf-stored";
    const Bytes file = MakeIpf(TwoColours(), compressed ? Compressed(frame) : frame);
    const size_t bitmapAt = AfterPalette(file);
    const size_t dataLength = file.size() - (bitmapAt + 32);

    for (size_t length = 1; length <= file.size(); ++length) {
      const Bytes cut(file.begin(), file.begin() + static_cast<long>(length));
      const std::string caseName = name + "-cut-" + std::to_string(length);
      if (length < 12) {
        Add(cases, caseName, cut, ShowConnected, ResultNotOurFormat, ResultNotOurFormat);
      } else if (length < bitmapAt + 32) {
        Add(cases, caseName, cut, ShowConnected, ResultBrokenData, ResultBrokenData);
      } else {
        Add(cases, caseName, cut, ShowConnected, ResultSuccess,
            length < file.size() ? ResultBrokenData : ResultSuccess);
      }
    }

    AddFlips(cases, name, file, ShowConnected, 0, bitmapAt + 32,
             [&](size_t at, const Bytes& flipped, int32_t* info, int32_t* picture) {
               if (at < bitmapAt) return ContainerFlip(at, flipped, bitmapAt, info, picture);
               const size_t field = at - bitmapAt;
               *info = *picture = ResultSuccess;
               if (field < 4) { // no "bmp " chunk
                 *info = *picture = ResultBrokenData;
               } else if (field < 8) { // chunk size: a size of 0 or less ends the walk before the id is read
                 const int32_t size = I32At(flipped, bitmapAt + 4);
                 if (size <= 0) {
                   *info = *picture = ResultBrokenData;
                 } else if (size < 24 || static_cast<size_t>(size - 24) > dataLength) {
                   *picture = ResultBrokenData; // pixel data of negative length or beyond the file
                 } else if (compressed && static_cast<size_t>(size - 24) < dataLength) {
                   return false; // a cut code stream: the result depends on where it was cut
                 }
               } else if (field < 12) { // width or height: the DIB follows the header
                 const int64_t width = U16At(flipped, bitmapAt + 8);
                 const int64_t height = U16At(flipped, bitmapAt + 10);
                 if (width == 0 || height == 0) return false;
                 *picture = LayoutResult(width, height);
               } else if (field >= 26 && field < 28) { // packing
                 const uint16_t packing = U16At(flipped, bitmapAt + 26);
                 if (packing == 1) {
                   // Stored literals decoded as codes fill the picture exactly and
                   // then find no end code.
                   *picture = DataEnded;
                 } else if (packing != 0) {
                   *picture = ResultNotImplemented;
                 }
               }
               return true;
             });
  }

  // Sizes at their extremes.
  const Bytes plain = MakeIpf(TwoColours(), LiteralPixels(4, 2, 1));
  const size_t bitmapAt = AfterPalette(plain);
  for (uint32_t size : {0u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u}) {
    Bytes file = plain;
    PokeU32(file, PaletteAt + 4, size); // the walk never reaches "bmp "
    Add(cases, "ipf-palette-size-" + Hex(size), file, ShowConnected, ResultBrokenData, ResultBrokenData);
    file = plain;
    PokeU32(file, bitmapAt + 4, size);
    const bool found = static_cast<int32_t>(size) > 0;
    Add(cases, "ipf-bitmap-size-" + Hex(size), file, ShowConnected, found ? ResultSuccess : ResultBrokenData,
        ResultBrokenData);
  }
  Bytes file = plain;
  PokeU32(file, 4, 0);
  Add(cases, "ipf-container-size-0", file, ShowConnected, ResultBrokenData, ResultBrokenData);
  PokeU32(file, 4, 0x7FFFFFFF);
  Add(cases, "ipf-container-size-7fffffff", file, ShowConnected, ResultSuccess, ResultSuccess);

  // The largest sides: the DIB of 65535 x 65535 does not fit 31 bits.
  for (bool compressed : {false, true}) {
    const std::string name = compressed ? "ipf-coded-" : "ipf-stored-";
    for (auto sides : {std::make_pair(65535, 65535), std::make_pair(65535, 1), std::make_pair(1, 65535),
                       std::make_pair(65535, 32768)}) {
      BitmapFrame bitmap = LiteralPixels(4, 2, 7);
      if (compressed) bitmap = Compressed(bitmap);
      bitmap.Width = static_cast<uint16_t>(sides.first);
      bitmap.Height = static_cast<uint16_t>(sides.second);
      Add(cases, name + std::to_string(sides.first) + "x" + std::to_string(sides.second),
          MakeIpf(TwoColours(), bitmap), ShowConnected, ResultSuccess, LayoutResult(sides.first, sides.second));
    }
  }
}

void IpqCases(std::vector<PictureCase>* cases) {
  const std::vector<BitmapFrame> frames = {LiteralPixels(4, 2, 1), LiteralPixels(6, 3, 2)};
  const Bytes file = MakeIpq(TwoColours(), frames);
  const size_t animAt = AfterPalette(file);
  const size_t frame0 = U32At(file, animAt + 12);
  const size_t frame1 = U32At(file, animAt + 16);
  const size_t tableEnd = animAt + 20;

  for (int32_t mode : {ShowConnected, ShowFirst, ShowSecond, ShowLast}) {
    // The frames the mode shows, and where the last byte it needs lies.
    const size_t headersNeeded = (mode == ShowFirst ? frame0 : frame1) + 32;
    const size_t dataNeeded = mode == ShowFirst ? frame1 : file.size();
    for (size_t length = 1; length <= file.size(); ++length) {
      const Bytes cut(file.begin(), file.begin() + static_cast<long>(length));
      const std::string name = "ipq-cut-" + std::to_string(length) + "-mode" + std::to_string(mode);
      if (length < 12) {
        Add(cases, name, cut, mode, ResultNotOurFormat, ResultNotOurFormat);
      } else if (length < headersNeeded) {
        Add(cases, name, cut, mode, ResultBrokenData, ResultBrokenData);
      } else {
        Add(cases, name, cut, mode, ResultSuccess, length < dataNeeded ? ResultBrokenData : ResultSuccess);
      }
    }
  }

  for (int32_t mode : {ShowConnected, ShowFirst, ShowLast}) {
    AddFlips(cases, "ipq", file, mode, 0, tableEnd, [&](size_t at, const Bytes& flipped, int32_t* info,
                                                        int32_t* picture) {
      if (at < animAt) return ContainerFlip(at, flipped, animAt, info, picture);
      const size_t field = at - animAt;
      *info = *picture = ResultSuccess;
      if (field < 4) { // no "anim" chunk: no frames
        *info = *picture = ResultBrokenData;
      } else if (field < 8) { // the size only leads past the chunk; 0 or less ends the walk before it
        if (I32At(flipped, animAt + 4) <= 0) *info = *picture = ResultBrokenData;
      } else if (field < 12) { // frame count
        const int32_t count = I32At(flipped, animAt + 8);
        if (count <= 0 || 12 + 4 * int64_t{count} > static_cast<int64_t>(flipped.size() - animAt)) {
          *info = *picture = ResultBrokenData; // no frame, or a table beyond the file
          return true;
        }
        std::vector<int32_t> shown;
        if (mode == ShowConnected) {
          for (int32_t index = 0; index < count; ++index) shown.push_back(index);
        } else {
          shown.push_back(mode == ShowFirst ? 0 : count - 1);
        }
        for (int32_t index : shown) {
          if (index < 2) continue;
          // Table entries past the two real ones are frame bytes; they must point outside the file.
          const int32_t offset = I32At(flipped, animAt + 12 + 4 * static_cast<size_t>(index));
          if (offset >= 0 && static_cast<int64_t>(offset) + 32 <= static_cast<int64_t>(flipped.size())) return false;
          *info = *picture = ResultBrokenData;
        }
      } else { // a frame's offset: its high bytes send it outside the file
        const size_t index = (field - 12) / 4;
        if ((field - 12) % 4 < 2) return false;
        const bool shown = mode == ShowConnected || (mode == ShowFirst ? index == 0 : index == 1);
        if (shown) *info = *picture = ResultBrokenData;
      }
      return true;
    });
  }

  // Chunk sizes and frame counts at their extremes.
  for (int32_t mode : {ShowConnected, ShowFirst, ShowLast}) {
    const std::string suffix = "-mode" + std::to_string(mode);
    for (uint32_t size : {0u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u}) {
      Bytes sized = file;
      PokeU32(sized, animAt + 4, size);
      const int32_t result = static_cast<int32_t>(size) > 0 ? ResultSuccess : ResultBrokenData;
      Add(cases, "ipq-anim-size-" + Hex(size) + suffix, sized, mode, result, result);
    }
    for (uint32_t count : {0u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u}) {
      Bytes counted = file;
      PokeU32(counted, animAt + 8, count);
      Add(cases, "ipq-frame-count-" + Hex(count) + suffix, counted, mode, ResultBrokenData, ResultBrokenData);
    }
    for (uint32_t offset : {0xFFFFFFFFu, 0x7FFFFFFFu, static_cast<uint32_t>(file.size()),
                            static_cast<uint32_t>(file.size() - 31)}) {
      Bytes moved = file;
      PokeU32(moved, animAt + 16, offset); // frame 1 outside the file, or its header cut by the end
      const int32_t result = mode == ShowFirst ? ResultSuccess : ResultBrokenData;
      Add(cases, "ipq-frame-offset-" + Hex(offset) + suffix, moved, mode, result, result);
    }
    // Two frames of 65535 x 65535: neither one nor both fit a DIB.
    BitmapFrame largest = LiteralPixels(4, 2, 3);
    largest.Width = largest.Height = 65535;
    Add(cases, "ipq-65535-frames" + suffix, MakeIpq(TwoColours(), {largest, largest}), mode, ResultSuccess,
        ResultBrokenData);
  }
  const Bytes single = MakeIpq(TwoColours(), {LiteralPixels(3, 3, 4)});
  Add(cases, "ipq-one-frame-second", single, ShowSecond, ResultBrokenData, ResultBrokenData);
  Add(cases, "ipq-one-frame-last", single, ShowLast, ResultSuccess, ResultSuccess);
}

// An MCG of 3 x 2 pixels at depth 8 (stride 4: 8 unpacked bytes) whose
// colour table and packed data are all 0xFF bytes: a flags byte 0xFF and
// eight literals. Read from any offset, k such bytes unpack to k - ceil(k / 9).
McgFile FlatMcg() {
  McgFile mcg;
  mcg.Width = 3;
  mcg.Height = 2;
  mcg.Depth = 8;
  mcg.UnpackedSize = 8;
  mcg.Colours.assign(4, 0xFFFFFFFFu);
  mcg.Packed = McgLiteralStream(Bytes(8, 0xFF));
  return mcg;
}

int32_t FlatUnpackResult(int64_t packed, int64_t unpacked) {
  const int64_t produced = packed - (packed + 8) / 9;
  return produced >= unpacked ? ResultSuccess : DataEnded;
}

void McgCases(std::vector<PictureCase>* cases) {
  const Bytes file = MakeMcg(FlatMcg());
  const size_t tableEnd = 64 + 16;
  for (size_t length = 1; length <= file.size(); ++length) {
    const Bytes cut(file.begin(), file.begin() + static_cast<long>(length));
    const std::string name = "mcg-cut-" + std::to_string(length);
    if (length < 12) {
      Add(cases, name, cut, ShowConnected, ResultNotOurFormat, ResultNotOurFormat);
    } else if (length < 64) {
      Add(cases, name, cut, ShowConnected, ResultBrokenData, ResultBrokenData);
    } else if (length < tableEnd) {
      Add(cases, name, cut, ShowConnected, ResultSuccess, ResultBrokenData);
    } else {
      Add(cases, name, cut, ShowConnected, ResultSuccess,
          FlatUnpackResult(static_cast<int64_t>(length - tableEnd), 8));
    }
  }

  AddFlips(cases, "mcg", file, ShowConnected, 0, 64,
           [&](size_t at, const Bytes& flipped, int32_t* info, int32_t* picture) {
             *info = *picture = ResultSuccess;
             const int32_t width = I32At(flipped, 28);
             const int32_t height = I32At(flipped, 32);
             if (at < 4) {
               *info = *picture = ResultNotOurFormat;
             } else if (at >= 28 && at < 36) {
               *picture = LayoutResult(width, height);
             } else if (at >= 36 && at < 38) {
               const int16_t depth = static_cast<int16_t>(U16At(flipped, 36));
               if (depth == 1 || depth == 4 || depth == 8 || depth == 24) return false;
               *picture = ResultNotImplemented;
             } else if (at >= 40 && at < 44) {
               const int32_t unpacked = I32At(flipped, 40);
               *picture = unpacked < 0 ? ResultBrokenData : FlatUnpackResult(9, unpacked);
             } else if (at >= 44 && at < 48) {
               const int32_t count = I32At(flipped, 44);
               const int64_t packed = static_cast<int64_t>(flipped.size()) - 64 - 4 * int64_t{count};
               *picture = count < 0 || count > 256 || packed < 0 ? ResultBrokenData : FlatUnpackResult(packed, 8);
             }
             return true;
           });

  // Sides, unpacked size and colour count at their extremes.
  for (int32_t side : {-1, 0x7FFFFFFF, 0x40000000, static_cast<int32_t>(0x80000000u)}) {
    McgFile wide = FlatMcg();
    wide.Width = side;
    Add(cases, "mcg-width-" + Hex(static_cast<uint32_t>(side)), MakeMcg(wide), ShowConnected, ResultSuccess,
        ResultBrokenData);
    McgFile tall = FlatMcg();
    tall.Height = side;
    Add(cases, "mcg-height-" + Hex(static_cast<uint32_t>(side)), MakeMcg(tall), ShowConnected, ResultSuccess,
        ResultBrokenData);
  }
  for (int32_t unpacked : {-1, static_cast<int32_t>(0x80000000u), 0x01000000}) {
    McgFile mcg = FlatMcg();
    mcg.UnpackedSize = unpacked;
    Add(cases, "mcg-unpacked-" + Hex(static_cast<uint32_t>(unpacked)), MakeMcg(mcg), ShowConnected,
        ResultSuccess, unpacked < 0 ? ResultBrokenData : DataEnded);
  }
  // 2 GB promised by a 90-byte file: the packed data end long before.
  McgFile huge = FlatMcg();
  huge.UnpackedSize = 0x7FFFFFFF;
  Add(cases, "mcg-unpacked-7fffffff", MakeMcg(huge), ShowConnected, ResultSuccess, DataEnded);
  for (int32_t count : {257, -1, 0x7FFFFFFF}) {
    McgFile mcg = FlatMcg();
    mcg.CountOverride = count;
    Add(cases, "mcg-colours-" + Hex(static_cast<uint32_t>(count)), MakeMcg(mcg), ShowConnected, ResultSuccess,
        ResultBrokenData);
  }
  McgFile full = FlatMcg();
  full.CountOverride = 256; // 1024 bytes of colours, 25 in the file
  Add(cases, "mcg-colours-beyond-file", MakeMcg(full), ShowConnected, ResultSuccess, ResultBrokenData);
}

// The VFS archive every case starts from: three members, directory order.
const std::vector<VfsMember>& ThreeMembers() {
  static const std::vector<VfsMember> members = {
      {"ONE.DAT", Bytes(40, 0x11)}, {"TWO.DAT", Bytes(1500, 0x22)}, {"SIX.DAT", Bytes(3, 0x33)}};
  return members;
}

constexpr uint32_t EntryAt(size_t index) { return static_cast<uint32_t>(16 + 32 * index); }

void AddVfs(std::vector<VfsCase>* cases, const std::string& name, const Bytes& file, int32_t list, size_t count,
            std::vector<std::pair<std::string, int32_t>> searches, std::vector<VfsExtraction> extractions,
            bool cut = false) {
  for (VfsExtraction& extraction : extractions) {
    if (extraction.DllResult == Same) extraction.DllResult = extraction.Result;
  }
  cases->push_back(VfsCase{name, file, list, count, std::move(searches), std::move(extractions), cut});
}

std::vector<std::pair<std::string, int32_t>> SearchAll(int32_t result) {
  std::vector<std::pair<std::string, int32_t>> searches;
  for (const VfsMember& member : ThreeMembers()) searches.emplace_back(member.Name, result);
  return searches;
}

// GetFile of each entry: the header is found by walking back while the
// data offsets (signed) do not decrease; the member must lie in the file.
std::vector<VfsExtraction> ExtractEach(const VfsLayout& layout, size_t fileSize) {
  std::vector<VfsExtraction> extractions;
  for (size_t index = 0; index < layout.Entries.size(); ++index) {
    bool ordered = true;
    for (size_t k = index; k > 0; --k) {
      if (static_cast<int32_t>(layout.Entries[k - 1].DataOffset) > static_cast<int32_t>(layout.Entries[k].DataOffset)) {
        ordered = false;
        break;
      }
    }
    const VfsEntryFields& entry = layout.Entries[index];
    const uint64_t end = uint64_t{entry.DataOffset} + entry.DataSize;
    int32_t result = ResultNotOurFormat;
    if (ordered) result = end <= fileSize ? ResultSuccess : ResultBrokenData;
    extractions.push_back(VfsExtraction{EntryAt(index), result, Same});
  }
  return extractions;
}

void VfsTruncations(std::vector<VfsCase>* cases) {
  const VfsLayout layout = LayOutVfs(ThreeMembers());
  const Bytes file = WriteVfs(layout);
  const size_t directoryEnd = EntryAt(3);
  for (size_t length = 1; length <= file.size(); length += (length < 200 ? 1 : 37)) {
    const Bytes cut(file.begin(), file.begin() + static_cast<long>(length));
    const std::string name = "vfs-cut-" + std::to_string(length);
    std::vector<VfsExtraction> extractions;
    for (size_t index = 0; index < 3; ++index) {
      int32_t result = ResultNotOurFormat; // the entry is not (wholly) in the file
      if (length >= EntryAt(index + 1)) {
        const VfsEntryFields& entry = layout.Entries[index];
        result = entry.DataOffset + entry.DataSize <= length ? ResultSuccess : ResultBrokenData;
      }
      extractions.push_back(VfsExtraction{EntryAt(index), result, Same});
    }
    if (length < 16) {
      AddVfs(cases, name, cut, ResultNotOurFormat, 0, SearchAll(ResultNotOurFormat), extractions);
    } else if (length < directoryEnd) {
      AddVfs(cases, name, cut, ResultSuccess, 0, SearchAll(ResultNotOurFormat), extractions, true);
    } else {
      AddVfs(cases, name, cut, ResultSuccess, 3, SearchAll(ResultSuccess), extractions);
    }
  }
  if (file.size() % 37 != 0) {
    AddVfs(cases, "vfs-whole", file, ResultSuccess, 3, SearchAll(ResultSuccess), ExtractEach(layout, file.size()));
  }
}

// Reads the fields of a flipped archive back into a layout (entries only).
VfsLayout FieldsOf(const Bytes& file) {
  VfsLayout layout;
  for (size_t index = 0; index < 3; ++index) {
    VfsEntryFields entry;
    entry.DataOffset = U32At(file, EntryAt(index) + 19);
    entry.DataSize = U32At(file, EntryAt(index) + 23);
    layout.Entries.push_back(entry);
  }
  return layout;
}

void VfsFlips(std::vector<VfsCase>* cases) {
  const Bytes file = MakeVfs(ThreeMembers());
  for (size_t at = 0; at < EntryAt(3); ++at) {
    for (uint8_t bit : {uint8_t{0x01}, uint8_t{0x80}}) {
      Bytes flipped = file;
      flipped[at] ^= bit;
      const std::string name = "vfs-flip-" + Hex(at) + "-" + Hex(bit);
      const bool header = at < 16 && (at < 2 || (at >= 4 && at < 6) || (at >= 8 && at < 12));
      if (header) { // magic, count or directory size: no VFS header at all
        AddVfs(cases, name, flipped, ResultNotOurFormat, 0, SearchAll(ResultNotOurFormat),
               {{EntryAt(0), ResultNotOurFormat, Same}, {EntryAt(1), ResultNotOurFormat, Same},
                {EntryAt(2), ResultNotOurFormat, Same}});
        continue;
      }
      std::vector<std::pair<std::string, int32_t>> searches = SearchAll(ResultSuccess);
      if (at >= 16) {
        const size_t index = (at - 16) / 32;
        const size_t field = (at - 16) % 32;
        // A flipped character or terminator renames the member.
        if (field <= ThreeMembers()[index].Name.size()) searches[index].second = ResultNotOurFormat;
      }
      const VfsLayout fields = FieldsOf(flipped);
      std::vector<VfsExtraction> extractions = ExtractEach(fields, flipped.size());
      AddVfs(cases, name, flipped, ResultSuccess, 3, searches, extractions);
    }
  }
}

void VfsExtremes(std::vector<VfsCase>* cases) {
  const VfsLayout base = LayOutVfs(ThreeMembers());
  const Bytes file = WriteVfs(base);

  AddVfs(cases, "vfs-empty", MakeVfs({}), ResultSuccess, 0, SearchAll(ResultNotOurFormat),
         {{0, ResultNotOurFormat, Same}, {EntryAt(0), ResultNotOurFormat, Same}});

  // A directory of 65535 entries in a file that holds three: nothing is
  // listed, but each real entry still finds its header and member.
  VfsLayout many = base;
  many.EntryCount = 65535;
  many.DirectorySize = 65535u * 32;
  AddVfs(cases, "vfs-count-65535", WriteVfs(many), ResultSuccess, 0, SearchAll(ResultNotOurFormat),
         ExtractEach(base, file.size()), true);

  for (uint32_t size : {0x7FFFFFFFu, 0xFFFFFFFFu, 0u}) {
    VfsLayout wrong = base;
    wrong.DirectorySize = size;
    AddVfs(cases, "vfs-directory-size-" + Hex(size), WriteVfs(wrong), ResultNotOurFormat, 0,
           SearchAll(ResultNotOurFormat),
           {{EntryAt(0), ResultNotOurFormat, Same}, {EntryAt(2), ResultNotOurFormat, Same}});
  }

  // Offsets and sizes past the end, negative, and at the 32-bit extremes.
  struct Change {
    const char* Name;
    size_t Index;
    bool Size;
    uint32_t Value;
  };
  const uint32_t pastEnd = static_cast<uint32_t>(file.size() + 100);
  for (const Change& change : {Change{"offset-past-end-1", 1, false, pastEnd}, Change{"offset-ffffffff-2", 2, false, 0xFFFFFFFFu},
                               Change{"offset-ffffffff-0", 0, false, 0xFFFFFFFFu},
                               Change{"offset-7fffffff-2", 2, false, 0x7FFFFFFFu},
                               Change{"size-ffffffff-0", 0, true, 0xFFFFFFFFu},
                               Change{"size-80000000-1", 1, true, 0x80000000u},
                               Change{"size-past-end-2", 2, true, 4}}) {
    VfsLayout changed = base;
    (change.Size ? changed.Entries[change.Index].DataSize : changed.Entries[change.Index].DataOffset) = change.Value;
    const Bytes bytes = WriteVfs(changed);
    AddVfs(cases, std::string("vfs-") + change.Name, bytes, ResultSuccess, 3, SearchAll(ResultSuccess),
           ExtractEach(changed, bytes.size()));
  }
  // A member of almost 2 GB that the archive cannot hold: refused before any
  // block or file of that size is made.
  VfsLayout huge = base;
  huge.Entries[2].DataSize = 0x7FFFFFFF;
  AddVfs(cases, "vfs-size-7fffffff-2", WriteVfs(huge), ResultSuccess, 3, SearchAll(ResultSuccess),
         {{EntryAt(2), ResultBrokenData, Same}, {EntryAt(1), ResultSuccess, Same}});

  // Positions that name no entry: past the end, inside the header.
  AddVfs(cases, "vfs-stray-positions", file, ResultSuccess, 3, SearchAll(ResultSuccess),
         {{static_cast<uint32_t>(file.size()), ResultNotOurFormat, Same},
          {static_cast<uint32_t>(file.size() - 31), ResultNotOurFormat, Same},
          {0xFFFFFFF0u, ResultNotOurFormat, Same},
          {0, ResultNotOurFormat, Same},
          {8, ResultNotOurFormat, Same}});

  // Data offsets out of order: members after the break cannot be found again.
  VfsLayout unordered = LayOutVfs({{"A", Bytes(10, 1)}, {"B", Bytes(10, 2)}, {"C", Bytes(10, 3)}});
  std::swap(unordered.Entries[1].DataOffset, unordered.Entries[2].DataOffset);
  AddVfs(cases, "vfs-unordered", WriteVfs(unordered), ResultSuccess, 3, {{"A", 0}, {"B", 0}, {"C", 0}},
         {{EntryAt(0), ResultSuccess, Same}, {EntryAt(1), ResultSuccess, Same}, {EntryAt(2), ResultNotOurFormat, Same}});

  // A name filling all 13 bytes of its field.
  VfsLayout unterminated = LayOutVfs({{"x", Bytes(5, 9)}});
  unterminated.Entries[0].Name = VfsNameField("ABCDEFGHI.JKL");
  AddVfs(cases, "vfs-name-13", WriteVfs(unterminated), ResultSuccess, 1, {{"ABCDEFGHI.JKL", 0}, {"ABCDEFGHI.JK", 2}},
         {{EntryAt(0), ResultSuccess, Same}});
}

std::vector<std::string> ManifestLines(const std::string& directory) {
  std::vector<std::string> lines;
  std::ifstream manifest(directory + "/expected.txt");
  std::string line;
  while (std::getline(manifest, line)) {
    if (!line.empty() && line[0] != '#') lines.push_back(line);
  }
  return lines;
}

Bytes ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

std::vector<PictureCase> HostilePictureCases() {
  std::vector<PictureCase> cases;
  IpfCases(&cases);
  IpqCases(&cases);
  McgCases(&cases);
  return cases;
}

std::vector<VfsCase> HostileVfsCases() {
  std::vector<VfsCase> cases;
  VfsTruncations(&cases);
  VfsFlips(&cases);
  VfsExtremes(&cases);
  return cases;
}

// Manifest lines:
//   picture FILE MODE INFO PICTURE [DLL-PICTURE] [open]
//   vfs FILE LIST COUNT [search NAME RESULT]... [extract POSITION RESULT]...
std::vector<PictureCase> FoundPictureCases(const std::string& directory) {
  std::vector<PictureCase> cases;
  for (const std::string& line : ManifestLines(directory)) {
    std::istringstream fields(line);
    std::string kind, file;
    int32_t mode = 0, info = 0, picture = 0, dll = Same;
    fields >> kind >> file >> mode >> info >> picture;
    if (kind != "picture") continue;
    bool open = false;
    std::string word;
    while (fields >> word) {
      if (word == "open") {
        open = true;
      } else {
        dll = std::stoi(word);
      }
    }
    Add(&cases, "found-" + file, ReadWhole(directory + "/" + file), mode, info, picture, dll);
    cases.back().OpenFault = open;
  }
  return cases;
}

std::vector<VfsCase> FoundVfsCases(const std::string& directory) {
  std::vector<VfsCase> cases;
  for (const std::string& line : ManifestLines(directory)) {
    std::istringstream fields(line);
    std::string kind, file, word;
    int32_t list = 0;
    size_t count = 0;
    fields >> kind >> file >> list >> count;
    if (kind != "vfs") continue;
    std::vector<std::pair<std::string, int32_t>> searches;
    std::vector<VfsExtraction> extractions;
    while (fields >> word) {
      if (word == "search") {
        std::string name;
        int32_t result = 0;
        fields >> name >> result;
        searches.emplace_back(name, result);
      } else if (word == "extract") {
        uint32_t position = 0;
        int32_t result = 0;
        fields >> position >> result;
        extractions.push_back(VfsExtraction{position, result, Same});
      }
    }
    AddVfs(&cases, "found-" + file, ReadWhole(directory + "/" + file), list, count, searches, extractions);
  }
  return cases;
}
