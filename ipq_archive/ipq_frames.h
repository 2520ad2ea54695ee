// An IPQ multi-picture file seen as an archive: one member per frame, each
// extracted as a stand-alone IPF file. All routines read only inside the
// InputRange they are given.
#pragma once
#include <cstddef>
#include <cstdint>

#include "archive/archive_format.h"
#include "archive/catalogue.h"
#include "common/progress.h"
#include "container/frames.h"

// The picture filter's display mode, when a picture filter is bound: IPQ
// files are archives only while it answers 0. Absent (null): always archives.
typedef int32_t(FC_STDCALL* GetIpqFormatRoutine)();
extern GetIpqFormatRoutine BoundGetIpqFormat;

constexpr size_t IpqHeadSize = 56;
constexpr size_t FrameMemberNameSize = 11; // "#nnnnn.IPF" and a NUL

// 2 when `p` starts an IPQ file that is to be read as an archive, else 0.
int32_t IpqArchiveGate(const InputRange& input, const uint8_t* p);
int32_t CheckIpqHead(const InputRange& head);

// "#00001.IPF" for frame 0: the last five digits of index + 1.
void FrameMemberName(int32_t index, char name[FrameMemberNameSize]);

// One catalogue record for the frame the walk stands on.
void FillIpqRecord(FileInfo* record, const FrameWalk& walk);

int32_t EnumerateIpqFrames(const InputRange& input, const uint8_t* image, Catalogue* catalogue);

// The nearest "RIFF" at or before `member`, or null when the walk back leaves the input first.
const uint8_t* FindRiffStart(const InputRange& input, const uint8_t* member);

// The member pointer lies `index` bytes past the container start. The cursor is a FrameWalk.
int32_t LocateIpqFrame(const InputRange& input, const uint8_t* member, char* name, int32_t* size, void* cursor);
int32_t WriteIpqFrame(const InputRange& input, const uint8_t* member, uint8_t* output, int32_t size,
                      const Progress& progress, void* cursor);

extern const ArchiveFormat IpqFormat;
