// A minimal Susie host: loads a plug-in with LoadLibraryA and shows what a
// viewer would get from it.
//   fc_host describe PLUGIN FILE...     kind, size and depth of each picture
//   fc_host decode PLUGIN FILE OUT.bmp  the decoded picture as a BMP file
//   fc_host list PLUGIN ARCHIVE         the members of an archive
//   fc_host extract PLUGIN ARCHIVE DIR  every member into DIR
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

#pragma pack(push, 1)
struct HostPictureInfo {
  int32_t Left, Top, Width, Height;
  uint16_t XDensity, YDensity;
  int16_t ColorDepth;
#if UINTPTR_MAX > 0xFFFFFFFFu
  uint8_t Padding[2];
#endif
  HLOCAL InfoHandle;
};
#pragma pack(pop)

struct PictureFilter {
  HMODULE Module;
  int32_t(__stdcall* GetPluginInfo)(int32_t, char*, int32_t);
  int32_t(__stdcall* IsSupported)(const char*, uintptr_t);
  int32_t(__stdcall* GetPictureInfo)(const char*, uintptr_t, uint32_t, HostPictureInfo*);
  int32_t(__stdcall* GetPicture)(const char*, uintptr_t, uint32_t, HLOCAL*, HLOCAL*,
                                 int32_t(__stdcall*)(int32_t, int32_t, intptr_t), intptr_t);
};

template <typename Function>
bool Resolve(HMODULE module, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return *function != nullptr;
}

bool LoadFilter(const char* path, PictureFilter* filter) {
  filter->Module = LoadLibraryA(path);
  if (filter->Module == nullptr) {
    std::fprintf(stderr, "%s: cannot load (error %lu)\n", path, GetLastError());
    return false;
  }
  if (Resolve(filter->Module, "GetPluginInfo", &filter->GetPluginInfo) &&
      Resolve(filter->Module, "IsSupported", &filter->IsSupported) &&
      Resolve(filter->Module, "GetPictureInfo", &filter->GetPictureInfo) &&
      Resolve(filter->Module, "GetPicture", &filter->GetPicture)) {
    return true;
  }
  std::fprintf(stderr, "%s: not a picture plug-in\n", path);
  return false;
}

// The kind IsSupported gives for the file's first 2 KB, as hosts pass them.
int32_t ProbeFile(const PictureFilter& filter, const char* path) {
  char head[2048] = {};
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  DWORD read = 0;
  ReadFile(file, head, sizeof head, &read, nullptr);
  CloseHandle(file);
  return filter.IsSupported(path, reinterpret_cast<uintptr_t>(head));
}

int Describe(const PictureFilter& filter, int count, char** paths) {
  char text[256];
  filter.GetPluginInfo(0, text, sizeof text);
  std::printf("plug-in API %s", text);
  filter.GetPluginInfo(3, text, sizeof text);
  std::printf(", \"%s\"", text);
  filter.GetPluginInfo(2, text, sizeof text);
  std::printf(" %s\n", text);
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    const char* name = std::strrchr(paths[i], '\\') ? std::strrchr(paths[i], '\\') + 1 : paths[i];
    const int32_t kind = ProbeFile(filter, paths[i]);
    HostPictureInfo info{};
    const int32_t result = filter.GetPictureInfo(paths[i], 0, 0, &info);
    if (result != 0) {
      std::printf("%-24s IsSupported %d, GetPictureInfo failed: result %d\n", name, kind, result);
      ++failures;
      continue;
    }
    std::printf("%-24s IsSupported %d, %d x %d pixels, %d bits, at (%d, %d)\n", name, kind, info.Width,
                info.Height, info.ColorDepth, info.Left, info.Top);
  }
  return failures == 0 ? 0 : 1;
}

bool WriteBmp(const char* path, HLOCAL infoHandle, HLOCAL pixelHandle) {
  const SIZE_T infoSize = LocalSize(infoHandle);
  const SIZE_T pixelSize = LocalSize(pixelHandle);
  const void* info = LocalLock(infoHandle);
  const void* pixels = LocalLock(pixelHandle);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = static_cast<DWORD>(sizeof file + infoSize);
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixelSize);
  FILE* out = std::fopen(path, "wb");
  bool written = out != nullptr && std::fwrite(&file, sizeof file, 1, out) == 1 &&
                 std::fwrite(info, 1, infoSize, out) == infoSize && std::fwrite(pixels, 1, pixelSize, out) == pixelSize;
  if (out != nullptr) written = std::fclose(out) == 0 && written;
  LocalUnlock(infoHandle);
  LocalUnlock(pixelHandle);
  return written;
}

int Decode(const PictureFilter& filter, const char* path, const char* outPath) {
  HLOCAL info = nullptr;
  HLOCAL pixels = nullptr;
  const int32_t result = filter.GetPicture(path, 0, 0, &info, &pixels, nullptr, 0);
  if (result != 0) {
    std::fprintf(stderr, "%s: GetPicture failed: result %d\n", path, result);
    return 1;
  }
  const bool written = WriteBmp(outPath, info, pixels);
  LocalFree(info);
  LocalFree(pixels);
  if (!written) std::fprintf(stderr, "%s: cannot write\n", outPath);
  return written ? 0 : 1;
}

