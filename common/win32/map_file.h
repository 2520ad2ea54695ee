// Maps an input file read-only, or creates an output file of a given size
// mapped for writing. Shared by all three plug-ins, for file names in the
// ANSI code page (char) and in UTF-16 (wchar_t).
#pragma once
#include <windows.h>

#include <cstdint>

// size 0: maps the whole existing file for reading (shared with other readers).
// size N > 0: creates or replaces the file, N bytes long, mapped for writing.
// Sets *file to INVALID_HANDLE_VALUE and *mapping to null first; on failure
// closes whatever it opened and returns null.
template <typename Char>
uint8_t* MapFile(const Char* fileName, uint32_t size, HANDLE* file, HANDLE* mapping);

extern template uint8_t* MapFile<char>(const char*, uint32_t, HANDLE*, HANDLE*);
extern template uint8_t* MapFile<wchar_t>(const wchar_t*, uint32_t, HANDLE*, HANDLE*);

// Releases in order: the view, the mapping, the file. Each may be absent.
void UnmapFile(const void* view, HANDLE mapping, HANDLE file);
