// The framework's side of GetFile: a member to a file in a directory, or to
// a memory block the host then owns.
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
struct MemberDelivery {
  const char* Destination; // directory (file output) or the host's HLOCAL variable (memory output)
  uint32_t Flag;
  Progress Reporter;
  WriteMemberRoutine Write;
};

int32_t ExtractMember(const char* src, uintptr_t len, const char* dest, uint32_t flag, ProgressCallback progress,
                      intptr_t userData, MemberRoutines routines, void* cursor);

int32_t DeliverMember(const MemberDelivery& delivery, const InputRange& input, const uint8_t* member,
                      const char* name, int32_t size, void* cursor);
