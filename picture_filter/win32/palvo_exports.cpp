// The exports of the picture filter, as the host calls them.
#include <windows.h>

#include <cstring>

#include "common/copy_info_string.h"
#include "common/progress.h"
#include "common/result_codes.h"
#include "common/win32/readable_memory.h"
#include "common/win32/wide_info_string.h"
#include "common/win32/writable_memory.h"
#include "container/ipq_display_mode.h"
#include "container/picture_kind.h"
#include "container/read_picture_info.h"
#include "picture_filter/decode_picture.h"
#include "picture_filter/dib_layout.h"
#include "picture_filter/win32/ipq_setting.h"
#include "picture_filter/win32/picture_input.h"
#include "plugin_identity.h"

namespace {

const char* const InfoWithoutIpq[4] = {"00IN", FC_PLUGIN_INFO_LINE, "*.ipf;*.mcg;*.clm",
                                       "F&C Picture Format (*.ipf;*.mcg)"};
const char* const InfoWithIpq[4] = {"00IN", FC_PLUGIN_INFO_LINE, "*.ipf;*.ipq;*.mcg;*.clm",
                                    "F&C Picture Format (*.ipf;*.ipq;*.mcg)"};

constexpr DWORD ProbeLength = 64;
constexpr size_t ProbeBufferSize = 2048;

// The first bytes of the file behind a handle or at an address, zero-filled
// past what could be read; false when nothing could be read.
bool ProbeInput(uintptr_t handleOrAddress, uint8_t* probe) {
  std::memset(probe, 0, ProbeBufferSize);
  if ((handleOrAddress >> 16) != 0) {
    const void* address = reinterpret_cast<const void*>(handleOrAddress);
    if (ReadableBytesFrom(address, ProbeLength) < ProbeLength) return false;
    std::memcpy(probe, address, ProbeLength);
    return true;
  }
  const HANDLE file = reinterpret_cast<HANDLE>(handleOrAddress);
  DWORD read = 0;
  if (!ReadFile(file, probe, ProbeLength, &read, nullptr) || read == 0) return false;
  SetFilePointer(file, -static_cast<LONG>(read), nullptr, FILE_CURRENT);
  return true;
}

void DropHandle(HLOCAL* handle) {
  LocalFree(*handle);
  *handle = nullptr;
}

// Allocates the DIB's two blocks around DecodePicture. On failure both host
// variables end null and nothing stays allocated.
int32_t BuildDib(const PictureImage& picture, HLOCAL* infoOut, HLOCAL* pixelsOut, const Progress& progress) {
  const int32_t mode = CurrentIpqFormat;
  PictureInfo info;
  int32_t result = ReadPictureInfo(picture, mode, &info);
  if (result != ResultSuccess) return result;
  DibLayout layout;
  result = ComputeDibLayout(info, &layout);
  if (result != ResultSuccess) return result;

  *infoOut = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, static_cast<SIZE_T>(layout.InfoSize));
  if (*infoOut == nullptr) return ResultNoMemory;
  uint8_t* header = static_cast<uint8_t*>(LocalLock(*infoOut));
  if (header == nullptr) {
    DropHandle(infoOut);
    *pixelsOut = nullptr;
    return ResultLockFailed;
  }
  WriteBitmapInfoHeader(info, layout, header);

  *pixelsOut = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, static_cast<SIZE_T>(layout.ImageSize));
  uint8_t* pixels = *pixelsOut == nullptr ? nullptr : static_cast<uint8_t*>(LocalLock(*pixelsOut));
  if (pixels == nullptr) {
    result = *pixelsOut == nullptr ? ResultNoMemory : ResultLockFailed;
    if (*pixelsOut != nullptr) DropHandle(pixelsOut);
    LocalUnlock(*infoOut);
    DropHandle(infoOut);
    *pixelsOut = nullptr;
    return result;
  }

  const DibTarget dib{header + BitmapInfoHeaderSize, layout.ColourEntries, pixels, layout.Stride, info.Height};
  result = DecodePicture(picture, mode, dib, progress);
  LocalUnlock(*pixelsOut);
  LocalUnlock(*infoOut);
  if (result != ResultSuccess) {
    DropHandle(pixelsOut);
    DropHandle(infoOut);
  }
  return result;
}

const char* const* CurrentInfoTable() {
  return CurrentIpqFormat == TreatAsArchive ? InfoWithoutIpq : InfoWithIpq;
}

