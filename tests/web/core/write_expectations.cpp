// Writes what the node tests of the WebAssembly core compare against: the
// test inputs (writers' pictures of every depth, the samples, the hostile
// corpus, archives) and the answers of the same core built natively, with
// fcview's decoding of the good pictures beside them.
//   web_core_expectations OUTDIR SAMPLES_DIR HOSTILE_FINDINGS_DIR
// OUTDIR/files/NAME are the inputs, OUTDIR/expected/NAME.FRAME.{indices,rgba,
// palette} and .fcview.{rgb,palette,indexes} the pixels, OUTDIR/manifest.json
// the rest.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "container/ipq_display_mode.h"
#include "fcview/pictures.h"
#include "tests/hostile/hostile_cases.h"
#include "tests/reference/picture_like.h"
#include "tests/support/file_bytes.h"
#include "tests/support/pattern_pictures.h"
#include "web/core/fc_wasm.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"
#include "writers/vfs_writer.h"

namespace {

std::string Quoted(const std::string& value) {
  std::string out = "\"";
  for (unsigned char c : value) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// A JSON object or array built up one member at a time.
struct Json {
  std::string Text;
};
Json& Put(Json& json, const std::string& name, const std::string& valueJson) {
  json.Text += (json.Text.empty() ? "" : ", ") + Quoted(name) + ": " + valueJson;
  return json;
}
Json& Put(Json& json, const std::string& name, int64_t value) { return Put(json, name, std::to_string(value)); }
void Push(Json& array, const std::string& itemJson) { array.Text += (array.Text.empty() ? "" : ",\n ") + itemJson; }
std::string Object(const Json& json) { return "{" + json.Text + "}"; }
std::string Array(const Json& json) { return "[" + json.Text + "]"; }

// FNV-1a, as the node tests compute it, for outputs not kept whole.
uint32_t Hash(const uint8_t* bytes, size_t count) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

std::string OutDir;

void Save(const std::string& path, const uint8_t* bytes, size_t count) {
  if (!WriteFileBytes(OutDir + "/" + path, Bytes(bytes, bytes + count))) {
    std::fprintf(stderr, "cannot write %s/%s\n", OutDir.c_str(), path.c_str());
    std::exit(1);
  }
}
void Save(const std::string& path, const Bytes& bytes) { Save(path, bytes.data(), bytes.size()); }

std::string Failure(int32_t code, const char* message) {
  Json json;
  Put(json, "code", code);
  Put(json, "message", Quoted(message));
  return Object(json);
}

std::string Describe(const Bytes& file) {
  FcDescription description;
  const int32_t code = fc_describe(file.data(), static_cast<uint32_t>(file.size()), &description);
  if (code != ResultSuccess) return Failure(code, fc_picture_message(code));
  Json json, frames;
  Put(json, "code", 0);
  Put(json, "kind", description.Kind);
  Put(json, "frameCount", description.FrameCount);
  Put(json, "width", description.Width);
  Put(json, "height", description.Height);
  Put(json, "depth", description.Depth);
  Put(json, "colours", description.Colours);
  for (int32_t i = 0; i < description.FrameCount; ++i) {
    FcFrameShape shape;
    const int32_t frameCode = fc_describe_frame(file.data(), static_cast<uint32_t>(file.size()), i, &shape);
    if (frameCode != ResultSuccess) {
      Push(frames, Failure(frameCode, fc_picture_message(frameCode)));
      continue;
    }
    Json frame;
    Put(frame, "code", 0);
    Put(frame, "width", shape.Width);
    Put(frame, "height", shape.Height);
    Put(frame, "depth", shape.Depth);
    Put(frame, "colours", shape.Colours);
    Push(frames, Object(frame));
  }
  Put(json, "frames", Array(frames));
  return Object(json);
}

// fc_decode of one frame (-1 the whole picture): its outputs saved under
// `stem` or, without one, hashed.
std::string Decode(const Bytes& file, int32_t frame, const std::string& stem) {
  FcDecoded* decoded = nullptr;
  const int32_t code = fc_decode(file.data(), static_cast<uint32_t>(file.size()), frame, FcWantIndices | FcWantRgba,
                                 &decoded);
  Json json;
  Put(json, "frame", frame);
  Put(json, "code", code);
  if (code != ResultSuccess) {
    Put(json, "message", Quoted(fc_picture_message(code)));
    return Object(json);
  }
  const size_t pixels = static_cast<size_t>(decoded->Width) * static_cast<size_t>(decoded->Height);
  Put(json, "width", decoded->Width);
  Put(json, "height", decoded->Height);
  Put(json, "depth", decoded->Depth);
  Put(json, "colours", decoded->Colours);
  const uint8_t* palette = reinterpret_cast<const uint8_t*>(decoded->Palette);
  const size_t paletteBytes = 4 * static_cast<size_t>(decoded->Colours);
  if (stem.empty()) {
    Put(json, "rgbaHash", Hash(decoded->Rgba, 4 * pixels));
    if (decoded->Indices != nullptr) Put(json, "indicesHash", Hash(decoded->Indices, pixels));
    Put(json, "paletteHash", Hash(palette, paletteBytes));
  } else {
    Save("expected/" + stem + ".rgba", decoded->Rgba, 4 * pixels);
    if (decoded->Indices != nullptr) Save("expected/" + stem + ".indices", decoded->Indices, pixels);
    Save("expected/" + stem + ".palette", palette, paletteBytes);
  }
  fc_release(decoded);
  return Object(json);
}

// What `fcview convert` writes for the picture (-1) or, with --all, a frame.
void SaveFcviewPixels(const Bytes& file, int32_t frame, const std::string& stem) {
  const InputRange input{file.data(), file.size()};
  fcview::RgbImage image;
  int32_t result;
  // IPF and MCG have one frame, the picture itself.
  if (frame < 0 || fc_sniff(file.data(), static_cast<uint32_t>(file.size())) != FcIpq) {
    result = fcview::DecodeToRgb(input, ShowConnected, &image);
  } else {
    std::vector<uint8_t> ipf;
    result = fcview::FrameAsIpf(input, frame, &ipf);
    if (result == ResultSuccess) result = fcview::DecodeToRgb(InputRange{ipf.data(), ipf.size()}, ShowLast, &image);
  }
  if (result != ResultSuccess) return;
  Save("expected/" + stem + ".fcview.rgb", image.Rgb);
  Save("expected/" + stem + ".fcview.indexes", image.Indexes);
  Bytes palette;
  for (uint32_t colour : image.Palette) {
    for (int shift = 0; shift < 32; shift += 8) palette.push_back(static_cast<uint8_t>(colour >> shift));
  }
  Save("expected/" + stem + ".fcview.palette", palette);
}

int32_t FrameCountOf(const Bytes& file) {
  FcDescription description;
  return fc_describe(file.data(), static_cast<uint32_t>(file.size()), &description) == ResultSuccess
             ? description.FrameCount
             : 0;
}

// The cut lengths every picture is tried at: each of the first 160, then steps.
std::vector<size_t> CutLengths(size_t size) {
  std::vector<size_t> lengths;
  for (size_t length = 0; length < size; length += length < 160 ? 1 : 1 + size / 60) lengths.push_back(length);
  if (size > 0) lengths.push_back(size - 1);
  return lengths;
}

std::string Truncations(const Bytes& file) {
  Json cuts;
  for (size_t length : CutLengths(file.size())) {
    const Bytes cut(file.begin(), file.begin() + static_cast<long>(length));
    Json json;
    Put(json, "length", static_cast<int64_t>(length));
    Put(json, "sniff", fc_sniff(cut.data(), static_cast<uint32_t>(cut.size())));
    Put(json, "describe", Describe(cut));
    Put(json, "decode", Decode(cut, -1, ""));
    Push(cuts, Object(json));
  }
  return Array(cuts);
}

std::string PictureEntry(const std::string& name, const Bytes& file) {
  Save("files/" + name, file);
  Json json, decodes;
  Put(json, "file", Quoted(name));
  Put(json, "sniff", fc_sniff(file.data(), static_cast<uint32_t>(file.size())));
  Put(json, "describe", Describe(file));
  const int32_t frames = FrameCountOf(file);
  for (int32_t frame = -1; frame < frames; ++frame) {
    const std::string stem = name + "." + (frame < 0 ? std::string("all") : std::to_string(frame));
    Push(decodes, Decode(file, frame, stem));
    SaveFcviewPixels(file, frame, stem);
  }
  Put(json, "decodes", Array(decodes));
  Put(json, "cuts", Truncations(file));
  return Object(json);
}

std::string HostilePictureEntry(const std::string& fileName, const PictureCase& hostile) {
  Save("files/" + fileName, hostile.File);
  Json json, decodes;
  Put(json, "file", Quoted(fileName));
  Put(json, "name", Quoted(hostile.Name));
  Put(json, "mode", hostile.Mode);
  Put(json, "pictureResult", hostile.PictureResult);
  Put(json, "describe", Describe(hostile.File));
  const int32_t frames = FrameCountOf(hostile.File);
  for (int32_t frame = -1; frame < frames && frame < 8; ++frame) Push(decodes, Decode(hostile.File, frame, ""));
  Put(json, "decodes", Array(decodes));
  return Object(json);
}

// The listing from the head and directory alone, as the page reads them.
std::string VfsListing(const Bytes& file) {
  Json json, members;
  uint32_t count = 0;
  const int32_t head = fc_vfs_head(file.data(), static_cast<uint32_t>(file.size() < 16 ? file.size() : 16), &count);
  Put(json, "head", head);
  if (head != ResultSuccess) return Object(json);
  Put(json, "entryCount", count);
  const size_t directoryEnd = 16 + size_t{count} * 32;
  const size_t read = file.size() < directoryEnd ? file.size() : directoryEnd;
  std::vector<FcVfsMember> records(count);
  const int32_t code = fc_vfs_list(file.data(), static_cast<uint32_t>(read), static_cast<double>(file.size()),
                                   records.data(), count);
  Put(json, "code", code);
  if (code != ResultSuccess) return Object(json);
  for (const FcVfsMember& record : records) {
    Json member;
    Put(member, "name", Quoted(std::string(reinterpret_cast<const char*>(record.Name), record.NameLength)));
    Put(member, "offset", static_cast<int64_t>(record.Offset));
    Put(member, "size", record.Size);
    Put(member, "position", record.Position);
    Put(member, "code", record.Result);
    Push(members, Object(member));
  }
  Put(json, "members", Array(members));
  return Object(json);
}

std::string VfsEntry(const std::string& fileName, const Bytes& file, const VfsCase* hostile) {
  Save("files/" + fileName, file);
  Json json;
  Put(json, "file", Quoted(fileName));
  Put(json, "listing", VfsListing(file));
  if (hostile != nullptr) {
    Json extractions;
    Put(json, "name", Quoted(hostile->Name));
    Put(json, "listResult", hostile->CutDirectory ? ResultBrokenData : hostile->ListResult);
    for (const VfsExtraction& extraction : hostile->Extractions) {
      Json item;
      Put(item, "position", extraction.Position);
      Put(item, "result", extraction.Result);
      Push(extractions, Object(item));
    }
    Put(json, "extractions", Array(extractions));
  }
  return Object(json);
}

Bytes ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writers' pictures: every depth, stored and coded, odd widths (bits past a
// row's end), several frames, and picture-like content long enough for the
// decoders' fast paths.
std::vector<std::pair<std::string, Bytes>> WritersPictures() {
  const ChunkPalette palette = FullPalette(PatternColour);
  BitmapFrame like;
  like.Width = 509;
  like.Height = 381;
  like.Packing = 1;
  like.PixelData = EncodeIpfCodes(PictureLikePixels(509, 381, 7));
  McgFile mcgLike;
  mcgLike.Width = 509;
  mcgLike.Height = 381;
  mcgLike.Depth = 8;
  for (int i = 0; i < 256; ++i) mcgLike.Colours.push_back(PatternColour(i));
  const Bytes likeRows = PictureLikePixels(512, 381, 9); // rows of 512 bytes: 509 pixels padded to 4
  mcgLike.UnpackedSize = static_cast<int32_t>(likeRows.size());
  mcgLike.Packed = EncodeMcgLzss(likeRows);
  return {
      {"stored-8.ipf", MakeIpf(palette, PatternFrame(37, 23, false, 3))},
      {"coded-8.ipf", MakeIpf(palette, PatternFrame(61, 40, true, 5))},
      {"grey-like.ipf", MakeIpf(GreyPalette(), like)},
      {"frames-8.ipq", MakeIpq(palette, {PatternFrame(40, 20, true, 2), PatternFrame(57, 31, false, 4),
                                         PatternFrame(13, 9, true, 6)})},
      {"depth-1.mcg", PatternMcg(45, 17, 1, 2)},
      {"depth-4.mcg", PatternMcg(33, 21, 4, 16)},
      {"depth-8.mcg", PatternMcg(39, 25, 8, 256)},
      {"depth-24.mcg", PatternMcg(29, 19, 24, 0)},
      {"like-8.mcg", MakeMcg(mcgLike)},
  };
}

// Pictures over the loaders' limit of pixels, whole or in one IPQ frame: a
// few bytes that describe 400 million pixels.
std::vector<std::pair<std::string, Bytes>> OversizedPictures() {
  McgFile mcg;
  mcg.Width = mcg.Height = 20000;
  mcg.Depth = 8;
  mcg.UnpackedSize = 20000 * 20000;
  for (int i = 0; i < 256; ++i) mcg.Colours.push_back(PatternColour(i));
  mcg.Packed = McgLiteralStream(Bytes(64, 1));
  BitmapFrame frame;
  frame.Width = frame.Height = 20000;
  frame.Packing = 1;
  frame.PixelData = EncodeIpfCodes(Bytes(64, 1));
  return {{"oversized.mcg", MakeMcg(mcg)},
          {"oversized.ipf", MakeIpf(GreyPalette(), frame)},
          {"oversized-frame.ipq", MakeIpq(GreyPalette(), {PatternFrame(8, 8, false, 1), frame})}};
}

// The description and the first frames' decodes, hashed.
std::string RefusedEntry(const std::string& name, const Bytes& file) {
  Save("files/" + name, file);
  Json json, decodes;
  Put(json, "file", Quoted(name));
  Put(json, "describe", Describe(file));
  for (int32_t frame = -1; frame < 2; ++frame) Push(decodes, Decode(file, frame, ""));
  Put(json, "decodes", Array(decodes));
  return Object(json);
}

// Archives for the listing: the sample's, names in code page 932, a member
// cut short, none at all.
std::vector<std::pair<std::string, Bytes>> Archives(const std::string& samples) {
  Bytes cut = MakeVfs({{"A.DAT", Bytes(50, 1)}, {"B.DAT", Bytes(70, 2)}});
  cut.resize(cut.size() - 20);
  return {
      {"pictures.vfs", ReadWhole(samples + "/pictures.vfs")},
      {"names.vfs", MakeVfs({{"\x83\x65\x83\x58\x83\x67.IPF", Bytes(9, 3)}, {"\xB1\xB2.DAT", Bytes(4, 4)},
                             {"A%41.TXT", Bytes(1, 5)}})},
      {"cut-member.vfs", cut},
      {"empty.vfs", MakeVfs({})},
  };
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: web_core_expectations OUTDIR SAMPLES_DIR HOSTILE_FINDINGS_DIR\n");
    return 2;
  }
  OutDir = argv[1];
  const std::string samples = argv[2];
  for (const std::string& directory : {OutDir, OutDir + "/files", OutDir + "/expected"}) {
    mkdir(directory.c_str(), 0777);
  }
  Json pictures, oversized, hostile, archives;
  for (const auto& picture : WritersPictures()) Push(pictures, PictureEntry(picture.first, picture.second));
  for (const char* sample : {"sunset.ipf", "waves.ipq", "dusk.mcg"}) {
    Push(pictures, PictureEntry(sample, ReadWhole(samples + "/" + sample)));
  }
  for (const auto& picture : OversizedPictures()) Push(oversized, RefusedEntry(picture.first, picture.second));
  std::vector<PictureCase> pictureCases = HostilePictureCases();
  for (PictureCase& found : FoundPictureCases(argv[3])) pictureCases.push_back(found);
  for (size_t i = 0; i < pictureCases.size(); ++i) {
    Push(hostile, HostilePictureEntry("hostile-picture-" + std::to_string(i), pictureCases[i]));
  }
  for (const auto& archive : Archives(samples)) Push(archives, VfsEntry(archive.first, archive.second, nullptr));
  std::vector<VfsCase> vfsCases = HostileVfsCases();
  for (VfsCase& found : FoundVfsCases(argv[3])) vfsCases.push_back(found);
  for (size_t i = 0; i < vfsCases.size(); ++i) {
    Push(archives, VfsEntry("hostile-vfs-" + std::to_string(i), vfsCases[i].File, &vfsCases[i]));
  }
  Json manifest;
  Put(manifest, "pictures", Array(pictures));
  Put(manifest, "oversized", Array(oversized));
  Put(manifest, "hostile", Array(hostile));
  Put(manifest, "archives", Array(archives));
  const std::string text = Object(manifest) + "\n";
  Save("manifest.json", reinterpret_cast<const uint8_t*>(text.data()), text.size());
  std::printf("web_core_expectations: %zu hostile pictures, %zu hostile archives written to %s\n",
              pictureCases.size(), vfsCases.size(), OutDir.c_str());
  return 0;
}
