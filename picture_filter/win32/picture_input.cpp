#include "picture_filter/win32/picture_input.h"

#include "common/result_codes.h"
#include "common/win32/map_file.h"

namespace {

template <typename Char>
int32_t OpenFileInput(const Char* fileName, uintptr_t offset, PictureInput* input) {
  uint8_t* view = MapFile(fileName, 0, &input->File, &input->Mapping);
  if (view == nullptr) return ResultOpenFailed;
  input->View = view;
  const DWORD size = GetFileSize(input->File, nullptr);
  if (size == INVALID_FILE_SIZE) return ResultOpenFailed;
  return PictureAtOffset(InputRange{view, size}, offset, &input->Picture) ? ResultSuccess : ResultBrokenData;
}

int32_t OpenMemoryInput(const void* buf, uintptr_t len, PictureInput* input) {
  if (buf == nullptr || len == 0) return ResultBrokenData;
  const uint8_t* image = reinterpret_cast<const uint8_t*>(buf);
  input->Picture = PictureImage{InputRange{image, len}, image};
  return ResultSuccess;
}

} // namespace

template <typename Char>
int32_t OpenPictureInput(const Char* buf, uintptr_t len, uint32_t flag, PictureInput* input) {
  *input = PictureInput{};
  input->File = INVALID_HANDLE_VALUE;
  switch (flag & 7) {
    case FileInput: return OpenFileInput(buf, len, input);
    case MemoryInput: return OpenMemoryInput(buf, len, input);
    default: return ResultNotImplemented;
  }
}

template int32_t OpenPictureInput<char>(const char*, uintptr_t, uint32_t, PictureInput*);
template int32_t OpenPictureInput<wchar_t>(const wchar_t*, uintptr_t, uint32_t, PictureInput*);

void ClosePictureInput(PictureInput* input) {
  UnmapFile(input->View, input->Mapping, input->File);
  input->View = nullptr;
  input->Mapping = nullptr;
  input->File = INVALID_HANDLE_VALUE;
}
