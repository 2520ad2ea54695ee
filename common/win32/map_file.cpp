#include "map_file.h"

#include "common/win32/path_api.h"

template <typename Char>
uint8_t* MapFile(const Char* fileName, uint32_t size, HANDLE* file, HANDLE* mapping) {
  *file = INVALID_HANDLE_VALUE;
  *mapping = nullptr;
  const bool forWriting = size > 0;
  *file = PathApi<Char>::Open(fileName, forWriting ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                              forWriting ? 0 : FILE_SHARE_READ, forWriting ? CREATE_ALWAYS : OPEN_EXISTING);
  if (*file == INVALID_HANDLE_VALUE) return nullptr;

  *mapping = CreateFileMappingA(*file, nullptr, forWriting ? PAGE_READWRITE : PAGE_READONLY, 0,
                                size, nullptr);
  if (*mapping != nullptr) {
    void* view = MapViewOfFile(*mapping, forWriting ? FILE_MAP_WRITE : FILE_MAP_READ, 0, 0, size);
    if (view != nullptr) return static_cast<uint8_t*>(view);
    CloseHandle(*mapping);
    *mapping = nullptr;
  }
  CloseHandle(*file);
  *file = INVALID_HANDLE_VALUE;
  return nullptr;
}

template uint8_t* MapFile<char>(const char*, uint32_t, HANDLE*, HANDLE*);
template uint8_t* MapFile<wchar_t>(const wchar_t*, uint32_t, HANDLE*, HANDLE*);

void UnmapFile(const void* view, HANDLE mapping, HANDLE file) {
  if (view != nullptr) UnmapViewOfFile(view);
  if (mapping != nullptr) CloseHandle(mapping);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}
