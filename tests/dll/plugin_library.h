// Loads a plug-in the way a Susie host does: LoadLibraryA, then GetProcAddress
// by export name; plus the scratch files and registry values the tests need.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/support/file_bytes.h"
#include "writers/picture_writer.h"

// The 32-bit plug-ins are .spi files, the 64-bit ones .sph.
#if UINTPTR_MAX > 0xFFFFFFFFu
#define PLUGIN_EXTENSION ".sph"
#else
#define PLUGIN_EXTENSION ".spi"
#endif

// The host's picture description: 26 bytes packed, 32 in 64 bits (the
// handle at offset 24).
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
static_assert(sizeof(HostPictureInfo) == (sizeof(void*) == 8 ? 32 : 26), "the host's record");

typedef int32_t(__stdcall* HostProgress)(int32_t done, int32_t total, intptr_t userData);

struct PalvoApi {
  HMODULE Module = nullptr;
  int32_t(__stdcall* GetPluginInfo)(int32_t index, char* buf, int32_t length) = nullptr;
  int32_t(__stdcall* IsSupported)(const char* name, uintptr_t handleOrAddress) = nullptr;
  int32_t(__stdcall* GetPictureInfo)(const char* buf, uintptr_t len, uint32_t flag, void* info) = nullptr;
  int32_t(__stdcall* GetPicture)(const char* buf, uintptr_t len, uint32_t flag, HLOCAL* info, HLOCAL* pixels,
                                 HostProgress progress, intptr_t userData) = nullptr;
  int32_t(__stdcall* GetPreview)(const char* buf, uintptr_t len, uint32_t flag, HLOCAL* info, HLOCAL* pixels,
                                 HostProgress progress, intptr_t userData) = nullptr;
  int32_t(__stdcall* GetIpqFormat)() = nullptr;
  int32_t(__stdcall* ConfigurationDlg)(HWND parent, int32_t function) = nullptr;
};

// The directory of the test program, where the build puts the plug-ins too.
std::string ProgramDirectory();

// Loads <directory>/Palvo.spi and resolves every export; false if any is missing.
bool LoadPalvo(PalvoApi* api);
void UnloadPalvo(PalvoApi* api);

// The host-visible setting: sets (or with `remove`, deletes) "IpqFormat".
void StoreIpqFormatValue(DWORD type, const void* data, DWORD size);
void StoreIpqFormat(int32_t mode);
void RemoveIpqFormat();

// A fresh scratch directory for this process, and files in it.
std::string ScratchDirectory();
std::string WriteScratchFile(const std::string& name, const Bytes& bytes);

#if defined(__i386__)
// Calls `function` with `argumentCount` arguments of the value `argument`
// pushed on the stack and returns how many bytes of them are still there
// afterwards: 0 for a function that removes its own arguments, as stdcall
// requires. (64-bit code has one calling convention, in which the caller
// always cleans up.)
int StackBytesLeftByCall(FARPROC function, int argumentCount, uint32_t argument = 0);
#endif
