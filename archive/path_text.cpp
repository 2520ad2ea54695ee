#include "archive/path_text.h"

#include <cctype>
#include <cstring>

int32_t FindLastSeparatorIn(const char* text, LeadByteTest isLeadByte) {
  int32_t last = -1;
  for (size_t i = 0; text[i] != '\0'; ++i) {
    const uint8_t byte = static_cast<uint8_t>(text[i]);
    if (isLeadByte(byte)) {
      if (text[i + 1] == '\0') break; // a lone lead byte ends the text
      ++i;
    } else if (byte == ':' || byte == '\\') {
      last = static_cast<int32_t>(i);
    }
  }
  return last;
}

size_t FindLastCharIn(const char* text, LeadByteTest isLeadByte) {
  size_t i = 0;
  bool lastIsSingle = false;
  while (text[i] != '\0') {
    if (isLeadByte(static_cast<uint8_t>(text[i]))) {
      lastIsSingle = false;
      if (text[i + 1] == '\0') {
        ++i;
        break;
      }
      i += 2;
    } else {
      lastIsSingle = true;
      ++i;
    }
  }
  return lastIsSingle ? i - 1 : i;
}

bool AppendFileNameIn(char* buffer, const char* name, size_t bufferSize, LeadByteTest isLeadByte) {
  const size_t directoryLength = std::strlen(buffer);
  const size_t nameLength = std::strlen(name);
  if (bufferSize < 2 || directoryLength + nameLength > bufferSize - 2) return false;
  size_t at = FindLastCharIn(buffer, isLeadByte);
  if (buffer[at] != '\\') {
    if (buffer[at] != '\0') ++at;
    buffer[at] = '\\';
    buffer[at + 1] = '\0';
  }
  std::memcpy(buffer + at + 1, name, nameLength + 1);
  return true;
}

namespace {

bool IsDeviceName(const char* name) {
  static const char* const Devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  size_t stem = 0;
  while (name[stem] != '\0' && name[stem] != '.') ++stem;
  // Trailing spaces do not make a different name to the file system.
  while (stem > 0 && name[stem - 1] == ' ') --stem;
  auto stemIs = [&](const char* device) {
    const size_t length = std::strlen(device);
    if (length != stem) return false;
    for (size_t i = 0; i < length; ++i) {
      if (std::toupper(static_cast<unsigned char>(name[i])) != device[i]) return false;
    }
    return true;
  };
  for (const char* device : Devices) {
    if (stemIs(device)) return true;
  }
  if (stem == 4 && name[3] >= '1' && name[3] <= '9') {
    const char prefix[4] = {static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))),
                            static_cast<char>(std::toupper(static_cast<unsigned char>(name[1]))),
                            static_cast<char>(std::toupper(static_cast<unsigned char>(name[2]))), '\0'};
    return std::strcmp(prefix, "COM") == 0 || std::strcmp(prefix, "LPT") == 0;
  }
  return false;
}

} // namespace

bool IsPlainFileName(const char* name, LeadByteTest isLeadByte) {
  if (name[0] == '\0') return false;
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
  for (size_t i = 0; name[i] != '\0'; ++i) {
    const uint8_t byte = static_cast<uint8_t>(name[i]);
    if (isLeadByte(byte)) {
      if (name[i + 1] == '\0') return false; // half a character
      ++i;
    } else if (byte == ':' || byte == '\\' || byte == '/' || byte < 0x20) {
      return false;
    }
  }
  return !IsDeviceName(name);
}
