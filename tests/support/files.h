// Files for tests: a scratch folder that removes itself, whole-file reads and
// writes, and whether a name exists (a dangling link counts).
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "tests/support/folders.h"

namespace fleetforge_test {

// A fresh folder below $TMPDIR (else /tmp), removed with all it holds at the end
// of its scope.
class TempFolder {
 public:
  explicit TempFolder(const std::string& purpose) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp && *tmp ? tmp : "/tmp") + "/fleetforge-" + purpose + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("cannot make a scratch folder " + pattern);
    name_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(name_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Name() const { return name_; }
  std::string Path(const std::string& name) const { return name_ + "/" + name; }

 private:
  std::string name_;
};

inline bool Exists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// False when the file could not be written whole.
inline bool WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  return out.good();
}

}  // namespace fleetforge_test
