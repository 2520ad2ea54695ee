// A catalogue over plain heap storage, so the catalogue logic and the
// enumerators run without the host's memory handles.
#pragma once
#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/catalogue.h"
#include "common/result_codes.h"

struct HeapCatalogue {
  Catalogue Value{};
  int ResizeCalls = 0;
  int FailResizeAfter = -1; // >= 0: that many resizes succeed, later ones fail

  static int32_t Resize(Catalogue* catalogue, int32_t capacity);
  static int Compare(const char* wanted, const char* candidate, bool ignoreCase) {
    return ignoreCase ? strcasecmp(wanted, candidate) : std::strcmp(wanted, candidate);
  }

  void OpenList(int32_t baseOffset) {
    Release();
    Value = Catalogue{};
    Value.Mode = ListMode;
    Value.BaseOffset = baseOffset;
    Value.Resize = Resize;
    Value.Block = this;
    Value.Records = static_cast<FileInfo*>(std::calloc(1, sizeof(FileInfo)));
  }
  void OpenFind(int32_t baseOffset, FileInfo* record, const char* name, bool ignoreCase) {
    Release();
    Value = Catalogue{};
    Value.Mode = FindMode;
    Value.BaseOffset = baseOffset;
    Value.Current = record;
    Value.TargetName = name;
    Value.IgnoreCase = ignoreCase ? 1 : 0;
    Value.Compare = Compare;
  }
  std::vector<FileInfo> Records() const {
    return std::vector<FileInfo>(Value.Records, Value.Records + Value.Capacity + 1);
  }
  void Release() {
    if (Value.Mode == ListMode) std::free(Value.Records);
    Value = Catalogue{};
  }
  ~HeapCatalogue() { Release(); }
};

inline int32_t HeapCatalogue::Resize(Catalogue* catalogue, int32_t capacity) {
  HeapCatalogue* self = static_cast<HeapCatalogue*>(catalogue->Block);
  if (self->FailResizeAfter >= 0 && self->ResizeCalls >= self->FailResizeAfter) return ResultNoMemory;
  ++self->ResizeCalls;
  const size_t oldCount = static_cast<size_t>(catalogue->Capacity) + 1;
  const size_t newCount = static_cast<size_t>(capacity) + 1;
  FileInfo* grown = static_cast<FileInfo*>(std::calloc(newCount, sizeof(FileInfo)));
  std::memcpy(grown, catalogue->Records, (oldCount < newCount ? oldCount : newCount) * sizeof(FileInfo));
  std::free(catalogue->Records);
  catalogue->Records = grown;
  return ResultSuccess;
}

inline bool IsAllZero(const void* bytes, size_t size) {
  const unsigned char* p = static_cast<const unsigned char*>(bytes);
  for (size_t i = 0; i < size; ++i) {
    if (p[i] != 0) return false;
  }
  return true;
}
