// The little the tool needs from the operating system, behind one interface
// for both builds: paths from text, files opened by path, exclusive creation,
// the two renames, read-only mappings, console text, and the conversion of
// single characters between code page 932 and Unicode. Text inside the tool
// is UTF-8 everywhere; only this layer meets the system's own encodings.
#pragma once
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fcview {

namespace fs = std::filesystem;

// The command line as UTF-8 text: argv as it is natively; on Windows the wide
// command line, so that arguments outside the ANSI code page arrive intact.
std::vector<std::string> ArgumentsAsUtf8(int argc, char** argv);

// A path from UTF-8 text (a command-line argument, a decoded member name).
fs::path PathFromArgument(const std::string& text);

// The path as UTF-8 text, for messages and names.
std::string PathText(const fs::path& path);

// One character of code page 932 (one or two bytes) as UTF-8; false when the
// bytes are not a character of the code page.
bool Cp932CharToUtf8(const uint8_t* bytes, size_t count, std::string* utf8);

// One Unicode character (given as its UTF-8 bytes) in code page 932; false
// when the code page has no such character. Best-fit substitutes are refused.
bool Utf8CharToCp932(const std::string& utf8, std::string* bytes);

// Writes UTF-8 text to stdout or stderr: through the console's wide output
// when the stream is a Windows console, else as the bytes they are.
void WriteText(std::FILE* stream, const std::string& utf8);

std::FILE* OpenForReading(const fs::path& path);

// Creates `path` for writing only when nothing of that name exists; null otherwise.
std::FILE* CreateExclusive(const fs::path& path);

// Gives `from` the name `to` when nothing of that name exists (never replacing
// anything, even a file created at the same moment by another program).
bool RenameNoReplace(const fs::path& from, const fs::path& to);

// Gives `from` the name `to`, replacing a file of that name in one step.
bool RenameReplace(const fs::path& from, const fs::path& to);

// A file mapped read-only; an empty file has no mapping and Size 0.
struct MappedFile {
  const uint8_t* Data = nullptr;
  size_t Size = 0;
};

// False with the reason when the file cannot be opened or mapped.
bool MapWholeFile(const fs::path& path, MappedFile* file, std::string* reason);
void UnmapWholeFile(MappedFile* file);

bool StderrIsTerminal();
unsigned long ProcessId();

} // namespace fcview
