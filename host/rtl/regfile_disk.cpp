// Registry files on disk: a file's bytes, and its read-change-write under the
// writers' lock with an atomic replacement.
#include "host/rtl/regfile_detail.h"

#include "host/rtl/filelock.h"
#include "host/rtl/textfile.h"

#include <sys/stat.h>

#include <cerrno>
#include <functional>
#include <system_error>

namespace host::regfile_detail {

namespace {

std::string SystemMessage(int error) {
  return std::error_code(error, std::generic_category()).message();
}

[[noreturn]] void RaiseFile(const std::string& path, const std::string& what, int error) {
  throw ERegistryFileIOError("Registry file " + path + ": " + what + " (" + SystemMessage(error) +
                             ")");
}

}  // namespace

bool ReadBytes(const std::string& path, const std::string& nameForErrors, std::string& bytes) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return false;
    RaiseFile(nameForErrors, "cannot be read", errno);
  }
  try {
    bytes = ReadFileBytes(path);
  } catch (const EInOutError& e) {
    throw ERegistryFileIOError("Registry file " + nameForErrors + ": cannot be read (" +
                               e.Message() + ")");
  }
  return true;
}

}  // namespace host::regfile_detail

namespace host {

using regfile_detail::ReadBytes;

RegFile LoadRegFile(const std::string& path) {
  std::string bytes;
  if (!ReadBytes(path, path, bytes)) return RegFile();
  return ParseRegFile(bytes, path);
}

LockedRegFile::LockedRegFile(const std::string& path) : path_(path) {
  try {
    lock_ = std::make_unique<TLockedFile>(path, true);
  } catch (const EInOutError& e) {
    throw ERegistryFileIOError(e.Message());
  }
  std::string bytes;
  if (ReadBytes(lock_->Target(), path, bytes)) file_ = ParseRegFile(bytes, path);
}

LockedRegFile::~LockedRegFile() = default;

void LockedRegFile::Save() {
  try {
    lock_->Replace(SerializeRegFile(file_), 0600);  // a new registry file is the user's alone
  } catch (const EInOutError& e) {
    throw ERegistryFileIOError(e.Message());
  }
}

void UpdateRegFile(const std::string& path, const std::function<bool(RegFile&)>& change) {
  LockedRegFile locked(path);
  if (change(locked.File())) locked.Save();
}

}  // namespace host
