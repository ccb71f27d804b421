// Files for tests: a scratch folder that removes itself, whole-file reads and
// writes, and whether a name exists (a dangling link counts).
#pragma once

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

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

// A fresh scratch folder, removed with all it holds when the running test ends
// (after its fixture is gone); one made outside a test goes when the program ends.
inline std::string ScratchFolder(const std::string& purpose) {
  struct Keeper : ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { test.clear(); }
    std::vector<std::unique_ptr<TempFolder>> test;
  };
  static std::vector<std::unique_ptr<TempFolder>> program;
  static Keeper* const keeper = [] {
    auto* listener = new Keeper;  // the listener list owns it
    ::testing::UnitTest::GetInstance()->listeners().Append(listener);
    return listener;
  }();
  auto& owner = ::testing::UnitTest::GetInstance()->current_test_info() ? keeper->test : program;
  return owner.emplace_back(std::make_unique<TempFolder>(purpose))->Name();
}

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
