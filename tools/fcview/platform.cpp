#include "tools/fcview/platform.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace fcview {

#if defined(_WIN32)

namespace {

bool Widen(unsigned codePage, DWORD flags, const std::string& text, std::wstring* wide) {
  if (text.empty()) {
    wide->clear();
    return true;
  }
  const int length = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return false;
  wide->assign(static_cast<size_t>(length), L'\0');
  return MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), &(*wide)[0], length) ==
         length;
}

} // namespace

fs::path PathFromArgument(const std::string& text) {
  std::wstring wide;
  if (!Widen(CP_ACP, 0, text, &wide)) wide.assign(text.begin(), text.end());
  return fs::path(wide);
}

bool PathFromMemberName(const std::string& name, fs::path* path) {
  std::wstring wide;
  if (!Widen(932, MB_ERR_INVALID_CHARS, name, &wide)) return false;
  *path = fs::path(wide);
  return true;
}

std::FILE* OpenForReading(const fs::path& path) { return _wfopen(path.c_str(), L"rb"); }

std::FILE* CreateExclusive(const fs::path& path) {
  const int fd = _wopen(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (fd < 0) return nullptr;
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) _close(fd);
  return file;
}

bool RenameNoReplace(const fs::path& from, const fs::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), 0) != 0;
}

bool RenameReplace(const fs::path& from, const fs::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }
unsigned long ProcessId() { return static_cast<unsigned long>(_getpid()); }

#else

fs::path PathFromArgument(const std::string& text) { return fs::path(text); }

bool PathFromMemberName(const std::string& name, fs::path* path) {
  *path = fs::path(name);
  return true;
}

std::FILE* OpenForReading(const fs::path& path) { return std::fopen(path.c_str(), "rb"); }

std::FILE* CreateExclusive(const fs::path& path) {
  const int fd = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) close(fd);
  return file;
}

bool RenameNoReplace(const fs::path& from, const fs::path& to) {
#if defined(RENAME_NOREPLACE)
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  // A second name that fails when the target exists, then the first name goes.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
}

bool RenameReplace(const fs::path& from, const fs::path& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool StderrIsTerminal() { return isatty(fileno(stderr)) != 0; }
unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }

#endif

} // namespace fcview
