// The framework's side of IsSupported, GetArchiveInfo and GetFileInfo.
#pragma once
#include <windows.h>

#include <cstdint>

#include "archive/archive_format.h"
#include "archive/catalogue.h"

// Opens a list-mode catalogue: one zeroed record in a moveable block, locked.
int32_t OpenCatalogue(Catalogue* catalogue, HostWord baseOffset);

// Writes the terminator on success and unlocks the block (then the host's);
// frees it on failure.
void CloseCatalogue(Catalogue* catalogue, int32_t result);

// IsSupported: the format's head check on the first bytes behind a file
// handle (the position is moved back by what was read) or at an address.
int32_t ProbeArchiveHead(const char* filename, uintptr_t handleOrAddress, CheckArchiveHeadRoutine check,
                         size_t count);

// GetArchiveInfo.
int32_t ListArchive(const char* buf, uintptr_t len, uint32_t flag, HLOCAL* handleOut,
                    EnumerateEntriesRoutine enumerate);

// GetFileInfo.
int32_t FindArchiveEntry(const char* buf, uintptr_t len, const char* filename, uint32_t flag, FileInfo* info,
                         EnumerateEntriesRoutine enumerate);
