// The little the tool needs from the operating system, behind one interface
// for both builds: paths from command-line text and from archive member
// names, files opened by path, exclusive creation, and the two renames.
#pragma once
#include <cstdio>
#include <filesystem>
#include <string>

namespace fcview {

namespace fs = std::filesystem;

// A path from command-line text (the ANSI code page on Windows, bytes natively).
fs::path PathFromArgument(const std::string& text);

// A path component from an archive member name in code page 932. On Windows
// the name is converted to UTF-16; natively the bytes are used as they are.
// False when the name cannot be converted.
bool PathFromMemberName(const std::string& name, fs::path* path);

std::FILE* OpenForReading(const fs::path& path);

// Creates `path` for writing only when nothing of that name exists; null otherwise.
std::FILE* CreateExclusive(const fs::path& path);

// Gives `from` the name `to` when nothing of that name exists (never replacing
// anything, even a file created at the same moment by another program).
bool RenameNoReplace(const fs::path& from, const fs::path& to);

// Gives `from` the name `to`, replacing a file of that name in one step.
bool RenameReplace(const fs::path& from, const fs::path& to);

bool StderrIsTerminal();
unsigned long ProcessId();

} // namespace fcview
