// 8-bit text files and whole-file helpers.
//
// Failures raise EInOutError with the host's message for the system error; the
// callers add file names where they report them. Two refinements of the plain
// errno mapping: a missing file in a missing (or non-folder) parent is "Path not
// found" rather than "File not found", and opening a folder as a file is
// "Access denied", as the host reports it.
#include "host/rtl/textfile.h"

#include "host/rtl/filelock.h"
#include "host/rtl/posixfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace host {

namespace {

using detail::FileDescriptor;
using detail::FolderOf;

constexpr const char* kNotOpen = "File not open";
constexpr const char* kNotForInput = "File not open for input";
constexpr const char* kNotForOutput = "File not open for output";

[[noreturn]] void RaiseInOut(int error) {
  throw EInOutError(InOutErrorMessage(error));
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// errno of a failed open of path, refined to "path not found" when the folder
// the file would be in does not exist.
int OpenError(const std::string& path, int error) {
  if (error == ENOENT) {
    const std::string folder = FolderOf(path);
    if (!folder.empty() && !IsFolder(folder)) return ENOTDIR;
  }
  return error;
}

// Opens path as a stream, refusing folders (which the C library would open for
// reading).
std::FILE* OpenStream(const std::string& path, const char* mode) {
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (file == nullptr) RaiseInOut(OpenError(path, errno));
  struct stat info {};
  if (::fstat(::fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(file);
    RaiseInOut(EISDIR);
  }
  return file;
}

}  // namespace

AnsiString InOutErrorMessage(int error) {
  switch (error) {
    case ENOENT:
      return "File not found";
    case ENOTDIR:
      return "Path not found";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return "Access denied";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return "Disk full";
    case EMFILE:
    case ENFILE:
      return "Too many open files";
    case ENAMETOOLONG:
      return "Invalid filename";
    default:
      return "I/O error " + std::to_string(error);
  }
}

// ---- TTextFile ---------------------------------------------------------------

TTextFile::~TTextFile() {
  if (file_ != nullptr) std::fclose(file_);
}

void TTextFile::Reset(const AnsiString& path) {
  if (file_ != nullptr) CloseFile();
  file_ = OpenStream(path, "rb");
  path_ = path;
  writing_ = false;
}

void TTextFile::Rewrite(const AnsiString& path) {
  if (file_ != nullptr) CloseFile();
  file_ = OpenStream(path, "wb");
  path_ = path;
  writing_ = true;
}

AnsiString TTextFile::ReadLn() {
  if (file_ == nullptr) throw EInOutError(kNotOpen);
  if (writing_) throw EInOutError(kNotForInput);
  AnsiString line;
  for (;;) {
    const int c = std::getc(file_);
    if (c == EOF) break;
    if (c == '\n') return line;
    if (c == '\r') {
      const int next = std::getc(file_);
      if (next != '\n' && next != EOF) std::ungetc(next, file_);
      if (next == EOF && std::ferror(file_)) break;
      return line;
    }
    line += static_cast<char>(c);
  }
  if (std::ferror(file_)) {
    const int error = errno;
    std::clearerr(file_);
    RaiseInOut(error);
  }
  return line;
}

bool TTextFile::Eof() {
  if (file_ == nullptr) throw EInOutError(kNotOpen);
  if (writing_) throw EInOutError(kNotForInput);
  const int c = std::getc(file_);
  if (c == EOF) {
    if (std::ferror(file_)) {
      const int error = errno;
      std::clearerr(file_);
      RaiseInOut(error);
    }
    return true;
  }
  std::ungetc(c, file_);
  return false;
}

void TTextFile::Write(const AnsiString& text) {
  if (file_ == nullptr) throw EInOutError(kNotOpen);
  if (!writing_) throw EInOutError(kNotForOutput);
  if (text.empty()) return;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
    const int error = errno;
    std::clearerr(file_);
    RaiseInOut(error);
  }
}

void TTextFile::WriteLn(const AnsiString& text) {
  Write(text);
  Write("\r\n");
}

void TTextFile::CloseFile() {
  if (file_ == nullptr) throw EInOutError(kNotOpen);
  std::FILE* file = file_;
  file_ = nullptr;
  writing_ = false;
  if (std::fclose(file) != 0) RaiseInOut(errno);
}

// ---- Whole files ---------------------------------------------------------------

std::string ReadFileBytes(const AnsiString& path) {
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_BINARY));
  if (fd.get() < 0) RaiseInOut(OpenError(path, errno));
  struct stat info {};
  const bool known = ::fstat(fd.get(), &info) == 0;
  if (known && S_ISDIR(info.st_mode)) RaiseInOut(EISDIR);
  std::string bytes;
  // Room for the whole file at once: growing by doubling would copy a large file
  // several times and hold up to three times its size at the last step.
  if (known && S_ISREG(info.st_mode) && info.st_size > 0)
    bytes.reserve(static_cast<size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      RaiseInOut(errno);
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<size_t>(got));
  }
  return bytes;
}

void AtomicWriteFile(const AnsiString& path, const std::string& bytes, unsigned newFileMode) {
  TLockedFile(path).Replace(bytes, newFileMode);
}

}  // namespace host
