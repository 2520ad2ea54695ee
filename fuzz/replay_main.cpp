// The fuzz targets without libFuzzer, for the coverage build: every file
// named, and every file in every directory named, through the target once.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool ReadWhole(const std::string& path, std::vector<uint8_t>* bytes) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  uint8_t buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes->insert(bytes->end(), buffer, buffer + got);
  std::fclose(file);
  return true;
}

void Collect(const std::string& path, std::vector<std::string>* files) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return;
  if (!S_ISDIR(info.st_mode)) {
    files->push_back(path);
    return;
  }
  DIR* directory = opendir(path.c_str());
  if (directory == nullptr) return;
  std::vector<std::string> names;
  while (const dirent* entry = readdir(directory)) {
    if (entry->d_name[0] != '.') names.push_back(entry->d_name);
  }
  closedir(directory);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) Collect(path + "/" + name, files);
}

} // namespace

int main(int argc, char** argv) {
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) Collect(argv[i], &files);
  for (const std::string& path : files) {
    std::vector<uint8_t> bytes;
    if (!ReadWhole(path, &bytes)) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      return 1;
    }
    // libFuzzer hands out no null pointer, even for an empty input.
    bytes.reserve(1);
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  }
  std::printf("%zu inputs\n", files.size());
  return 0;
}
