#include "fcview/platform.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#include <shellapi.h>
#else
#include <fcntl.h>
#include <iconv.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace fcview {

#if defined(_WIN32)

namespace {

bool Widen(unsigned codePage, DWORD flags, const std::string& text, std::wstring* wide) {
  wide->clear();
  if (text.empty()) return true;
  const int length = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return false;
  wide->assign(static_cast<size_t>(length), L'\0');
  return MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), &(*wide)[0], length) ==
         length;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], length, nullptr, nullptr);
  }
  return text;
}

} // namespace

std::vector<std::string> ArgumentsAsUtf8(int argc, char** argv) {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr || count != argc) {
    // The C runtime and the shell parsed differently: keep what the runtime saw.
    if (wide != nullptr) LocalFree(wide);
    for (int i = 0; i < argc; ++i) {
      std::wstring text;
      Widen(CP_ACP, 0, argv[i], &text);
      arguments.push_back(Narrow(text));
    }
    return arguments;
  }
  for (int i = 0; i < count; ++i) arguments.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

fs::path PathFromArgument(const std::string& text) {
  std::wstring wide;
  if (!Widen(CP_UTF8, 0, text, &wide)) wide.assign(text.begin(), text.end());
  return fs::path(wide);
}

std::string PathText(const fs::path& path) { return Narrow(path.wstring()); }

bool Cp932CharToUtf8(const uint8_t* bytes, size_t count, std::string* utf8) {
  wchar_t wide[2];
  const int length = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes),
                                         static_cast<int>(count), wide, 2);
  if (length != 1) return false;
  *utf8 = Narrow(std::wstring(wide, 1));
  return true;
}

bool Utf8CharToCp932(const std::string& utf8, std::string* bytes) {
  std::wstring wide;
  if (!Widen(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, &wide) || wide.empty()) return false;
  char out[8];
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), out,
                                         sizeof out, nullptr, &usedDefault);
  if (length <= 0 || usedDefault) return false;
  bytes->assign(out, static_cast<size_t>(length));
  return true;
}

void WriteText(std::FILE* stream, const std::string& utf8) {
  const HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  std::wstring wide;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) && Widen(CP_UTF8, 0, utf8, &wide)) {
    std::fflush(stream);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::fwrite(utf8.data(), 1, utf8.size(), stream);
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

bool MapWholeFile(const fs::path& path, MappedFile* file, std::string* reason) {
  *file = MappedFile{};
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    *reason = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? "No such file or directory"
              : error == ERROR_ACCESS_DENIED                                 ? "Permission denied"
                                                                             : "cannot be opened";
    return false;
  }
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(handle, &size) != 0 && static_cast<uint64_t>(size.QuadPart) <= SIZE_MAX;
  if (ok && size.QuadPart > 0) {
    const HANDLE mapping = CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
    const void* view = mapping == nullptr ? nullptr : MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (mapping != nullptr) CloseHandle(mapping); // the view keeps the mapping alive
    ok = view != nullptr;
    if (ok) *file = MappedFile{static_cast<const uint8_t*>(view), static_cast<size_t>(size.QuadPart)};
  }
  CloseHandle(handle);
  if (!ok) *reason = "cannot be mapped";
  return ok;
}

void UnmapWholeFile(MappedFile* file) {
  if (file->Data != nullptr) UnmapViewOfFile(file->Data);
  *file = MappedFile{};
}

bool StderrIsTerminal() { return _isatty(_fileno(stderr)) != 0; }
unsigned long ProcessId() { return static_cast<unsigned long>(_getpid()); }

#else

namespace {

// One conversion through iconv; false unless every input byte converted.
bool Convert(const char* to, const char* from, const std::string& input, std::string* output) {
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  char buffer[16];
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char* out = buffer;
  size_t outLeft = sizeof buffer;
  const size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
  const size_t flushed = converted == static_cast<size_t>(-1) ? converted : iconv(converter, nullptr, nullptr, &out, &outLeft);
  iconv_close(converter);
  if (converted == static_cast<size_t>(-1) || flushed == static_cast<size_t>(-1) || inLeft != 0) return false;
  // A non-zero count means irreversible conversions: a substitute, not the character.
  if (converted != 0) return false;
  output->assign(buffer, static_cast<size_t>(out - buffer));
  return !output->empty();
}

} // namespace

std::vector<std::string> ArgumentsAsUtf8(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

fs::path PathFromArgument(const std::string& text) { return fs::path(text); }

std::string PathText(const fs::path& path) { return path.string(); }

bool Cp932CharToUtf8(const uint8_t* bytes, size_t count, std::string* utf8) {
  return Convert("UTF-8", "CP932", std::string(reinterpret_cast<const char*>(bytes), count), utf8);
}

bool Utf8CharToCp932(const std::string& utf8, std::string* bytes) { return Convert("CP932", "UTF-8", utf8, bytes); }

void WriteText(std::FILE* stream, const std::string& utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stream); }

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

bool MapWholeFile(const fs::path& path, MappedFile* file, std::string* reason) {
  *file = MappedFile{};
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *reason = std::strerror(errno);
    return false;
  }
  struct stat status {};
  bool ok = fstat(fd, &status) == 0;
  if (ok && S_ISDIR(status.st_mode)) {
    *reason = "is a directory";
    ok = false;
  } else if (ok && status.st_size > 0) {
    void* view = mmap(nullptr, static_cast<size_t>(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ok = view != MAP_FAILED;
    if (ok) *file = MappedFile{static_cast<const uint8_t*>(view), static_cast<size_t>(status.st_size)};
    if (!ok) *reason = std::string("cannot be mapped: ") + std::strerror(errno);
  } else if (!ok) {
    *reason = std::strerror(errno);
  }
  close(fd);
  return ok;
}

void UnmapWholeFile(MappedFile* file) {
  if (file->Data != nullptr) munmap(const_cast<uint8_t*>(file->Data), file->Size);
  *file = MappedFile{};
}

bool StderrIsTerminal() { return isatty(fileno(stderr)) != 0; }
unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }

#endif

} // namespace fcview
