// Soak: every export family of the three plug-ins called CALLS times (default
// 10,000) under Wine, from files and from memory, with inputs that succeed
// and inputs that fail, the narrow and the wide entry point taking turns. For
// each family it prints the process's handle count, private bytes and heap
// bytes in use before and after: they must stay flat. Not a timed test:
//   wine build/win32/bin/soak.exe [CALLS]
// Exits non-zero when a family grew or a call answered other than expected.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "container/picture_kind.h"
#include "tests/dll/archive_host.h"
#include "tests/dll/plugin_library.h"
#include "tests/dll/process_usage.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"
#include "writers/vfs_writer.h"

namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// One call of a family: the result it answered and the one it should have.
struct Call {
  const char* What;
  int32_t Expected; // what the call must answer
  bool Fails;       // the input is one the call refuses
  std::function<int32_t(bool wide)> Run;
};

int failures = 0;

// Runs the calls in turn, `calls` times in all (each narrow and wide in
// turn), after a first round to settle caches; prints the usage before and after.
void Soak(const char* plugin, const char* family, const std::vector<Call>& round, int calls) {
  for (const Call& call : round) {
    call.Run(false);
    call.Run(true);
  }
  const DWORD handles = HandleCount();
  const SIZE_T privateBytes = PrivateBytes(), heap = HeapBytesInUse();
  int wrong = 0, succeeded = 0;
  for (int i = 0; i < calls; ++i) {
    const Call& call = round[static_cast<size_t>(i) % round.size()];
    const int32_t result = call.Run((i / round.size()) % 2 == 1);
    if (result != call.Expected && wrong++ == 0) {
      std::printf("  %s %s: %s answered %d, not %d\n", plugin, family, call.What, result, call.Expected);
    }
    succeeded += !call.Fails;
  }
  const DWORD handlesAfter = HandleCount();
  const SIZE_T privateAfter = PrivateBytes(), heapAfter = HeapBytesInUse();
  // A block or handle kept per call would show as thousands of them.
  const bool grew = handlesAfter > handles || heapAfter > heap + 16 * 1024 || privateAfter > privateBytes + 1024 * 1024;
  std::printf("%-6s %-15s %6d calls (%5d ok, %5d failing) handles %4lu -> %4lu  private KB %7lu -> %7lu  heap KB "
              "%6lu -> %6lu  %s\n",
              plugin, family, calls, succeeded, calls - succeeded, static_cast<unsigned long>(handles),
              static_cast<unsigned long>(handlesAfter), static_cast<unsigned long>(privateBytes / 1024),
              static_cast<unsigned long>(privateAfter / 1024), static_cast<unsigned long>(heap / 1024),
              static_cast<unsigned long>(heapAfter / 1024), grew ? "GREW" : wrong ? "WRONG RESULTS" : "flat");
  std::fflush(stdout);
  if (grew || wrong) ++failures;
}

BitmapFrame Frame(uint16_t width, uint16_t height, bool compressed) {
  BitmapFrame frame;
  frame.Width = width;
  frame.Height = height;
  Bytes pixels(size_t{width} * height);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i / 3 + i / 97);
  frame.Packing = compressed ? 1 : 0;
  frame.PixelData = compressed ? EncodeIpfCodes(pixels) : pixels;
  return frame;
}

