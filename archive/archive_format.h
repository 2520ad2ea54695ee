// What an archive format plugs into the framework: plain routines that work
// on the bounded bytes of the input, plus a scratch cursor of the format's
// own layout that the framework passes from the locator to the writer.
#pragma once
#include <cstddef>
#include <cstdint>

#include "archive/catalogue.h"
#include "common/input_range.h"
#include "common/progress.h"

// The locator writes the output file name here, NUL-terminated.
constexpr size_t MemberNameBufferSize = 200;

// Non-zero (what IsSupported answers) when the head bytes are of the format.
// `head` holds the probed bytes: head.Size is the probe length, at least.
typedef int32_t (*CheckArchiveHeadRoutine)(const InputRange& head);

// Walks the archive's directory at `image` (inside `input`) and fills the
// catalogue through ReserveEntries / NextEntrySlot / CommitEntry. 0 when all
// entries are done, 2 not this format, 3 damaged, or a catalogue code.
typedef int32_t (*EnumerateEntriesRoutine)(const InputRange& input, const uint8_t* image, Catalogue* catalogue);

// Finds the member that `member` points at: writes its output name into
// `name` (MemberNameBufferSize bytes), its size and whatever the writer will
// need into `cursor`. 0, 2 (nothing there) or 3 (damaged).
typedef int32_t (*LocateMemberRoutine)(const InputRange& input, const uint8_t* member, char* name, int32_t* size,
                                      void* cursor);

// Fills the first `size` bytes of `output`. 0, 1 (the host cancelled) or 3.
typedef int32_t (*WriteMemberRoutine)(const InputRange& input, const uint8_t* member, uint8_t* output, int32_t size,
                                     const Progress& progress, void* cursor);

struct ArchiveFormat {
  CheckArchiveHeadRoutine CheckHead;
  size_t HeadSize; // bytes the head check needs, at most 2048
  EnumerateEntriesRoutine Enumerate;
  LocateMemberRoutine Locate;
  WriteMemberRoutine Write;
};

constexpr size_t MaxHeadSize = 2048;
