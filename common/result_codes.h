// The result codes every export of the three plug-ins returns.
#pragma once
#include <cstdint>

constexpr int32_t ResultSuccess = 0;
constexpr int32_t ResultCancelled = 1;       // the host's progress callback asked to stop
constexpr int32_t ResultNotOurFormat = 2;    // or: no such member, nothing where the pointer says
constexpr int32_t ResultBrokenData = 3;
constexpr int32_t ResultNoMemory = 4;
constexpr int32_t ResultLockFailed = 5;      // or: a host output pointer is not writable
constexpr int32_t ResultOpenFailed = 6;      // the input file could not be opened or mapped
constexpr int32_t ResultInternalError = 8;
constexpr int32_t ResultWriteFailed = 9;     // an extracted member could not be written to disk
constexpr int32_t DataEnded = 10;            // packed pixel data ended before the picture was complete
constexpr int32_t ResultNotImplemented = -1; // or: an input kind, output kind or depth we do not support
