// The exports of the IPQ archive extractor: each hands the host's arguments
// and the IPQ pieces to the archive framework.
#include <windows.h>

#include "archive/win32/archive_catalogue.h"
#include "archive/win32/extract_member.h"
#include "common/copy_info_string.h"
#include "container/frames.h"
#include "ipq_archive/ipq_frames.h"

namespace {
const char* const MerunInfo[4] = {"00AM", "", "*.ipq", "F&C Multi-picture Format (*.ipq)"};
} // namespace

extern "C" {

int32_t __stdcall GetPluginInfo(int32_t index, char* buf, int32_t bufferLength) {
  return CopyInfoString(index, buf, bufferLength, MerunInfo);
}

int32_t __stdcall IsSupported(const char* filename, uintptr_t handleOrAddress) {
  return ProbeArchiveHead(filename, handleOrAddress, IpqFormat.CheckHead, IpqFormat.HeadSize);
}

int32_t __stdcall GetArchiveInfo(const char* buf, uintptr_t len, uint32_t flag, HLOCAL* handleOut) {
  return ListArchive(buf, len, flag, handleOut, IpqFormat.Enumerate);
}

int32_t __stdcall GetFileInfo(const char* buf, uintptr_t len, const char* filename, uint32_t flag, FileInfo* info) {
  return FindArchiveEntry(buf, len, filename, flag, info, IpqFormat.Enumerate);
}

int32_t __stdcall GetFile(const char* src, uintptr_t len, char* dest, uint32_t flag, ProgressCallback progress,
                          intptr_t userData) {
  FrameWalk cursor{};
  return ExtractMember(src, len, dest, flag, progress, userData, MemberRoutines{IpqFormat.Locate, IpqFormat.Write},
                       &cursor);
}

} // extern "C"
