// The writers' lock of a file and its replacement; see filelock.h for the rules.
#include "host/rtl/filelock.h"

#include "host/rtl/posixfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace host {

namespace {

using detail::FileDescriptor;
using detail::FolderOf;

constexpr int kMaxLinks = 40;

[[noreturn]] void Raise(const std::string& file, int error) {
  throw EInOutError(file + ": " + std::error_code(error, std::generic_category()).message());
}

// The folder part followed by "/", or "" for a name without one.
std::string FolderPrefix(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FolderOrCurrent(const std::string& path) {
  const std::string folder = FolderOf(path);
  return folder.empty() ? std::string(".") : folder;
}

// The file that path leads to through its symbolic links; the last one may name
// a file that does not exist yet.
std::string FollowLinks(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < kMaxLinks; ++hops) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    std::string link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 4096), '\0');
    const ssize_t length = ::readlink(current.c_str(), link.data(), link.size());
    if (length < 0) Raise(path, errno);
    link.resize(static_cast<size_t>(length));
    current = (!link.empty() && link.front() == '/') ? link : FolderPrefix(current) + link;
  }
  Raise(path, ELOOP);
}

// Makes folder and its missing parents (mode 0700); 0 or the errno of the failure.
int MakeFolders(const std::string& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
  const std::string parent = FolderOf(folder);
  if (!parent.empty() && parent != folder) {
    const int error = MakeFolders(parent);
    if (error != 0) return error;
  }
  if (::mkdir(folder.c_str(), 0700) == 0) return 0;
  if (errno == EEXIST && ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return 0;
  return errno;
}

bool Writable(const std::string& path) {
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
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

int LockWait(int fd) {
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

bool SameFile(int fd, const std::string& name) {
  struct stat held {};
  struct stat named {};
  return ::fstat(fd, &held) == 0 && ::lstat(name.c_str(), &named) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// Creates a new, empty temporary file for target with the given mode (less the
// umask); returns its descriptor and sets temp to its name.
int CreateTempFile(const std::string& target, mode_t mode, std::string& temp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = TLockedFile::NewTemporaryFileName(target);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Removes the temporary files of target that killed writers left behind. Called
// under the lock file, which every writer that makes one holds while it exists.
void RemoveStaleTemporaryFiles(const std::string& target) {
  DIR* dir = ::opendir(FolderOrCurrent(target).c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = ::readdir(dir)) {
    if (TLockedFile::IsTemporaryFileName(target, entry->d_name)) {
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
  }
  ::closedir(dir);
}

// Rewrites target's contents in place; 0 or the errno of the failure.
int WriteInPlace(const std::string& target, const std::string& bytes) {
  FileDescriptor fd(::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
  if (fd.get() < 0) return errno;
  int error = WriteAll(fd.get(), bytes);
  if (error == 0 && ::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0) error = errno;
  if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
  const int closeError = fd.Close();
  return error != 0 ? error : closeError;
}

}  // namespace

TLockedFile::TLockedFile(const AnsiString& path, bool makeFolder) : path_(path) {
  target_ = FollowLinks(path);
  lockName_ = LockFileName(target_);
  if (makeFolder) {
    const std::string folder = FolderOf(target_);
    if (!folder.empty()) {
      const int error = MakeFolders(folder);
      if (error != 0) Raise(path_, error);
    }
  }
  for (;;) {
    int fd = ::open(lockName_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    bool own = fd >= 0;
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
      const int refusal = errno;
      // A lock file that another writer holds, which this one may only read.
      fd = ::open(lockName_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
      own = fd >= 0;
      if (fd < 0 && errno == ENOENT) {
        // No lock file can be made here: lock the file itself.
        fd = ::open(target_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) Raise(path_, errno == ENOENT ? refusal : errno);
      } else if (fd < 0) {
        Raise(path_, refusal);
      }
    } else if (fd < 0) {
      // A symbolic link planted in the lock file's place is refused by name.
      Raise(errno == ELOOP ? lockName_ : path_, errno);
    }
    FileDescriptor held(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0) Raise(path_, errno);
    if (!S_ISREG(info.st_mode)) Raise(own ? lockName_ : path_, own ? EINVAL : EISDIR);
    const int error = LockWait(fd);
    if (error != 0) Raise(path_, error);
    // The name may have been removed or made anew by the writer before.
    if (!SameFile(fd, own ? lockName_ : target_)) continue;
    fd_ = fd;
    (void)held.Release();
    ownLockFile_ = own;
    break;
  }
  if (ownLockFile_) RemoveStaleTemporaryFiles(target_);
}

TLockedFile::~TLockedFile() {
  // Removed while still held, so that a writer waiting on it starts over.
  if (ownLockFile_) ::unlink(lockName_.c_str());
  ::close(fd_);
}

void TLockedFile::Replace(const std::string& bytes, unsigned newFileMode) {
  struct stat existing {};
  const bool exists = ::lstat(target_.c_str(), &existing) == 0;
  if (!exists && errno != ENOENT) Raise(path_, errno);
  if (exists && S_ISDIR(existing.st_mode)) Raise(path_, EISDIR);
  if (exists && !S_ISREG(existing.st_mode)) Raise(path_, EINVAL);
  // A file that may not be written is not replaced either.
  if (exists && !Writable(target_)) Raise(path_, errno);
  const std::string folder = FolderOrCurrent(target_);
  if (!Writable(folder)) {
    const int error = errno;
    if (!exists) Raise(path_, error);
    const int inPlace = WriteInPlace(target_, bytes);
    if (inPlace != 0) Raise(path_, inPlace);
    return;
  }

  std::string temp;
  FileDescriptor fd(
      CreateTempFile(target_, static_cast<mode_t>(exists ? 0600 : newFileMode), temp));
  if (fd.get() < 0) Raise(path_, errno);
  int error = 0;
  if (exists) {
    // Owner and group first: changing them clears the set-id bits.
    const mode_t mode = existing.st_mode & 07777;
    struct stat made {};
    bool kept = ::fchown(fd.get(), existing.st_uid, existing.st_gid) == 0 &&
                ::fchmod(fd.get(), mode) == 0 && ::fstat(fd.get(), &made) == 0 &&
                made.st_uid == existing.st_uid && made.st_gid == existing.st_gid &&
                (made.st_mode & 07777) == mode;
    if (!kept) {
      // The new file could not be made the old one's twin: rewrite the old one.
      fd.Close();
      ::unlink(temp.c_str());
      const int inPlace = WriteInPlace(target_, bytes);
      if (inPlace != 0) Raise(path_, inPlace);
      return;
    }
  }
  error = WriteAll(fd.get(), bytes);
  if (error == 0 && ::fsync(fd.get()) != 0) error = errno;
  const int closeError = fd.Close();
  if (error == 0) error = closeError;
  if (error == 0 && ::rename(temp.c_str(), target_.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    Raise(path_, error);
  }
  // Make the rename itself durable; the new contents are already in place, so a
  // failure here is not reported.
  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace host
