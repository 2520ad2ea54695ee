// Serves GetPluginInfoW in all three plug-ins: the same entry of the same
// table as GetPluginInfo, cut by the same rule, copied as UTF-16.
#pragma once
#include <cstdint>

#include "common/copy_info_string.h"

// `bufferLength` counts wchar_t units, not bytes. Returns the number of
// units copied (the terminating NUL not counted); 0 with the buffer
// untouched for an index outside 0 to 3 or a buffer length below 1. The
// table's strings are ASCII, so each byte becomes one unit of the same value.
inline int32_t CopyInfoStringWide(int32_t index, wchar_t* buffer, int32_t bufferLength,
                                  const char* const table[4]) {
  if (index < 0 || index > 3 || bufferLength <= 0 || buffer == nullptr) return 0;
  // The narrow copy decides where the text is cut; a length beyond this
  // bound holds every entry whole, as a longer one would.
  constexpr int32_t Bound = 256;
  char narrow[Bound];
  const int32_t copied = CopyInfoString(index, narrow, bufferLength < Bound ? bufferLength : Bound, table);
  for (int32_t i = 0; i <= copied; ++i) buffer[i] = static_cast<wchar_t>(static_cast<unsigned char>(narrow[i]));
  return copied;
}
