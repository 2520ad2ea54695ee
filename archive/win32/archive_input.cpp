#include "archive/win32/archive_input.h"

#include "common/result_codes.h"
#include "common/win32/map_file.h"
#include "common/win32/readable_memory.h"

namespace {
// Each side of a memory image is counted up to this, so the two together fit a size_t.
constexpr size_t MemoryReach = 0x7FFFFFFF;
} // namespace

template <typename Char>
int32_t OpenArchiveInput(const Char* buf, uintptr_t len, uint32_t flag, ArchiveInput* input) {
  *input = ArchiveInput{nullptr, nullptr, INVALID_HANDLE_VALUE, InputRange{nullptr, 0}, nullptr, 0};
  switch (flag & 7) {
    case FileInputKind: {
      if (buf == nullptr) return ResultOpenFailed;
      input->View = MapFile(buf, 0, &input->File, &input->Mapping);
      if (input->View == nullptr) return ResultOpenFailed;
      const DWORD size = GetFileSize(input->File, nullptr);
      if (size == INVALID_FILE_SIZE) {
        CloseArchiveInput(input);
        return ResultOpenFailed;
      }
      input->Range = InputRange{input->View, size};
      input->Image = input->View + (len < size ? len : size);
      input->BaseOffset = len;
      return ResultSuccess;
    }
    case MemoryInputKind: {
      const uint8_t* image = reinterpret_cast<const uint8_t*>(buf);
      const size_t after = ReadableBytesFrom(image, MemoryReach);
      const size_t before = after == 0 ? 0 : ReadableBytesBefore(image, MemoryReach);
      input->Range = InputRange{image - before, before + after};
      input->Image = image;
      return ResultSuccess;
    }
    default:
      return ResultNotImplemented;
  }
}

template int32_t OpenArchiveInput<char>(const char*, uintptr_t, uint32_t, ArchiveInput*);
template int32_t OpenArchiveInput<wchar_t>(const wchar_t*, uintptr_t, uint32_t, ArchiveInput*);

void CloseArchiveInput(ArchiveInput* input) {
  UnmapFile(input->View, input->Mapping, input->File);
  input->View = nullptr;
  input->Mapping = nullptr;
  input->File = INVALID_HANDLE_VALUE;
}
