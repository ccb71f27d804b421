// Serialised replacement of a file: the one way the host writes the files that
// several processes may update at once (the registry file, a compile-date unit).
//
// On every platform: writers of one file hold a lock file beside it,
// ".<name>.fleetforge.lock", while they write; a replacement goes through a
// temporary file ".<name>.fleetforge-XXXXXX.tmp" (six random characters) in the
// same folder, made anew (never an existing file), written, flushed to disk and
// renamed over the file; temporary files of that pattern that a killed writer
// left behind are removed by the next writer of the file, under the lock, where
// no live writer can hold one. A file that may not be written is refused and
// left as it was. Failures raise EInOutError "<file>: <the system's cause>".
//
// POSIX: the lock is an exclusive advisory lock (flock) on the lock file, opened
// without following a symbolic link. The lock file lasts as long as a writer
// holds it: the writer removes it before letting go, and a writer that finds,
// once it holds the lock, that the name no longer leads to the file it locked
// starts over. A writer that cannot make the lock file because it may not write
// the folder locks the file itself. The temporary file is made with O_EXCL and
// renamed over the file. The replaced file keeps its owner, group and mode bits
// (set-group-id included). When that cannot be done, or the folder cannot be
// written, a file that can be written is rewritten in place. A symbolic link is
// followed to the file it names, also when that file does not exist yet. The
// cause is the C library's text for the errno.
//
// Windows: the lock is the lock file itself, opened exclusively (no sharing)
// and deleted by the system when its handle closes, also when the writer is
// killed; a writer that finds it open by another waits with short sleeps. The
// temporary file is made with CREATE_NEW and moved over the file with
// MoveFileEx (replacing it, write-through); a move that a reader's open handle
// holds up is tried again for a few seconds. A read-only file (its read-only
// attribute) is refused. The replaced file keeps its hidden, system and archive
// attributes; its security descriptor is the folder's inherited one, and a new
// file's mode argument is not used. Symbolic links are not followed: Target() is
// Path(). The folder must be writable (no in-place rewrite). The cause is the
// system's message text (FormatMessage) without its closing period.
#pragma once

#include <memory>
#include <string>

#include "host/rtl/sysutils.h"

namespace host {

class HOST_API TLockedFile {
 public:
  // Takes the writers' lock of path, waiting for it. With makeFolder the folder
  // that will hold the file is made first (on POSIX with mode 0700) when missing.
  explicit TLockedFile(const AnsiString& path, bool makeFolder = false);
  ~TLockedFile();  // lets go of the lock
  TLockedFile(const TLockedFile&) = delete;
  TLockedFile& operator=(const TLockedFile&) = delete;

  const AnsiString& Path() const { return path_; }
  // The file that a write changes: path, or the file its symbolic links lead to.
  const AnsiString& Target() const { return target_; }
  // Replaces the file's contents with bytes (see above). On POSIX a new file
  // gets newFileMode less the umask.
  void Replace(const std::string& bytes, unsigned newFileMode = 0666);

  // The names this file's writers use beside it: the lock file, a new temporary
  // file name (kRandomLength random characters), and whether name (without a
  // folder) is one of target's temporary files.
  static constexpr size_t kRandomLength = 6;
  static AnsiString LockFileName(const AnsiString& target);
  static AnsiString NewTemporaryFileName(const AnsiString& target);
  static bool IsTemporaryFileName(const AnsiString& target, const AnsiString& name);

 private:
  AnsiString path_;
  AnsiString target_;
  AnsiString lockName_;
  int fd_ = -1;               // POSIX: the locked descriptor
  void* handle_ = nullptr;    // Windows: the lock file's handle
  bool ownLockFile_ = false;  // the lock file (not the file itself) is held
};

}  // namespace host
