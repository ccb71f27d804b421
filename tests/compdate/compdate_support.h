// Shared pieces of the compile-date tests: a scratch folder, whole-file reads
// and writes, the example moment and the text the writer gives for it.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/environment.h"
#include "tests/support/files.h"
#include "tests/support/folders.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "host/rtl/sysutils.h"

namespace compdate_test {

using fleetforge_test::Exists;
using fleetforge_test::ReadAll;
using fleetforge_test::ScopedEnv;
using fleetforge_test::WriteAll;

// The lines of a CR LF text, without their line ends; a text that does not end
// with CR LF gets its rest as a last line.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

using fleetforge_test::FolderEntries;

// 29 September 2004, 14:05:09.
inline host::TDateTime ExampleMoment() {
  return host::EncodeDate(2004, 9, 29) + host::EncodeTime(14, 5, 9, 0);
}

// The unit for counters 12 and 3 at the example moment, written out by hand.
inline const char* ExampleText() {
  return "unit CompDate;\r\n"
         "\r\n"
         "// Build: 12\r\n"
         "// Internal: 3\r\n"
         "\r\n"
         "// automatically created by Fleetforge v0.0.1 (build 18)\r\n"
         "\r\n"
         "interface\r\n"
         "\r\n"
         "var\r\n"
         "  CompileBuild       :Integer   = 12;\r\n"
         "  CompileBuildStr    :String    = '12';\r\n"
         "  CompileInternal    :Integer   = 3;\r\n"
         "  CompileInternalStr :String    = '3';\r\n"
         "  CompileDate        :String    = '2004/9/29';\r\n"
         "  CompileTime        :String    = '14:05:09';\r\n"
         "  CompileDateTime    :TDateTime = 3.82595869097222E+0004;\r\n"
         "\r\n"
         "implementation\r\n"
         "\r\n"
         "end.\r\n";
}

// A fresh folder below the system's temporary folder, removed at the end; the
// clock, the time separator and the current folder are restored as well.
class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char cwd[4096];
    ASSERT_NE(nullptr, ::getcwd(cwd, sizeof cwd));
    saved_cwd_ = cwd;
    saved_separator_ = host::TimeSeparator();
  }

  void TearDown() override {
    EXPECT_EQ(0, ::chdir(saved_cwd_.c_str()));
    host::UnpinClock();
    host::SetTimeSeparator(saved_separator_);
  }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  fleetforge_test::TempFolder scratch_{"compdate"};
  const std::string folder_ = scratch_.Name();
  std::string saved_cwd_;
  char saved_separator_ = ':';
};

}  // namespace compdate_test
