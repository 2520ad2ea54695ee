#include "copy_info_string.h"

#include <cstring>

int32_t CopyInfoString(int32_t index, char* buffer, int32_t bufferLength, const char* const table[4]) {
  if (index < 0 || index > 3 || bufferLength <= 0 || buffer == nullptr) return 0;
  const size_t length = std::strlen(table[index]);
  const size_t copied = static_cast<size_t>(bufferLength) > length ? length : static_cast<size_t>(bufferLength) - 1;
  std::memcpy(buffer, table[index], copied);
  buffer[copied] = '\0';
  return static_cast<int32_t>(copied);
}
