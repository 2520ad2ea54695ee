// Writes the hostile corpus (the hand-made cases and the fuzz findings) into
// a folder for the browser tests, one file a case, and a manifest:
//   dump_hostile FINDINGS_DIR OUT_DIR
// manifest.tsv: file, kind (picture or vfs), the result a host gets when it
// describes or lists the file, and when it decodes it (vfs: the list result twice).
#include <cstdio>
#include <string>
#include <vector>

#include "tests/hostile/hostile_cases.h"
#include "writers/picture_writer.h"

namespace {

std::string FileName(size_t index, const std::string& name) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%05zu-", index);
  std::string safe = prefix;
  for (char c : name.substr(0, 60)) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    safe += plain ? c : '_';
  }
  return safe;
}

bool Write(const std::string& path, const Bytes& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: dump_hostile FINDINGS_DIR OUT_DIR\n");
    return 2;
  }
  const std::string out = argv[2];
  std::FILE* manifest = std::fopen((out + "/manifest.tsv").c_str(), "w");
  if (manifest == nullptr) {
    std::fprintf(stderr, "dump_hostile: cannot write %s/manifest.tsv\n", out.c_str());
    return 1;
  }
  size_t index = 0;
  std::vector<PictureCase> pictures = HostilePictureCases();
  for (const PictureCase& found : FoundPictureCases(argv[1])) pictures.push_back(found);
  for (const PictureCase& c : pictures) {
    // The page shows IPQ files stacked: only the cases of that display mode say what it gets.
    if (c.Mode != 1 && c.Mode != 0) continue;
    const std::string name = FileName(index++, c.Name);
    if (!Write(out + "/" + name, c.File)) return 1;
    std::fprintf(manifest, "%s\tpicture\t%d\t%d\n", name.c_str(), c.InfoResult, c.PictureResult);
  }
  // Sides a DIB can hold but over the loader's 2^28 pixels: refused by the limit.
  for (const auto& sides : {std::make_pair(20000, 20000), std::make_pair(65535, 4097)}) {
    BitmapFrame frame;
    frame.Width = static_cast<uint16_t>(sides.first);
    frame.Height = static_cast<uint16_t>(sides.second);
    frame.PixelData.assign(64, 0);
    const std::string name = FileName(index++, "over-limit-" + std::to_string(sides.first) + "x" +
                                                   std::to_string(sides.second));
    if (!Write(out + "/" + name, MakeIpf(GreyPalette(), frame))) return 1;
    std::fprintf(manifest, "%s\tpicture\t0\t22\n", name.c_str());
  }
  std::vector<VfsCase> archives = HostileVfsCases();
  for (const VfsCase& found : FoundVfsCases(argv[1])) archives.push_back(found);
  for (const VfsCase& c : archives) {
    const std::string name = FileName(index++, c.Name);
    if (!Write(out + "/" + name, c.File)) return 1;
    const int32_t listed = c.CutDirectory ? 3 : c.ListResult;
    std::fprintf(manifest, "%s\tvfs\t%d\t%d\n", name.c_str(), listed, listed);
  }
  std::fclose(manifest);
  std::printf("dump_hostile: %zu files in %s\n", index, out.c_str());
  return 0;
}
