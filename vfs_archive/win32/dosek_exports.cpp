// The exports of the VFS extractor: each hands the host's arguments and the
// VFS pieces to the archive framework.
#include <windows.h>

#include "archive/win32/archive_catalogue.h"
#include "archive/win32/extract_member.h"
#include "common/copy_info_string.h"
#include "common/win32/wide_info_string.h"
#include "plugin_identity.h"
#include "vfs_archive/vfs_format.h"

namespace {
const char* const DosekInfo[4] = {"00AM", FC_PLUGIN_INFO_LINE, "*.VFS", "F&C Archive (*.vfs)"};
// The host passes a 16-bit flag; only its bits 0 to 10 mean anything.
uint32_t FlagBits(uint32_t flag) { return flag & 0xFFFF; }
} // namespace

extern "C" {

int32_t __stdcall GetPluginInfo(int32_t index, char* buf, int32_t bufferLength) {
  return CopyInfoString(index, buf, bufferLength, DosekInfo);
}

int32_t __stdcall IsSupported(const char* filename, uintptr_t handleOrAddress) {
  return ProbeArchiveHead(filename, handleOrAddress, VfsFormat.CheckHead, VfsFormat.HeadSize);
}

int32_t __stdcall GetArchiveInfo(const char* buf, uintptr_t len, uint32_t flag, HLOCAL* handleOut) {
  return ListArchive(buf, len, FlagBits(flag), handleOut, VfsFormat.Enumerate);
}

int32_t __stdcall GetFileInfo(const char* buf, uintptr_t len, const char* filename, uint32_t flag, FileInfo* info) {
  return FindArchiveEntry(buf, len, filename, FlagBits(flag), info, VfsFormat.Enumerate);
}

int32_t __stdcall GetFile(const char* src, uintptr_t len, char* dest, uint32_t flag, ProgressCallback progress,
                          intptr_t userData) {
  VfsMemberCursor cursor{nullptr};
  return ExtractMember(src, len, dest, FlagBits(flag), progress, userData,
                       MemberRoutines{VfsFormat.Locate, VfsFormat.Write}, &cursor);
}

// The Unicode entry points: file names, destination directories and member
// names in UTF-16, the member records in their UTF-16 form; the same
// behaviour and results.

// bufferLength counts wchar_t units.
int32_t __stdcall GetPluginInfoW(int32_t index, wchar_t* buf, int32_t bufferLength) {
  return CopyInfoStringWide(index, buf, bufferLength, DosekInfo);
}

int32_t __stdcall IsSupportedW(const wchar_t* /*filename*/, uintptr_t handleOrAddress) {
  return ProbeArchiveHead(nullptr, handleOrAddress, VfsFormat.CheckHead, VfsFormat.HeadSize);
}

int32_t __stdcall GetArchiveInfoW(const wchar_t* buf, uintptr_t len, uint32_t flag, HLOCAL* handleOut) {
  return ListArchive(buf, len, FlagBits(flag), handleOut, VfsFormat.Enumerate);
}

int32_t __stdcall GetFileInfoW(const wchar_t* buf, uintptr_t len, const wchar_t* filename, uint32_t flag,
                               FileInfoW* info) {
  return FindArchiveEntry(buf, len, filename, FlagBits(flag), info, VfsFormat.Enumerate);
}

int32_t __stdcall GetFileW(const wchar_t* src, uintptr_t len, wchar_t* dest, uint32_t flag, ProgressCallback progress,
                           intptr_t userData) {
  VfsMemberCursor cursor{nullptr};
  return ExtractMember<wchar_t>(src, len, dest, FlagBits(flag), progress, userData,
                                MemberRoutines{VfsFormat.Locate, VfsFormat.Write}, &cursor);
}

} // extern "C"
