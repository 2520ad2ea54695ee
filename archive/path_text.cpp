#include "archive/path_text.h"

#include <type_traits>

// Every routine is written once over the code unit. ANSI text asks the
// platform's lead-byte test; wide text has no lead units, each unit is a
// character of its own (a surrogate is never a separator).

namespace {

template <typename Unit>
uint32_t UnitValue(Unit unit) {
  return static_cast<uint32_t>(static_cast<typename std::make_unsigned<Unit>::type>(unit));
}

struct AnsiLead {
  LeadByteTest Test;
  bool operator()(char unit) const { return Test(static_cast<uint8_t>(unit)); }
};

struct NoLeadUnits {
  bool operator()(wchar_t) const { return false; }
};

template <typename Unit>
size_t TextLength(const Unit* text) {
  size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

template <typename Unit, typename IsLead>
int32_t FindLastSeparatorOf(const Unit* text, IsLead isLead) {
  int32_t last = -1;
  for (size_t i = 0; text[i] != 0; ++i) {
    const uint32_t value = UnitValue(text[i]);
    if (isLead(text[i])) {
      if (text[i + 1] == 0) break; // a lone lead byte ends the text
      ++i;
    } else if (value == ':' || value == '\\') {
      last = static_cast<int32_t>(i);
    }
  }
  return last;
}

template <typename Unit, typename IsLead>
size_t FindLastCharOf(const Unit* text, IsLead isLead) {
  size_t i = 0;
  bool lastIsSingle = false;
  while (text[i] != 0) {
    if (isLead(text[i])) {
      lastIsSingle = false;
      if (text[i + 1] == 0) {
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

template <typename Unit, typename IsLead>
bool AppendFileNameOf(Unit* buffer, const Unit* name, size_t bufferSize, IsLead isLead) {
  const size_t directoryLength = TextLength(buffer);
  const size_t nameLength = TextLength(name);
  if (bufferSize < 2 || directoryLength + nameLength > bufferSize - 2) return false;
  size_t at = FindLastCharOf(buffer, isLead);
  if (buffer[at] != '\\') {
    if (buffer[at] != 0) ++at;
    buffer[at] = '\\';
    buffer[at + 1] = 0;
  }
  for (size_t i = 0; i <= nameLength; ++i) buffer[at + 1 + i] = name[i];
  return true;
}

// Upper case of the ASCII letters only: the device names are ASCII, and no
// other character may ever match one of theirs.
uint32_t AsciiUpper(uint32_t value) { return value >= 'a' && value <= 'z' ? value - ('a' - 'A') : value; }

template <typename Unit>
bool IsDeviceName(const Unit* name) {
  static const char* const Devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  size_t stem = 0;
  while (name[stem] != 0 && name[stem] != '.') ++stem;
  // Trailing spaces do not make a different name to the file system.
  while (stem > 0 && name[stem - 1] == ' ') --stem;
  auto stemIs = [&](const char* device) {
    size_t length = 0;
    while (device[length] != '\0') ++length;
    if (length != stem) return false;
    for (size_t i = 0; i < length; ++i) {
      if (AsciiUpper(UnitValue(name[i])) != static_cast<uint32_t>(device[i])) return false;
    }
    return true;
  };
  for (const char* device : Devices) {
    if (stemIs(device)) return true;
  }
  if (stem == 4 && name[3] >= '1' && name[3] <= '9') {
    const uint32_t a = AsciiUpper(UnitValue(name[0]));
    const uint32_t b = AsciiUpper(UnitValue(name[1]));
    const uint32_t c = AsciiUpper(UnitValue(name[2]));
    return (a == 'C' && b == 'O' && c == 'M') || (a == 'L' && b == 'P' && c == 'T');
  }
  return false;
}

template <typename Unit, typename IsLead>
bool IsPlainFileNameOf(const Unit* name, IsLead isLead) {
  if (name[0] == 0) return false;
  if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) return false;
  for (size_t i = 0; name[i] != 0; ++i) {
    const uint32_t value = UnitValue(name[i]);
    if (isLead(name[i])) {
      if (name[i + 1] == 0) return false; // half a character
      ++i;
    } else if (value == ':' || value == '\\' || value == '/' || value < 0x20) {
      return false;
    }
  }
  return !IsDeviceName(name);
}

} // namespace

int32_t FindLastSeparatorIn(const char* text, LeadByteTest isLeadByte) {
  return FindLastSeparatorOf(text, AnsiLead{isLeadByte});
}

size_t FindLastCharIn(const char* text, LeadByteTest isLeadByte) { return FindLastCharOf(text, AnsiLead{isLeadByte}); }

bool AppendFileNameIn(char* buffer, const char* name, size_t bufferSize, LeadByteTest isLeadByte) {
  return AppendFileNameOf(buffer, name, bufferSize, AnsiLead{isLeadByte});
}

bool IsPlainFileName(const char* name, LeadByteTest isLeadByte) { return IsPlainFileNameOf(name, AnsiLead{isLeadByte}); }

int32_t FindLastSeparatorIn(const wchar_t* text) { return FindLastSeparatorOf(text, NoLeadUnits{}); }

size_t FindLastCharIn(const wchar_t* text) { return FindLastCharOf(text, NoLeadUnits{}); }

bool AppendFileNameIn(wchar_t* buffer, const wchar_t* name, size_t bufferSize) {
  return AppendFileNameOf(buffer, name, bufferSize, NoLeadUnits{});
}

bool IsPlainFileName(const wchar_t* name) { return IsPlainFileNameOf(name, NoLeadUnits{}); }