// IsSupported and IsSupportedW: the file name is not used.
int32_t DetectSupportedKind(uintptr_t handleOrAddress) {
  uint8_t probe[ProbeBufferSize];
  if (!ProbeInput(handleOrAddress, probe)) return 0;
  const PictureKind kind = DetectPictureKind(probe);
  if (kind == IpqPicture && CurrentIpqFormat == TreatAsArchive) return 0;
  return kind;
}

// GetPictureInfo and GetPictureInfoW: the file name is in the ANSI code page or in UTF-16.
template <typename Char>
int32_t DescribeInput(const Char* buf, uintptr_t len, uint32_t flag, PictureInfo* info) {
  if (info == nullptr) return ResultLockFailed;
  PictureInput input;
  int32_t result = OpenPictureInput(buf, len, flag, &input);
  if (result == ResultSuccess) result = ReadPictureInfo(input.Picture, CurrentIpqFormat, info);
  ClosePictureInput(&input);
  return result;
}

// GetPicture and GetPictureW.
template <typename Char>
int32_t DecodeInput(const Char* buf, uintptr_t len, uint32_t flag, HLOCAL* infoHandleOut, HLOCAL* pixelHandleOut,
                    ProgressCallback progress, intptr_t userData) {
  // Null from the start: after any failure, a cancel included, the host
  // holds nothing to free in whichever variable it could be given.
  const bool infoWritable = IsWritableMemory(infoHandleOut, sizeof *infoHandleOut);
  const bool pixelsWritable = IsWritableMemory(pixelHandleOut, sizeof *pixelHandleOut);
  if (infoWritable) *infoHandleOut = nullptr;
  if (pixelsWritable) *pixelHandleOut = nullptr;
  const Progress reporter{progress, userData};
  if (ReportProgress(reporter, 0, 1)) return ResultCancelled;
  if (!infoWritable || !pixelsWritable) return ResultLockFailed;
  PictureInput input;
  int32_t result = OpenPictureInput(buf, len, flag, &input);
  if (result == ResultSuccess) result = BuildDib(input.Picture, infoHandleOut, pixelHandleOut, reporter);
  ClosePictureInput(&input);
  if (result == ResultSuccess) ReportProgress(reporter, 1, 1);
  return result;
}

} // namespace

extern "C" {

int32_t __stdcall GetPluginInfo(int32_t index, char* buf, int32_t bufferLength) {
  return CopyInfoString(index, buf, bufferLength, CurrentInfoTable());
}

int32_t __stdcall IsSupported(const char* /*filename*/, uintptr_t handleOrAddress) {
  return DetectSupportedKind(handleOrAddress);
}

int32_t __stdcall GetPictureInfo(const char* buf, uintptr_t len, uint32_t flag, PictureInfo* info) {
  return DescribeInput(buf, len, flag, info);
}

int32_t __stdcall GetPicture(const char* buf, uintptr_t len, uint32_t flag, HLOCAL* infoHandleOut,
                             HLOCAL* pixelHandleOut, ProgressCallback progress, intptr_t userData) {
  return DecodeInput(buf, len, flag, infoHandleOut, pixelHandleOut, progress, userData);
}

int32_t __stdcall GetPreview(const char*, uintptr_t, uint32_t, HLOCAL*, HLOCAL*, ProgressCallback, intptr_t) {
  return ResultNotImplemented;
}

// The Unicode entry points: file names in UTF-16, the same behaviour and results.

// bufferLength counts wchar_t units.
int32_t __stdcall GetPluginInfoW(int32_t index, wchar_t* buf, int32_t bufferLength) {
  return CopyInfoStringWide(index, buf, bufferLength, CurrentInfoTable());
}

int32_t __stdcall IsSupportedW(const wchar_t* /*filename*/, uintptr_t handleOrAddress) {
  return DetectSupportedKind(handleOrAddress);
}

int32_t __stdcall GetPictureInfoW(const wchar_t* buf, uintptr_t len, uint32_t flag, PictureInfo* info) {
  return DescribeInput(buf, len, flag, info);
}

int32_t __stdcall GetPictureW(const wchar_t* buf, uintptr_t len, uint32_t flag, HLOCAL* infoHandleOut,
                              HLOCAL* pixelHandleOut, ProgressCallback progress, intptr_t userData) {
  return DecodeInput(buf, len, flag, infoHandleOut, pixelHandleOut, progress, userData);
}

int32_t __stdcall GetPreviewW(const wchar_t*, uintptr_t, uint32_t, HLOCAL*, HLOCAL*, ProgressCallback, intptr_t) {
  return ResultNotImplemented;
}

} // extern "C"
