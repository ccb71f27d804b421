// Serialised replacement of a file: the one way the host writes the files that
// several processes may update at once (the registry file, a compile-date unit).
//
// Writers of one file take an exclusive advisory lock (flock) on a lock file
// beside it, ".<name>.fleetforge.lock", opened without following a symbolic
// link. The lock file lasts as long as a writer holds it: the writer removes it
// before letting go, and a writer that finds, once it holds the lock, that the
// name no longer leads to the file it locked starts over. A writer that cannot
// make the lock file because it may not write the folder locks the file itself.
//
// A replacement goes through a temporary file ".<name>.fleetforge-XXXXXX.tmp"
// (made with O_EXCL, six random characters) in the same folder: written, flushed
// to disk and renamed over the file. Temporary files of that pattern that a killed
// writer left behind are removed by the next writer of the file, under the lock,
// where no live writer can hold one. The replaced file keeps its owner, group
// and mode bits (set-group-id included). When that cannot be done, or the folder
// cannot be written, a file that can be written is rewritten in place. A file
// that cannot be written is refused and left as it was. A symbolic link is
// followed to the file it names, also when that file does not exist yet.
//
// Failures raise EInOutError "<file>: <the system's cause>".
#pragma once

#include <memory>
#include <string>

#include "host/rtl/sysutils.h"

namespace host {

class HOST_API TLockedFile {
 public:
  // Takes the writers' lock of path, waiting for it. With makeFolder the folder
  // that will hold the file is made first (mode 0700) when missing.
  explicit TLockedFile(const AnsiString& path, bool makeFolder = false);
  ~TLockedFile();  // lets go of the lock
  TLockedFile(const TLockedFile&) = delete;
  TLockedFile& operator=(const TLockedFile&) = delete;

  const AnsiString& Path() const { return path_; }
  // The file that a write changes: path, or the file its symbolic links lead to.
  const AnsiString& Target() const { return target_; }
  // Replaces the file's contents with bytes (see above). A new file gets
  // newFileMode less the umask.
  void Replace(const std::string& bytes, unsigned newFileMode = 0666);

  // The names this file's writers use beside it.
  static AnsiString LockFileName(const AnsiString& target);
  static bool IsTemporaryFileName(const AnsiString& target, const AnsiString& name);

 private:
  AnsiString path_;
  AnsiString target_;
  AnsiString lockName_;
  int fd_ = -1;
  bool ownLockFile_ = false;  // the lock file (not the file itself) is held
};

}  // namespace host
