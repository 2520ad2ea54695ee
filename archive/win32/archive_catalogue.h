// The framework's side of IsSupported, GetArchiveInfo and GetFileInfo.
#pragma once
#include <windows.h>

#include <cstdint>

#include "archive/archive_format.h"
#include "archive/catalogue.h"
#include "archive/win32/wide_file_info.h"

// Opens a list-mode catalogue: one zeroed record in a moveable block, locked.
int32_t OpenCatalogue(Catalogue* catalogue, HostWord baseOffset);

// Writes the terminator on success and unlocks the block (then the host's);
// frees it on failure.
void CloseCatalogue(Catalogue* catalogue, int32_t result);

// IsSupported: the format's head check on the first bytes behind a file
// handle (the position is moved back by what was read) or at an address.
int32_t ProbeArchiveHead(const char* filename, uintptr_t handleOrAddress, CheckArchiveHeadRoutine check,
                         size_t count);

// GetArchiveInfo, and GetArchiveInfoW: the same listing, handed out as
// UTF-16 records (member names converted from code page 932).
int32_t ListArchive(const char* buf, uintptr_t len, uint32_t flag, HLOCAL* handleOut,
                    EnumerateEntriesRoutine enumerate);
int32_t ListArchive(const wchar_t* buf, uintptr_t len, uint32_t flag, HLOCAL* handleOut,
                    EnumerateEntriesRoutine enumerate);

// GetFileInfo, and GetFileInfoW: the same search, the UTF-16 name compared
// with each member's converted full name, the match handed out as a UTF-16 record.
int32_t FindArchiveEntry(const char* buf, uintptr_t len, const char* filename, uint32_t flag, FileInfo* info,
                         EnumerateEntriesRoutine enumerate);
int32_t FindArchiveEntry(const wchar_t* buf, uintptr_t len, const wchar_t* filename, uint32_t flag, FileInfoW* info,
                         EnumerateEntriesRoutine enumerate);
