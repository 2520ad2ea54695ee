// The growable catalogue of member records that enumerators fill, in list
// mode (every entry, for GetArchiveInfo) or find mode (one name, for
// GetFileInfo). The record storage and the name comparison belong to the
// platform and are plugged in as routines.
#pragma once
#include <cstdint>

#include "archive/file_info.h"

constexpr int32_t ListMode = 1;
constexpr int32_t FindMode = 2;

// CommitEntry's answer in find mode when the committed entry is the one looked for.
constexpr int32_t EntryFound = 1;

struct Catalogue;

// Makes room for capacity + 1 records, the new ones zero, and points Records
// and Block at the (possibly moved) storage. On failure returns 4 or 5 and
// the old records stay as they were.
typedef int32_t (*ResizeRecordsRoutine)(Catalogue* catalogue, int32_t capacity);

// 0 when the names are equal under the platform's comparison.
typedef int (*CompareNamesRoutine)(const char* wanted, const char* candidate, bool ignoreCase);

struct Catalogue {
  int32_t Mode;
  HostWord BaseOffset; // added to Position of committed (list) or matching (find) records
  FileInfo* Current;  // the slot being filled

  // List mode.
  int32_t Capacity;   // records the block holds besides one spare
  int32_t Count;      // committed records
  void* Block;        // the storage's handle
  FileInfo* Records;  // the storage's address while it is usable
  ResizeRecordsRoutine Resize;

  // Find mode.
  const char* TargetName;
  uint8_t IgnoreCase;
  CompareNamesRoutine Compare;
};

// The most records a catalogue can hold: (n + 1) records must fit a signed 32-bit size.
constexpr int32_t MaxCatalogueRecords = static_cast<int32_t>(INT32_MAX / sizeof(FileInfo)) - 1;

// Enumerators' side.
int32_t ReserveEntries(Catalogue* catalogue, int32_t count);
int32_t NextEntrySlot(Catalogue* catalogue, FileInfo** slot);
int32_t CommitEntry(Catalogue* catalogue);

// Ends a list: on success record Count becomes the all-zero terminator (and
// a slot filled but never committed is wiped). The platform then releases or
// hands over the storage.
void FinishCatalogue(Catalogue* catalogue, int32_t result);

// The member's full name as find mode compares it: Path then FileName, each
// taken only up to its field's end. `out` holds at least FullNameBufferSize bytes.
constexpr size_t FullNameBufferSize = 2 * FileInfoTextSize + 1;
void JoinFullName(const FileInfo& record, char* out);
