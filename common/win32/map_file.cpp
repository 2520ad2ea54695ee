#include "map_file.h"

uint8_t* MapFile(const char* fileName, uint32_t size, HANDLE* file, HANDLE* mapping) {
  *file = INVALID_HANDLE_VALUE;
  *mapping = nullptr;
  const bool forWriting = size > 0;
  *file = CreateFileA(fileName, forWriting ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                      forWriting ? 0 : FILE_SHARE_READ, nullptr,
                      forWriting ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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

void UnmapFile(const void* view, HANDLE mapping, HANDLE file) {
  if (view != nullptr) UnmapViewOfFile(view);
  if (mapping != nullptr) CloseHandle(mapping);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}
