// Files for tests: a scratch folder that removes itself, whole-file reads and
// writes, and whether a name exists (a dangling link counts).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/folders.h"

namespace fleetforge_test {

// The system's causes as the host's file errors word them on this platform.
#ifdef _WIN32
inline constexpr const char* kNotADirectory = "Directory name invalid";
inline constexpr const char* kIsADirectory = "Access denied";
#else
inline constexpr const char* kNotADirectory = "Not a directory";
inline constexpr const char* kIsADirectory = "Is a directory";
#endif

// A fresh folder below the system's folder for temporary files ($TMPDIR, else
// /tmp; on Windows %TMP%), removed with all it holds at the end of its scope.
class TempFolder {
 public:
  explicit TempFolder(const std::string& purpose) {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    std::random_device random;
    for (int attempt = 0; attempt < 100 && name_.empty(); ++attempt) {
      std::string name = "fleetforge-" + purpose + "-";
      for (int i = 0; i < 6; ++i) name += "abcdefghijklmnopqrstuvwxyz0123456789"[random() % 36];
      const std::filesystem::path folder = (error ? "/tmp" : base) / name;
      if (std::filesystem::create_directory(folder, error)) name_ = folder.generic_string();
    }
    if (name_.empty()) throw std::runtime_error("cannot make a scratch folder for " + purpose);
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
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(path, error));
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
