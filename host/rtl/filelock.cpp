// The names that a file's writers use beside it, the same on every platform; the
// lock and the replacement are each platform's own (filelock_posix.cpp,
// filelock_win32.cpp).
#include "host/rtl/filelock.h"

namespace host {

namespace {

constexpr const char* kTag = ".fleetforge";

}  // namespace

AnsiString TLockedFile::LockFileName(const AnsiString& target) {
  return ExtractFilePath(target) + "." + ExtractFileName(target) + kTag + ".lock";
}

AnsiString TLockedFile::TemporaryFileName(const AnsiString& target, const AnsiString& random) {
  return ExtractFilePath(target) + "." + ExtractFileName(target) + kTag + "-" + random + ".tmp";
}

bool TLockedFile::IsTemporaryFileName(const AnsiString& target, const AnsiString& name) {
  // Built by appending: GCC 12 at -O3 reports a false -Wrestrict for the
  // concatenation of temporaries.
  std::string prefix = ".";
  prefix += ExtractFileName(target);
  prefix += kTag;
  prefix += "-";
  const std::string suffix = ".tmp";
  return name.size() == prefix.size() + kRandomLength + suffix.size() &&
         name.compare(0, prefix.size(), prefix) == 0 &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace host
