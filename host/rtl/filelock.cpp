// The names that a file's writers use beside it, the same on every platform; the
// lock and the replacement are each platform's own (filelock_posix.cpp,
// filelock_win32.cpp).
#include "host/rtl/filelock.h"

#include <cstdint>
#include <random>

namespace host {

namespace {

constexpr const char* kTag = ".fleetforge";

}  // namespace

AnsiString TLockedFile::LockFileName(const AnsiString& target) {
  return ExtractFilePath(target) + "." + ExtractFileName(target) + kTag + ".lock";
}

AnsiString TLockedFile::NewTemporaryFileName(const AnsiString& target) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937_64 random{(static_cast<uint64_t>(std::random_device{}()) << 32) ^
                                std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
  std::string characters;
  for (size_t k = 0; k < kRandomLength; ++k) characters += kChars[pick(random)];
  return ExtractFilePath(target) + "." + ExtractFileName(target) + kTag + "-" + characters + ".tmp";
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
