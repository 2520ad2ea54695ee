// The text the plug-ins exchange with a host beside the file contents: the
// plug-in information strings cut to the host's buffer, and the paths an
// archive member is extracted to (a member name from the archive, checked
// and appended to the host's directory), in code page 932 and as wide text.
// The input is a control byte, then a directory and a name separated by a
// zero byte. Each routine is held to its contract recomputed here character
// by character; the wide routines must answer as the ANSI ones do for text
// without lead bytes.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "archive/path_text.h"
#include "common/copy_info_string.h"
#include "fuzz/fuzz_check.h"

namespace {

bool IsCp932Lead(uint8_t byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }
bool NeverLead(uint8_t) { return false; }

// The text's characters: each its first byte's index and its length (1 or
// 2); a lead byte with no trail byte ends the text as a character of its own.
struct Character {
  size_t At;
  size_t Length;
};

std::vector<Character> Characters(const std::string& text, LeadByteTest isLead) {
  std::vector<Character> characters;
  for (size_t i = 0; i < text.size();) {
    const bool lead = isLead(static_cast<uint8_t>(text[i]));
    const size_t length = lead && i + 1 < text.size() ? 2 : 1;
    characters.push_back(Character{i, length});
    i += length;
  }
  return characters;
}

bool IsSingle(const std::string& text, const Character& c, LeadByteTest isLead) {
  return c.Length == 1 && !isLead(static_cast<uint8_t>(text[c.At]));
}

bool IsDevice(const std::string& name) {
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (stem == device) return true;
  }
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
         stem[3] <= '9';
}

bool ExpectPlain(const std::string& name, LeadByteTest isLead) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const Character& c : Characters(name, isLead)) {
    if (!IsSingle(name, c, isLead)) {
      if (c.Length == 1) return false; // half a character
      continue;
    }
    const uint8_t value = static_cast<uint8_t>(name[c.At]);
    if (value == ':' || value == '\\' || value == '/' || value < 0x20) return false;
  }
  return !IsDevice(name);
}

int32_t ExpectLastSeparator(const std::string& text, LeadByteTest isLead) {
  int32_t last = -1;
  for (const Character& c : Characters(text, isLead)) {
    if (IsSingle(text, c, isLead) && (text[c.At] == ':' || text[c.At] == '\\')) last = static_cast<int32_t>(c.At);
  }
  return last;
}

size_t ExpectLastChar(const std::string& text, LeadByteTest isLead) {
  const std::vector<Character> characters = Characters(text, isLead);
  if (characters.empty() || !IsSingle(text, characters.back(), isLead)) return text.size();
  return characters.back().At;
}

std::wstring Widened(const std::string& text) {
  std::wstring wide;
  for (char c : text) wide.push_back(static_cast<wchar_t>(static_cast<uint8_t>(c)));
  return wide;
}

void CheckAppend(const std::string& directory, const std::string& name, size_t spare, LeadByteTest isLead) {
  const size_t bufferSize = directory.size() + 1 + spare;
  const bool fits = bufferSize >= 2 && directory.size() + name.size() <= bufferSize - 2;
  const std::vector<Character> characters = Characters(directory, isLead);
  const bool endsInSeparator = !characters.empty() && IsSingle(directory, characters.back(), isLead) &&
                               directory[characters.back().At] == '\\';
  const std::string expected = directory + (endsInSeparator ? "" : "\\") + name;
  // Blocks of exactly the host's size: a byte written past them is a report.
  std::unique_ptr<char[]> buffer(new char[bufferSize]);
  std::memcpy(buffer.get(), directory.c_str(), directory.size() + 1);
  FUZZ_CHECK(AppendFileNameIn(buffer.get(), name.c_str(), bufferSize, isLead) == fits);
  FUZZ_CHECK((fits ? expected : directory) == buffer.get());

  if (isLead != NeverLead) return;
  std::unique_ptr<wchar_t[]> wide(new wchar_t[bufferSize]);
  const std::wstring wideDirectory = Widened(directory);
  std::memcpy(wide.get(), wideDirectory.c_str(), (wideDirectory.size() + 1) * sizeof(wchar_t));
  FUZZ_CHECK(AppendFileNameIn(wide.get(), Widened(name).c_str(), bufferSize) == fits);
  FUZZ_CHECK((fits ? Widened(expected) : wideDirectory) == wide.get());
}

void CheckText(const std::string& directory, const std::string& name, uint8_t control, LeadByteTest isLead) {
  FUZZ_CHECK(IsPlainFileName(name.c_str(), isLead) == ExpectPlain(name, isLead));
  FUZZ_CHECK(FindLastSeparatorIn(directory.c_str(), isLead) == ExpectLastSeparator(directory, isLead));
  FUZZ_CHECK(FindLastCharIn(directory.c_str(), isLead) == ExpectLastChar(directory, isLead));
  CheckAppend(directory, name, control % (name.size() + 4), isLead);
  if (isLead != NeverLead) return;
  FUZZ_CHECK(IsPlainFileName(Widened(name).c_str()) == ExpectPlain(name, NeverLead));
  FUZZ_CHECK(FindLastSeparatorIn(Widened(directory).c_str()) == ExpectLastSeparator(directory, NeverLead));
  FUZZ_CHECK(FindLastCharIn(Widened(directory).c_str()) == ExpectLastChar(directory, NeverLead));
}

// GetPluginInfo: the entry cut to the buffer, always terminated, nothing
// written past the terminator; nothing at all for a bad index or length.
void CheckInfoString(const std::string& a, const std::string& b, uint8_t control) {
  const char* const table[4] = {a.c_str(), b.c_str(), "", "IPF"};
  const int32_t index = control % 6 - 1;
  const int32_t length = (control >> 3) % 24 - 1;
  char buffer[32];
  std::memset(buffer, 0x7E, sizeof buffer);
  const int32_t copied = CopyInfoString(index, buffer, length, table);
  if (index < 0 || index > 3 || length <= 0) {
    FUZZ_CHECK(copied == 0);
    for (char c : buffer) FUZZ_CHECK(c == 0x7E);
    return;
  }
  const std::string entry = table[index];
  const size_t expected = entry.size() < static_cast<size_t>(length) ? entry.size() : static_cast<size_t>(length) - 1;
  FUZZ_CHECK(copied == static_cast<int32_t>(expected) && entry.compare(0, expected, buffer, expected) == 0);
  FUZZ_CHECK(buffer[expected] == '\0');
  for (size_t i = expected + 1; i < sizeof buffer; ++i) FUZZ_CHECK(buffer[i] == 0x7E);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t control = data[0];
  const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t split = rest.find('\0');
  const std::string directory = rest.substr(0, split);
  std::string name = split == std::string::npos ? std::string() : rest.substr(split + 1);
  name = name.substr(0, name.find('\0'));
  CheckText(directory, name, control, IsCp932Lead);
  CheckText(directory, name, control, NeverLead);
  CheckInfoString(directory, name, control);
  return 0;
}
