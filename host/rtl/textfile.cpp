// 8-bit text files and whole-file helpers.
//
// Failures raise EInOutError with the host's message for the system error; the
// callers add file names where they report them. Two refinements of the plain
// errno mapping: a missing file in a missing (or non-folder) parent is "Path not
// found" rather than "File not found", and opening a folder as a file is
// "Access denied", as the host reports it.
#include "host/rtl/textfile.h"

#include "host/rtl/posixfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>

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

// Writes all bytes; returns 0 or the errno of the failure.
int WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<size_t>(written);
  }
  return 0;
}

// The file that a write to path really replaces: a symbolic link's target, so
// that replacing the file keeps the link.
std::string ReplacedFile(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string target = resolved;
  std::free(resolved);
  return target;
}

// Creates a new, empty file "<path>.XXXXXX" with the given mode (less the
// process's umask); returns its descriptor and sets temp to its name.
int CreateTempFile(const std::string& path, mode_t mode, std::string& temp) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = path + ".";
    for (int k = 0; k < 6; ++k) temp += kChars[pick(random)];
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
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
    case EDQUOT:
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
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
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
  const std::string target = ReplacedFile(path);
  // The new file keeps the permission bits of the one it replaces; a new file
  // gets newFileMode, less what the umask takes away.
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  std::string temp;
  FileDescriptor fd(CreateTempFile(target, static_cast<mode_t>(newFileMode), temp));
  if (fd.get() < 0) RaiseInOut(OpenError(target, errno));

  int error = 0;
  if (exists && S_ISREG(existing.st_mode) &&
      ::fchmod(fd.get(), existing.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO)) != 0) {
    error = errno;
  }
  if (error == 0) error = WriteAll(fd.get(), bytes);
  if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
  const int closeError = fd.Close();
  if (error == 0) error = closeError;
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    RaiseInOut(error);
  }
  // Make the rename itself durable; the new contents are already in place, so a
  // failure here is not reported.
  const std::string folder = FolderOf(target);
  FileDescriptor dir(
      ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace host
