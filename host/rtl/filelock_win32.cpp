// The writers' lock of a file and its replacement on Windows; see filelock.h for
// the rules.
#include "host/rtl/filelock.h"

#include "host/rtl/posixfile.h"
#include "host/rtl/syserror.h"

#include <algorithm>

#include "host/rtl/winapi.h"

namespace host {

namespace {

using detail::FolderOf;

// How long a writer sleeps between attempts while another holds the lock file,
// or while a reader's open handle holds up the move over the file.
constexpr DWORD kRetryMs = 10;
// A move that stays held up this long (a reader that keeps the file open) fails.
constexpr int kMoveAttempts = 500;
// A lock file that is being deleted (the last writer just closed it) refuses
// access for a moment; one that keeps refusing it cannot be made here.
constexpr int kDeniedAttempts = 100;

[[noreturn]] void Raise(const std::string& file, DWORD error) {
  throw EInOutError(file + ": " + WindowsErrorMessage(error));
}

// Makes folder and its missing parents; 0 or the system's error code.
DWORD MakeFolders(const std::string& folder) {
  const DWORD attributes = ::GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 0 : ERROR_DIRECTORY;
  }
  const std::string parent = FolderOf(folder);
  // A root ("C:\\", "\\") is not made.
  if (!parent.empty() && parent != folder && parent.back() != '\\' && parent.back() != '/') {
    const DWORD error = MakeFolders(parent);
    if (error != 0) return error;
  }
  if (::CreateDirectoryA(folder.c_str(), nullptr)) return 0;
  const DWORD error = ::GetLastError();
  if (error == ERROR_ALREADY_EXISTS) {
    const DWORD now = ::GetFileAttributesA(folder.c_str());
    if (now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_DIRECTORY) != 0) return 0;
  }
  return error;
}

// Writes all bytes and flushes them to disk; 0 or the system's error code.
DWORD WriteAll(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) return ::GetLastError();
    done += written;
  }
  return ::FlushFileBuffers(file) ? 0 : ::GetLastError();
}

// Creates a new, empty temporary file for target; sets temp to its name.
HANDLE CreateTempFile(const std::string& target, std::string& temp) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = TLockedFile::NewTemporaryFileName(target);
    const HANDLE file = ::CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  ::SetLastError(ERROR_FILE_EXISTS);
  return INVALID_HANDLE_VALUE;
}

// Removes the temporary files of target that killed writers left behind. Called
// under the lock file, which every writer holds while it has one.
void RemoveStaleTemporaryFiles(const std::string& target) {
  const std::string folder = ExtractFilePath(target);
  WIN32_FIND_DATAA found{};
  const HANDLE search = ::FindFirstFileA((folder + "*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        TLockedFile::IsTemporaryFileName(target, found.cFileName)) {
      ::DeleteFileA((folder + found.cFileName).c_str());
    }
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
}

}  // namespace

TLockedFile::TLockedFile(const AnsiString& path, bool makeFolder) : path_(path), target_(path) {
  lockName_ = LockFileName(target_);
  if (makeFolder) {
    const std::string folder = FolderOf(target_);
    if (!folder.empty()) {
      const DWORD error = MakeFolders(folder);
      if (error != 0) Raise(path_, error);
    }
  }
  int denied = 0;
  for (;;) {
    const HANDLE lock = ::CreateFileA(
        lockName_.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (lock != INVALID_HANDLE_VALUE) {
      handle_ = lock;
      ownLockFile_ = true;
      break;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_SHARING_VIOLATION) {
      ::Sleep(kRetryMs);  // another writer holds it
      continue;
    }
    const bool exists = ::GetFileAttributesA(lockName_.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (error == ERROR_ACCESS_DENIED && exists && ++denied < kDeniedAttempts) {
      ::Sleep(kRetryMs);  // being deleted by the writer before
      continue;
    }
    Raise(error == ERROR_ACCESS_DENIED && exists ? lockName_ : path_, error);
  }
  RemoveStaleTemporaryFiles(target_);
}

TLockedFile::~TLockedFile() {
  // Closing the only handle deletes the lock file.
  if (ownLockFile_) ::CloseHandle(static_cast<HANDLE>(handle_));
}

void TLockedFile::Replace(const std::string& bytes, unsigned /*newFileMode*/) {
  const DWORD existing = ::GetFileAttributesA(target_.c_str());
  if (existing == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) Raise(path_, error);
  } else if ((existing & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
             (existing & FILE_ATTRIBUTE_READONLY) != 0) {
    // A folder or a read-only file is not replaced.
    Raise(path_, ERROR_ACCESS_DENIED);
  } else {
    // Nor is a file that its security settings keep this user from writing.
    const HANDLE probe = ::CreateFileA(target_.c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
      ::CloseHandle(probe);
    } else if (::GetLastError() != ERROR_SHARING_VIOLATION) {
      Raise(path_, ::GetLastError());
    }
  }

  std::string temp;
  const HANDLE file = CreateTempFile(target_, temp);
  if (file == INVALID_HANDLE_VALUE) Raise(path_, ::GetLastError());
  DWORD error = WriteAll(file, bytes);
  if (!::CloseHandle(file) && error == 0) error = ::GetLastError();
  if (error == 0 && existing != INVALID_FILE_ATTRIBUTES) {
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    if ((existing & kKept) != 0) ::SetFileAttributesA(temp.c_str(), existing & kKept);
  }
  for (int attempt = 1; error == 0; ++attempt) {
    if (::MoveFileExA(temp.c_str(), target_.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return;
    }
    error = ::GetLastError();
    // A reader that has the file open without sharing its deletion holds the
    // move up until it closes the file.
    if ((error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) &&
        attempt < kMoveAttempts) {
      error = 0;
      ::Sleep(kRetryMs);
    }
  }
  ::DeleteFileA(temp.c_str());
  Raise(path_, error);
}

}  // namespace host