#pragma pack(push, 1)
struct HostFileInfo {
  uint8_t Method[8];
  uintptr_t Position; // pointer-sized fields: 64-bit hosts lay them out so
  uintptr_t CompressedSize;
  uintptr_t FileSize;
  uintptr_t Timestamp;
  char Path[200];
  char FileName[200];
  uint32_t Crc;
#if UINTPTR_MAX > 0xFFFFFFFFu
  uint8_t Padding[4];
#endif
};
#pragma pack(pop)

struct ArchiveExtractor {
  HMODULE Module;
  int32_t(__stdcall* GetPluginInfo)(int32_t, char*, int32_t);
  int32_t(__stdcall* IsSupported)(const char*, uintptr_t);
  int32_t(__stdcall* GetArchiveInfo)(const char*, uintptr_t, uint32_t, HLOCAL*);
  int32_t(__stdcall* GetFile)(const char*, uintptr_t, const char*, uint32_t,
                              int32_t(__stdcall*)(int32_t, int32_t, intptr_t), intptr_t);
};

bool LoadExtractor(const char* path, ArchiveExtractor* extractor) {
  extractor->Module = LoadLibraryA(path);
  if (extractor->Module == nullptr) {
    std::fprintf(stderr, "%s: cannot load (error %lu)\n", path, GetLastError());
    return false;
  }
  if (Resolve(extractor->Module, "GetPluginInfo", &extractor->GetPluginInfo) &&
      Resolve(extractor->Module, "IsSupported", &extractor->IsSupported) &&
      Resolve(extractor->Module, "GetArchiveInfo", &extractor->GetArchiveInfo) &&
      Resolve(extractor->Module, "GetFile", &extractor->GetFile)) {
    return true;
  }
  std::fprintf(stderr, "%s: not an archive plug-in\n", path);
  return false;
}

// The member records up to the all-zero one; the host frees the block.
int ForEachMember(const ArchiveExtractor& extractor, const char* archive,
                  bool (*visit)(const HostFileInfo&, const char* archive, const char* extra,
                                const ArchiveExtractor&),
                  const char* extra) {
  HLOCAL records = nullptr;
  const int32_t result = extractor.GetArchiveInfo(archive, 0, 0, &records);
  if (result != 0 || records == nullptr) {
    std::fprintf(stderr, "%s: GetArchiveInfo failed: result %d\n", archive, result);
    if (records != nullptr) LocalFree(records);
    return 1;
  }
  const HostFileInfo* record = static_cast<const HostFileInfo*>(LocalLock(records));
  const HostFileInfo zero{};
  int failures = 0;
  for (; std::memcmp(record, &zero, sizeof zero) != 0; ++record) {
    if (!visit(*record, archive, extra, extractor)) ++failures;
  }
  LocalUnlock(records);
  LocalFree(records);
  return failures == 0 ? 0 : 1;
}

bool PrintMember(const HostFileInfo& record, const char*, const char*, const ArchiveExtractor&) {
  char method[9] = {};
  std::memcpy(method, record.Method, 8);
  std::printf("  %-8s %8llu %8llu  at %-8llu %.200s%.200s\n", method,
              static_cast<unsigned long long>(record.CompressedSize), static_cast<unsigned long long>(record.FileSize),
              static_cast<unsigned long long>(record.Position), record.Path, record.FileName);
  return true;
}

bool ExtractOne(const HostFileInfo& record, const char* archive, const char* directory,
                const ArchiveExtractor& extractor) {
  const int32_t result = extractor.GetFile(archive, record.Position, directory, 0, nullptr, 0);
  std::printf("  %.200s%.200s: %s (result %d)\n", record.Path, record.FileName, result == 0 ? "extracted" : "FAILED",
              result);
  return result == 0;
}

int ListOrExtract(const char* command, const char* plugin, const char* archive, const char* directory) {
  ArchiveExtractor extractor{};
  if (!LoadExtractor(plugin, &extractor)) return 1;
  char text[256];
  extractor.GetPluginInfo(3, text, sizeof text);
  std::printf("%s (\"%s\"): %s\n", archive, text, command);
  if (std::strcmp(command, "list") == 0) {
    std::printf("  %-8s %8s %8s  %-11s %s\n", "method", "stored", "size", "position", "name");
    return ForEachMember(extractor, archive, PrintMember, nullptr);
  }
  return ForEachMember(extractor, archive, ExtractOne, directory);
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: fc_host describe PLUGIN FILE... | decode PLUGIN FILE OUT.bmp |\n"
                         "       list PLUGIN ARCHIVE | extract PLUGIN ARCHIVE DIRECTORY\n");
    return 2;
  }
  if (std::strcmp(argv[1], "list") == 0 && argc == 4) return ListOrExtract(argv[1], argv[2], argv[3], nullptr);
  if (std::strcmp(argv[1], "extract") == 0 && argc == 5) return ListOrExtract(argv[1], argv[2], argv[3], argv[4]);
  PictureFilter filter{};
  if (!LoadFilter(argv[2], &filter)) return 1;
  if (std::strcmp(argv[1], "describe") == 0) return Describe(filter, argc - 3, argv + 3);
  if (std::strcmp(argv[1], "decode") == 0 && argc == 5) return Decode(filter, argv[3], argv[4]);
  std::fprintf(stderr, "fc_host: unknown command %s\n", argv[1]);
  return 2;
}
