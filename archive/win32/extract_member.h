// The framework's side of GetFile and GetFileW: a member to a file in a
// directory, or to a memory block the host then owns. The file names and
// the directory are in the ANSI code page (char) or in UTF-16 (wchar_t).
#pragma once
#include <windows.h>

#include <cstdint>

#include "archive/archive_format.h"

constexpr uint32_t FileOutputKind = 0;
constexpr uint32_t MemoryOutputKind = 1;

struct MemberRoutines {
  LocateMemberRoutine Locate;
  WriteMemberRoutine Write;
};

// What DeliverMember needs of ExtractMember's arguments.
template <typename Char>
struct MemberDelivery {
  const Char* Destination; // directory (file output) or the host's HLOCAL variable (memory output)
  uint32_t Flag;
  Progress Reporter;
  WriteMemberRoutine Write;
};

template <typename Char>
int32_t ExtractMember(const Char* src, uintptr_t len, const Char* dest, uint32_t flag, ProgressCallback progress,
                      intptr_t userData, MemberRoutines routines, void* cursor);

// `name` is the member's name as the locator wrote it: bytes of the archive.
// For UTF-16 output they are converted from code page 932; a name that is
// no text of that code page is refused like one that could leave the directory.
template <typename Char>
int32_t DeliverMember(const MemberDelivery<Char>& delivery, const InputRange& input, const uint8_t* member,
                      const char* name, int32_t size, void* cursor);
