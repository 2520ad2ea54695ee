#include "archive/catalogue.h"

#include <cstring>

#include "common/result_codes.h"

int32_t ReserveEntries(Catalogue* catalogue, int32_t count) {
  if (catalogue->Mode == FindMode) return ResultSuccess;
  if (catalogue->Mode != ListMode) return ResultInternalError;
  if (count < 0 || count > MaxCatalogueRecords) return ResultNoMemory;
  // Never drop committed records: a reservation below Count keeps them all.
  if (count < catalogue->Count) count = catalogue->Count;
  const int32_t result = catalogue->Resize(catalogue, count);
  if (result != ResultSuccess) return result;
  catalogue->Capacity = count;
  return ResultSuccess;
}

int32_t NextEntrySlot(Catalogue* catalogue, FileInfo** slot) {
  if (catalogue->Mode == ListMode) {
    catalogue->Current = catalogue->Records + catalogue->Count;
  } else if (catalogue->Mode != FindMode) {
    return ResultInternalError;
  }
  *slot = catalogue->Current;
  return ResultSuccess;
}

void JoinFullName(const FileInfo& record, char* out) {
  const size_t pathLength = strnlen(record.Path, FileInfoTextSize);
  const size_t nameLength = strnlen(record.FileName, FileInfoTextSize);
  std::memcpy(out, record.Path, pathLength);
  std::memcpy(out + pathLength, record.FileName, nameLength);
  out[pathLength + nameLength] = '\0';
}

int32_t CommitEntry(Catalogue* catalogue) {
  if (catalogue->Mode == ListMode) {
    catalogue->Current->Position += catalogue->BaseOffset;
    if (catalogue->Count >= catalogue->Capacity) {
      if (catalogue->Count >= MaxCatalogueRecords) return ResultNoMemory;
      const int32_t result = ReserveEntries(catalogue, catalogue->Count + 1);
      if (result != ResultSuccess) return result;
    }
    ++catalogue->Count;
    return ResultSuccess;
  }
  if (catalogue->Mode != FindMode) return ResultInternalError;
  char fullName[FullNameBufferSize];
  JoinFullName(*catalogue->Current, fullName);
  if (catalogue->Compare(catalogue->TargetName, fullName, catalogue->IgnoreCase != 0) != 0) return ResultSuccess;
  catalogue->Current->Position += catalogue->BaseOffset;
  return EntryFound;
}

void FinishCatalogue(Catalogue* catalogue, int32_t result) {
  if (catalogue->Mode != ListMode || result != ResultSuccess || catalogue->Records == nullptr) return;
  std::memset(catalogue->Records + catalogue->Count, 0, sizeof(FileInfo));
}