template <typename Routine>
Routine Find(HMODULE module, const char* name) {
  return reinterpret_cast<Routine>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

int32_t __stdcall CancelAtOnce(int32_t, int32_t, intptr_t) { return 1; }

typedef int32_t(__stdcall* InfoW)(int32_t, wchar_t*, int32_t);
typedef int32_t(__stdcall* SupportedW)(const wchar_t*, uintptr_t);

void SoakPalvo(int calls) {
  StoreIpqFormat(1);
  PalvoApi api;
  if (!LoadPalvo(&api)) {
    std::printf("cannot load Palvo\n");
    ++failures;
    return;
  }
  typedef int32_t(__stdcall * PictureInfoW)(const wchar_t*, uintptr_t, uint32_t, void*);
  typedef int32_t(__stdcall * PictureW)(const wchar_t*, uintptr_t, uint32_t, HLOCAL*, HLOCAL*, HostProgress, intptr_t);
  const auto infoW = Find<InfoW>(api.Module, "GetPluginInfoW");
  const auto supportedW = Find<SupportedW>(api.Module, "IsSupportedW");
  const auto pictureInfoW = Find<PictureInfoW>(api.Module, "GetPictureInfoW");
  const auto pictureW = Find<PictureW>(api.Module, "GetPictureW");
  const auto previewW = Find<PictureW>(api.Module, "GetPreviewW");

  McgFile mcg;
  mcg.Width = 64;
  mcg.Height = 40;
  mcg.UnpackedSize = 64 * 40;
  mcg.Colours.assign(256, 0x00808080u);
  mcg.Packed = EncodeMcgLzss(Bytes(64 * 40, 7));
  const Bytes ipf = MakeIpf(GreyPalette(), Frame(160, 120, true));
  const Bytes ipq = MakeIpq(GreyPalette(), {Frame(20, 10, false), Frame(30, 5, true)});
  const Bytes mcgBytes = MakeMcg(mcg);
  const Bytes cut(ipf.begin(), ipf.end() - 5);
  const std::string ipfPath = WriteScratchFile("soak.ipf", ipf), ipqPath = WriteScratchFile("soak.ipq", ipq);
  const std::string mcgPath = WriteScratchFile("soak.mcg", mcgBytes), cutPath = WriteScratchFile("soak-cut.ipf", cut);
  const std::string missing = ScratchDirectory() + "no-such-picture.ipf";
  const auto memory = [](const Bytes& bytes) { return reinterpret_cast<const char*>(bytes.data()); };

  Soak("Palvo", "GetPluginInfo", {{"index 0", 4, false, [&](bool w) {
                                    char text[64];
                                    wchar_t wide[64];
                                    return w ? infoW(0, wide, 64) : api.GetPluginInfo(0, text, 64);
                                  }},
                                 {"index 9", 0, true, [&](bool w) {
                                    char text[64];
                                    wchar_t wide[64];
                                    return w ? infoW(9, wide, 64) : api.GetPluginInfo(9, text, 64);
                                  }}},
       calls);
  Soak("Palvo", "IsSupported", {{"an IPF image", IpfPicture, false, [&](bool w) {
                                  const uintptr_t at = reinterpret_cast<uintptr_t>(ipf.data());
                                  return w ? supportedW(L"a.ipf", at) : api.IsSupported("a.ipf", at);
                                }},
                               {"a file handle", McgPicture, false, [&](bool w) {
                                  HANDLE file = CreateFileA(mcgPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                            OPEN_EXISTING, 0, nullptr);
                                  const uintptr_t at = reinterpret_cast<uintptr_t>(file);
                                  const int32_t result = w ? supportedW(L"a.mcg", at) : api.IsSupported("a.mcg", at);
                                  CloseHandle(file);
                                  return result;
                                }},
                               {"zeros", 0, true, [&](bool w) {
                                  static const uint8_t zeros[4096] = {};
                                  const uintptr_t at = reinterpret_cast<uintptr_t>(zeros);
                                  return w ? supportedW(L"z.ipf", at) : api.IsSupported("z.ipf", at);
                                }}},
       calls);
  uint8_t record[32];
  const auto describe = [&](const std::string& path, const char* image, uintptr_t len, uint32_t flag, bool w) {
    if (image != nullptr) return w ? pictureInfoW(reinterpret_cast<const wchar_t*>(image), len, flag, record)
                                   : api.GetPictureInfo(image, len, flag, record);
    return w ? pictureInfoW(Wide(path).c_str(), len, flag, record) : api.GetPictureInfo(path.c_str(), len, flag, record);
  };
  Soak("Palvo", "GetPictureInfo",
       {{"IPF file", 0, false, [&](bool w) { return describe(ipfPath, nullptr, 0, 0, w); }},
        {"IPQ file", 0, false, [&](bool w) { return describe(ipqPath, nullptr, 0, 0, w); }},
        {"MCG memory", 0, false, [&](bool w) { return describe("", memory(mcgBytes), mcgBytes.size(), 1, w); }},
        {"missing file", ResultOpenFailed, true, [&](bool w) { return describe(missing, nullptr, 0, 0, w); }},
        {"offset past the end", ResultBrokenData, true, [&](bool w) { return describe(ipfPath, nullptr, 100000, 0, w); }}},
       calls);
  const auto picture = [&](const std::string& path, const char* image, uintptr_t len, uint32_t flag,
                           HostProgress progress, bool w, bool preview) {
    HLOCAL info = nullptr, pixels = nullptr;
    int32_t result;
    if (preview) {
      result = w ? previewW(Wide(path).c_str(), len, flag, &info, &pixels, progress, 0)
                 : api.GetPreview(path.c_str(), len, flag, &info, &pixels, progress, 0);
    } else if (image != nullptr) {
      result = w ? pictureW(reinterpret_cast<const wchar_t*>(image), len, flag, &info, &pixels, progress, 0)
                 : api.GetPicture(image, len, flag, &info, &pixels, progress, 0);
    } else {
      result = w ? pictureW(Wide(path).c_str(), len, flag, &info, &pixels, progress, 0)
                 : api.GetPicture(path.c_str(), len, flag, &info, &pixels, progress, 0);
    }
    if (result == ResultSuccess) {
      LocalFree(info);
      LocalFree(pixels);
    }
    return result;
  };
  Soak("Palvo", "GetPicture",
       {{"IPF file", 0, false, [&](bool w) { return picture(ipfPath, nullptr, 0, 0, nullptr, w, false); }},
        {"IPQ file", 0, false, [&](bool w) { return picture(ipqPath, nullptr, 0, 0, nullptr, w, false); }},
        {"MCG file", 0, false, [&](bool w) { return picture(mcgPath, nullptr, 0, 0, nullptr, w, false); }},
        {"IPF memory", 0, false, [&](bool w) { return picture("", memory(ipf), ipf.size(), 1, nullptr, w, false); }},
        {"MCG memory", 0, false, [&](bool w) { return picture("", memory(mcgBytes), mcgBytes.size(), 1, nullptr, w, false); }},
        {"cut IPF file", ResultBrokenData, true, [&](bool w) { return picture(cutPath, nullptr, 0, 0, nullptr, w, false); }},
        {"cut IPF memory", ResultBrokenData, true, [&](bool w) { return picture("", memory(cut), cut.size(), 1, nullptr, w, false); }},
        {"cancelled", ResultCancelled, true, [&](bool w) { return picture(ipfPath, nullptr, 0, 0, CancelAtOnce, w, false); }},
        {"missing file", ResultOpenFailed, true, [&](bool w) { return picture(missing, nullptr, 0, 0, nullptr, w, false); }}},
       calls);
  Soak("Palvo", "GetPreview",
       {{"IPF file", ResultNotImplemented, true, [&](bool w) { return picture(ipfPath, nullptr, 0, 0, nullptr, w, true); }}},
       calls);
  UnloadPalvo(&api);
  RemoveIpqFormat();
}

typedef int32_t(__stdcall* ArchiveInfoW)(const wchar_t*, uintptr_t, uint32_t, HLOCAL*);
typedef int32_t(__stdcall* FileW)(const wchar_t*, uintptr_t, const wchar_t*, uint32_t, HostProgress, intptr_t);
typedef int32_t(__stdcall* FileInfoW)(const wchar_t*, uintptr_t, const wchar_t*, uint32_t, void*);

// What an archive's soak varies: its file, its image in memory, a member's
// name and position (file input) and where a member lies in memory.
struct ArchiveCase {
  std::string Path;
  Bytes Image;
  int32_t Supported; // what IsSupported answers for it
  const char* Member;
  uintptr_t Position;
  uintptr_t MemoryPosition;
  uintptr_t BrokenPosition;
};

void SoakArchive(const char* name, const char* fileName, const ArchiveCase& c, int calls) {
  ArchiveApi api;
  if (!LoadArchivePlugin(fileName, &api)) {
    std::printf("cannot load %s\n", fileName);
    ++failures;
    return;
  }
  const auto infoW = Find<InfoW>(api.Module, "GetPluginInfoW");
  const auto supportedW = Find<SupportedW>(api.Module, "IsSupportedW");
  const auto archiveInfoW = Find<ArchiveInfoW>(api.Module, "GetArchiveInfoW");
  const auto fileInfoW = Find<FileInfoW>(api.Module, "GetFileInfoW");
  const auto fileW = Find<FileW>(api.Module, "GetFileW");
  const std::string missing = ScratchDirectory() + "no-such-archive";
  const std::string dest = FreshDirectory(std::string("soak-") + name);
  const char* image = reinterpret_cast<const char*>(c.Image.data());

  Soak(name, "GetPluginInfo", {{"index 0", 4, false, [&](bool w) {
                                 char text[64];
                                 wchar_t wide[64];
                                 return w ? infoW(0, wide, 64) : api.GetPluginInfo(0, text, 64);
                               }}},
       calls);
  Soak(name, "IsSupported", {{"its image", c.Supported, false, [&](bool w) {
                               const uintptr_t at = reinterpret_cast<uintptr_t>(image);
                               return w ? supportedW(L"x", at) : api.IsSupported("x", at);
                             }},
                            {"zeros", 0, true, [&](bool w) {
                               static const uint8_t zeros[4096] = {};
                               const uintptr_t at = reinterpret_cast<uintptr_t>(zeros);
                               return w ? supportedW(L"z", at) : api.IsSupported("z", at);
                             }}},
       calls);
  const auto list = [&](const char* source, const std::string& path, uint32_t flag, bool w) {
    HLOCAL handle = nullptr;
    const int32_t result = source != nullptr ? (w ? archiveInfoW(reinterpret_cast<const wchar_t*>(source), 0, flag,
                                                                 &handle)
                                                  : api.GetArchiveInfo(source, 0, flag, &handle))
                                             : (w ? archiveInfoW(Wide(path).c_str(), 0, flag, &handle)
                                                  : api.GetArchiveInfo(path.c_str(), 0, flag, &handle));
    if (handle != nullptr) LocalFree(handle);
    return result;
  };
  Soak(name, "GetArchiveInfo",
       {{"file", 0, false, [&](bool w) { return list(nullptr, c.Path, 0, w); }},
        {"memory", 0, false, [&](bool w) { return list(image, "", 1, w); }},
        {"missing file", ResultOpenFailed, true, [&](bool w) { return list(nullptr, missing, 0, w); }}},
       calls);
  const auto find = [&](const std::string& path, const char* member, bool w) {
    uint8_t record[1024];
    return w ? fileInfoW(Wide(path).c_str(), 0, Wide(member).c_str(), 0, record)
             : api.GetFileInfo(path.c_str(), 0, member, 0, reinterpret_cast<HostFileInfo*>(record));
  };
  Soak(name, "GetFileInfo",
       {{"a member", 0, false, [&](bool w) { return find(c.Path, c.Member, w); }},
        {"no such member", ResultNotOurFormat, true, [&](bool w) { return find(c.Path, "NONE.DAT", w); }},
        {"missing file", ResultOpenFailed, true, [&](bool w) { return find(missing, c.Member, w); }}},
       calls);
  const auto extract = [&](const char* source, const std::string& path, uintptr_t position, uint32_t flag,
                           HostProgress progress, bool w) {
    HLOCAL block = nullptr;
    const bool toMemory = (flag & 0x100) != 0;
    const std::wstring wideDest = Wide(dest), widePath = Wide(path);
    const wchar_t* wideTarget = toMemory ? reinterpret_cast<const wchar_t*>(&block) : wideDest.c_str();
    const char* target = toMemory ? reinterpret_cast<const char*>(&block) : dest.c_str();
    int32_t result;
    if (source != nullptr) {
      result = w ? fileW(reinterpret_cast<const wchar_t*>(source), position, wideTarget, flag, progress, 0)
                 : api.GetFile(source, position, target, flag, progress, 0);
    } else {
      result = w ? fileW(widePath.c_str(), position, wideTarget, flag, progress, 0)
                 : api.GetFile(path.c_str(), position, target, flag, progress, 0);
    }
    if (block != nullptr) LocalFree(block);
    return result;
  };
  Soak(name, "GetFile",
       {{"file to memory", 0, false, [&](bool w) { return extract(nullptr, c.Path, c.Position, 0x100, nullptr, w); }},
        {"file to file", 0, false, [&](bool w) { return extract(nullptr, c.Path, c.Position, 0, nullptr, w); }},
        {"memory to memory", 0, false, [&](bool w) { return extract(image + c.MemoryPosition, "", 0, 0x101, nullptr, w); }},
        {"broken member", ResultBrokenData, true, [&](bool w) { return extract(nullptr, c.Path, c.BrokenPosition, 0x100, nullptr, w); }},
        {"cancelled", ResultCancelled, true, [&](bool w) { return extract(nullptr, c.Path, c.Position, 0, CancelAtOnce, w); }},
        {"missing file", ResultOpenFailed, true, [&](bool w) { return extract(nullptr, missing, 16, 0, nullptr, w); }}},
       calls);
  RemoveTree(dest);
  UnloadArchivePlugin(&api);
}

} // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::atoi(argv[1]) : 10000;
  std::printf("%d-bit plug-ins, %d calls per family\n", static_cast<int>(8 * sizeof(void*)), calls);
  SoakPalvo(calls);

  VfsLayout layout = LayOutVfs({{"ONE.DAT", Bytes(40, 1)}, {"TWO.DAT", Bytes(3000, 2)}, {"BAD.DAT", Bytes(8, 3)}});
  layout.Entries[2].DataSize = 100000; // reaches past the end
  ArchiveCase vfs{"", WriteVfs(layout), 1, "TWO.DAT", 0, VfsEntryPosition(1), VfsEntryPosition(2)};
  vfs.Path = WriteScratchFile("soak.vfs", vfs.Image);
  vfs.Position = VfsEntryPosition(1);
  SoakArchive("Dosek", "Dosek" PLUGIN_EXTENSION, vfs, calls);

  RemoveIpqFormat(); // mode 0: IPQ files are Merun's
  const Bytes ipq = MakeIpq(GreyPalette(), {Frame(20, 10, false), Frame(300, 20, true)});
  ArchiveCase frames{WriteScratchFile("soak-frames.ipq", ipq), ipq, IpqPicture, "#00002.IPF", 1, 1, 2};
  SoakArchive("Merun", "Merun" PLUGIN_EXTENSION, frames, calls);

  std::printf("%s\n", failures == 0 ? "every family flat" : "some family grew or answered wrongly");
  return failures == 0 ? 0 : 1;
}
