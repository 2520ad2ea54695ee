#pragma once
#include <cstdint>

// Serves GetPluginInfo: copies entry `index` of a four-entry table of strings
// into the host's buffer, cut to fit and always zero-terminated. Returns the
// number of characters copied; 0 (buffer untouched) for an index outside 0 to 3
// or a buffer length below 1.
int32_t CopyInfoString(int32_t index, char* buffer, int32_t bufferLength, const char* const table[4]);
