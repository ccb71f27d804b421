// Small helpers of the host's own file code (not part of its interface): a file
// descriptor that closes itself, and the folder part of a path.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

// Flags that only one of the platforms knows: no inheritance by child programs
// (POSIX), no text-mode translation (Windows).
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#ifndef O_BINARY
#define O_BINARY 0
#endif

namespace host::detail {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Gives the descriptor up without closing it.
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now; returns the errno of a failed close, or 0.
  int Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

// The folder part of a file system path ("" when it names no folder). A root
// keeps its delimiter: "/" on POSIX; "\", "/" and "C:\" on Windows, where
// both "\" and "/" separate folders.
inline std::string FolderOf(const std::string& path) {
#ifdef _WIN32
  const size_t slash = path.find_last_of("\\/");
  if (slash == std::string::npos) return std::string();
  if (slash == 0 || (slash == 2 && path[1] == ':')) return path.substr(0, slash + 1);
  return path.substr(0, slash);
#else
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? std::string("/") : path.substr(0, slash);
#endif
}

}  // namespace host::detail
