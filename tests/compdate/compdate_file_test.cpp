// CompDate.pas: the text the writer gives, byte for byte; what the reader takes
// back out of a file (the header lines only) and how it fails on malformed ones;
// the update's counting, its project-name and path rules; and writes that fail,
// which must leave the previous file whole.
#include "compdate/CompDateFile.h"

#include <signal.h>
#include <sys/resource.h>

#include <climits>
#include <cstdlib>

#include "compdate_support.h"
#include "host/rtl/textfile.h"

namespace FleetforgeCompDate {
namespace {

using compdate_test::ExampleMoment;
using compdate_test::ExampleText;
using compdate_test::Exists;
using compdate_test::FolderEntries;
using compdate_test::Lines;
using compdate_test::ReadAll;
using compdate_test::WriteAll;

// The class and message of the host error that call raises; empty when none.
template <class Call>
std::pair<std::string, std::string> HostError(Call call) {
  try {
    call();
  } catch (const host::Exception& error) {
    return {error.ClassName(), error.Message()};
  }
  return {};
}

class CompDateFileTest : public compdate_test::ScratchTest {
 protected:
  std::string File() const { return Path(kCompDateFileName); }
};

TEST_F(CompDateFileTest, TheExampleIsWrittenByteForByteAndReadBack) {
  EXPECT_EQ(ExampleText(), CompDateText(12, 3, ExampleMoment()));

  host::PinClock(ExampleMoment());
  WriteCompDate(File(), 12, 3);
  EXPECT_EQ(ExampleText(), ReadAll(File()));
  EXPECT_EQ(std::make_pair(12, 3), ReadCompDate(File()));
  EXPECT_EQ(std::vector<std::string>{kCompDateFileName}, FolderEntries(folder_));
}

TEST_F(CompDateFileTest, TheTextIsTwentyOneCrLfLinesWithoutTrailingBlanks) {
  const std::string text = CompDateText(-7, 2147483647, ExampleMoment());
  const std::vector<std::string> lines = Lines(text);
  ASSERT_EQ(21u, lines.size());
  EXPECT_EQ("end.\r\n", text.substr(text.size() - 6));
  for (size_t n = 0; n < lines.size(); ++n) {
    SCOPED_TRACE("line " + std::to_string(n + 1));
    EXPECT_EQ(std::string::npos, lines[n].find_first_of("\r\n"));
    if (!lines[n].empty()) {
      EXPECT_NE(' ', lines[n].back());
    }
  }
}

TEST_F(CompDateFileTest, CountersOfEverySignAndSizeStandInAllSixPlacesAndReadBack) {
  const struct {
    int32_t build, internal;
    const char *b, *i;
  } cases[] = {
      {0, 0, "0", "0"},
      {-1, -12, "-1", "-12"},
      {2147483647, INT32_MIN, "2147483647", "-2147483648"},
      {INT32_MIN, 2147483647, "-2147483648", "2147483647"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.b) + " " + c.i);
    WriteCompDate(File(), c.build, c.internal, ExampleMoment());
    const std::vector<std::string> lines = Lines(ReadAll(File()));
    ASSERT_EQ(21u, lines.size());
    const std::string b = c.b, i = c.i;
    EXPECT_EQ("// Build: " + b, lines[2]);
    EXPECT_EQ("// Internal: " + i, lines[3]);
    EXPECT_EQ("  CompileBuild       :Integer   = " + b + ";", lines[10]);
    EXPECT_EQ("  CompileBuildStr    :String    = '" + b + "';", lines[11]);
    EXPECT_EQ("  CompileInternal    :Integer   = " + i + ";", lines[12]);
    EXPECT_EQ("  CompileInternalStr :String    = '" + i + "';", lines[13]);
    EXPECT_EQ(std::make_pair(c.build, c.internal), ReadCompDate(File()));
  }
}

TEST_F(CompDateFileTest, DateAndTimeFormsFollowTheirPatterns) {
  // Single-digit month and day, an hour before ten.
  const host::TDateTime early = host::EncodeDate(2004, 1, 5) + host::EncodeTime(9, 3, 7, 0);
  std::vector<std::string> lines = Lines(CompDateText(1, 0, early));
  EXPECT_EQ("  CompileDate        :String    = '2004/1/5';", lines[14]);
  EXPECT_EQ("  CompileTime        :String    = '09:03:07';", lines[15]);
  EXPECT_EQ("  CompileDateTime    :TDateTime = 3.79913771643518E+0004;", lines[16]);

  // The time separator is the locale's; the date's slashes are literal. Seconds
  // are not rounded up from the milliseconds.
  host::SetTimeSeparator('.');
  host::SetDateSeparator('-');
  lines = Lines(CompDateText(1, 0, early + 999.0 / 86400000.0));
  host::SetDateSeparator('/');
  EXPECT_EQ("  CompileDate        :String    = '2004/1/5';", lines[14]);
  EXPECT_EQ("  CompileTime        :String    = '09.03.07';", lines[15]);

  // Midnight of the first day of the host's calendar and the last moment of 9999.
  lines = Lines(CompDateText(1, 0, 0.0));
  EXPECT_EQ("  CompileDate        :String    = '1899/12/30';", lines[14]);
  EXPECT_EQ("  CompileDateTime    :TDateTime = 0.00000000000000E+0000;", lines[16]);
  lines =
      Lines(CompDateText(1, 0, host::EncodeDate(9999, 12, 31) + host::EncodeTime(23, 59, 59, 0)));
  EXPECT_EQ("  CompileDate        :String    = '9999/12/31';", lines[14]);
  EXPECT_EQ("  CompileTime        :String    = '23.59.59';", lines[15]);
  EXPECT_EQ("  CompileDateTime    :TDateTime = 2.95846599998843E+0006;", lines[16]);
}

TEST_F(CompDateFileTest, DateTimeAndNumberOfOneWriteNameTheSameInstant) {
  // With the real clock: whatever instant the writer read, the number on line 17
  // formats back to the date and time of lines 15 and 16.
  for (int round = 0; round < 50; ++round) {
    const host::TDateTime before = host::Now();
    WriteCompDate(File(), round, 0);
    const host::TDateTime after = host::Now();
    const std::vector<std::string> lines = Lines(ReadAll(File()));
    ASSERT_EQ(21u, lines.size());
    const std::string prefix = "  CompileDateTime    :TDateTime = ";
    ASSERT_EQ(prefix, lines[16].substr(0, prefix.size()));
    const std::string number =
        lines[16].substr(prefix.size(), lines[16].size() - prefix.size() - 1);
    const double moment = std::strtod(number.c_str(), nullptr);
    EXPECT_LE(before - 1e-9, moment);
    EXPECT_GE(after + 1e-9, moment);
    EXPECT_EQ("  CompileDate        :String    = '" +
                  host::FormatDateTime("yyyy\"/\"m\"/\"d", moment) + "';",
              lines[14]);
    EXPECT_EQ(
        "  CompileTime        :String    = '" + host::FormatDateTime("hh:nn:ss", moment) + "';",
        lines[15]);
  }
}

TEST_F(CompDateFileTest, TheReaderTakesOnlyTheHeaderLines) {
  // Line 11 says 99, the header says 7: the header counts.
  std::string text = CompDateText(7, 5, ExampleMoment());
  text.replace(text.find("= 7;"), 4, "= 99;");
  WriteAll(File(), text);
  EXPECT_EQ(std::make_pair(7, 5), ReadCompDate(File()));

  // The first 10 and 13 characters go whatever they are; the rest is converted by
  // the host's integer conversion (blanks before it, a sign, hexadecimal), and
  // lines may end in LF alone.
  WriteAll(File(), "x\n\nXXXXXXXXXX  -42\nYYYYYYYYYYYYY$1F\n");
  EXPECT_EQ(std::make_pair(-42, 31), ReadCompDate(File()));
  WriteAll(File(), "\r\n\r\n// Build: 2147483647\r\n// Internal: -2147483648");
  EXPECT_EQ(std::make_pair(2147483647, INT32_MIN), ReadCompDate(File()));
}

TEST_F(CompDateFileTest, MalformedFilesFailWithTheConversionError) {
  const struct {
    const char* name;
    const char* text;
    const char* message;
  } cases[] = {
      {"empty", "", "'' is not a valid integer value"},
      {"one line", "unit CompDate;\r\n", "'' is not a valid integer value"},
      {"two lines", "unit CompDate;\r\n\r\n", "'' is not a valid integer value"},
      {"three lines", "unit CompDate;\r\n\r\n// Build: 4\r\n", "'' is not a valid integer value"},
      {"build header edited", "unit CompDate;\r\n\r\n// Build: twelve\r\n// Internal: 3\r\n",
       "'twelve' is not a valid integer value"},
      // Thirteen characters go whatever they are, and the rest is no number.
      {"internal header edited", "unit CompDate;\r\n\r\n// Build: 12\r\n// Internal count: 3\r\n",
       "'ount: 3' is not a valid integer value"},
      {"short header", "unit CompDate;\r\n\r\n// Build:\r\n// Internal: 3\r\n",
       "'' is not a valid integer value"},
      {"trailing blank", "unit CompDate;\r\n\r\n// Build: 12 \r\n// Internal: 3\r\n",
       "'12 ' is not a valid integer value"},
      {"out of range", "unit CompDate;\r\n\r\n// Build: 2147483648\r\n// Internal: 3\r\n",
       "'2147483648' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll(File(), c.text);
    EXPECT_EQ(std::make_pair(std::string("EConvertError"), std::string(c.message)),
              HostError([&] { ReadCompDate(File()); }));
  }
}

TEST_F(CompDateFileTest, UnreadableFilesFailWithTheInputOutputError) {
  using Error = std::pair<std::string, std::string>;
  EXPECT_EQ(Error("EInOutError", "File not found"), HostError([&] { ReadCompDate(File()); }));
  EXPECT_EQ(Error("EInOutError", "Path not found"),
            HostError([&] { ReadCompDate(Path("missing/CompDate.pas")); }));
  EXPECT_EQ(Error("EInOutError", "Access denied"), HostError([&] { ReadCompDate(folder_); }));
}

// ---- The update ----------------------------------------------------------------------

class CompDateUpdateTest : public CompDateFileTest {
 protected:
  // One update of the project's unit at the given moment; the counters as they stand.
  TCompDateUpdate Update(const std::string& project, bool codeInsight, host::TDateTime moment) {
    return UpdateCompDate(project, codeInsight, build_, internal_, moment);
  }
  std::pair<int32_t, int32_t> Counters() const { return {build_, internal_}; }

  int32_t build_ = 555;
  int32_t internal_ = 666;
};

TEST_F(CompDateUpdateTest, CountersWrapAroundAtTheThirtyTwoBitLimit) {
  WriteAll(File(), CompDateText(2147483647, 2147483647, ExampleMoment()));
  Update(Path("Project.dpr"), false, ExampleMoment());
  EXPECT_EQ(std::make_pair(INT32_MIN, 2147483647), ReadCompDate(File()));
  Update(Path("Project.dpr"), true, ExampleMoment());
  EXPECT_EQ(std::make_pair(INT32_MIN, INT32_MIN), ReadCompDate(File()));
  Update(Path("Project.dpr"), false, ExampleMoment());
  EXPECT_EQ(std::make_pair(INT32_MIN + 1, INT32_MIN), ReadCompDate(File()));

  WriteAll(File(), CompDateText(-1, -5, ExampleMoment()));
  Update(Path("Project.dpr"), false, ExampleMoment());
  EXPECT_EQ(std::make_pair(0, -5), ReadCompDate(File()));
  static_assert(NextCounter(2147483647) == INT32_MIN && NextCounter(-1) == 0);
}

TEST_F(CompDateUpdateTest, OnlyAnExactDprNameGetsAUnit) {
  WriteAll(File(), ExampleText());
  for (const char* name : {"Project.DPR", "Project.Dpr", "Package.dpk", "Project.dpr.bak",
                           "Project.bpr", "Project", "dpr", "Project.dpr/"}) {
    SCOPED_TRACE(name);
    const TCompDateUpdate update = Update(Path(name), false, ExampleMoment());
    EXPECT_FALSE(update.Written);
    EXPECT_EQ(std::make_pair(555, 666), Counters());
  }
  EXPECT_EQ(ExampleText(), ReadAll(File()));
  EXPECT_EQ(std::vector<std::string>{kCompDateFileName}, FolderEntries(folder_));

  // No file is made either where there was none.
  ASSERT_EQ(0, std::remove(File().c_str()));
  Update(Path("Project.DPR"), true, ExampleMoment());
  EXPECT_TRUE(FolderEntries(folder_).empty());
}

TEST_F(CompDateUpdateTest, TheUnitStandsInTheProjectsFolder) {
  // Only "/" separates folders: ":" and "\\" are characters of a file name.
  const std::pair<const char*, const char*> paths[] = {
      {"dir/sub/Project.dpr", "dir/sub/CompDate.pas"},
      {"/Project.dpr", "/CompDate.pas"},
      {"C:\\Projects\\Project.dpr", "CompDate.pas"},
      {"Project.dpr", "CompDate.pas"},
      {"v2:App.dpr", "CompDate.pas"},
      {"a\\b.dpr", "CompDate.pas"},
      {"dir/v2:App.dpr", "dir/CompDate.pas"},
  };
  for (const auto& [project, unit] : paths) {
    SCOPED_TRACE(project);
    EXPECT_TRUE(IsDelphiProject(project));
    EXPECT_EQ(unit, CompDatePath(project));
  }

  // Two projects of one folder share the file; a name without a folder part means
  // the current folder.
  ASSERT_EQ(0, ::mkdir(Path("sub").c_str(), 0755));
  Update(Path("sub/One.dpr"), false, ExampleMoment());
  Update(Path("sub/Two.dpr"), false, ExampleMoment());
  Update(Path("sub/One.dpr"), true, ExampleMoment());
  EXPECT_EQ(std::make_pair(2, 1), ReadCompDate(Path("sub/CompDate.pas")));
  ASSERT_EQ(0, ::chdir(Path("sub").c_str()));
  Update("One.dpr", false, ExampleMoment());
  EXPECT_EQ(std::make_pair(3, 1), ReadCompDate(Path("sub/CompDate.pas")));
  Update(Path("sub/v2:App.dpr"), false, ExampleMoment());
  Update(Path("sub/a\\b.dpr"), false, ExampleMoment());
  EXPECT_EQ(std::make_pair(5, 1), ReadCompDate(Path("sub/CompDate.pas")));
  EXPECT_EQ(std::vector<std::string>{kCompDateFileName}, FolderEntries(Path("sub")));
  EXPECT_EQ(std::vector<std::string>{"sub"}, FolderEntries(folder_));
}

// A write that fails part way through: the file size limit stops the new text
// after a few bytes.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, old_handler_);
  }
  bool ok() const { return ok_; }

 private:
  rlimit saved_{};
  void (*old_handler_)(int) = nullptr;
  bool ok_ = false;
};

TEST_F(CompDateUpdateTest, AWriteThatFailsPartWayLeavesThePreviousFileWhole) {
  WriteAll(File(), ExampleText());
  std::pair<std::string, std::string> error;
  {
    FileSizeLimit limit(64);
    ASSERT_TRUE(limit.ok());
    error = HostError([&] { Update(Path("Project.dpr"), false, ExampleMoment()); });
  }
  EXPECT_EQ("EInOutError", error.first);
  EXPECT_EQ(ExampleText(), ReadAll(File()));
  EXPECT_EQ(std::vector<std::string>{kCompDateFileName}, FolderEntries(folder_));
  // The next update goes on from the whole file.
  Update(Path("Project.dpr"), false, ExampleMoment());
  EXPECT_EQ(std::make_pair(13, 3), ReadCompDate(File()));
}

TEST_F(CompDateUpdateTest, WritesThatCannotStartLeaveEverythingAsItWas) {
  using Error = std::pair<std::string, std::string>;
  // The project's "folder" is a file.
  WriteAll(Path("plain"), "not a folder");
  EXPECT_EQ(Error("EInOutError", Path("plain/CompDate.pas") + ": Not a directory"),
            HostError([&] { Update(Path("plain/Project.dpr"), false, ExampleMoment()); }));
  EXPECT_EQ("not a folder", ReadAll(Path("plain")));

  // CompDate.pas is a folder: not a file to read, and not one to replace.
  ASSERT_EQ(0, ::mkdir(File().c_str(), 0755));
  WriteAll(Path("CompDate.pas/keep"), "kept");
  EXPECT_EQ(Error("EInOutError", File() + ": Is a directory"),
            HostError([&] { Update(Path("Project.dpr"), false, ExampleMoment()); }));
  EXPECT_EQ("kept", ReadAll(Path("CompDate.pas/keep")));
  EXPECT_EQ((std::vector<std::string>{kCompDateFileName, "plain"}), FolderEntries(folder_));
}

TEST_F(CompDateUpdateTest, ALinkedUnitIsReplacedThroughItsLink) {
  // A project folder whose CompDate.pas is a symbolic link to a shared file keeps
  // the link; the shared file gets the new text.
  ASSERT_EQ(0, ::mkdir(Path("shared").c_str(), 0755));
  WriteAll(Path("shared/CompDate.pas"), ExampleText());
  ASSERT_EQ(0, ::symlink("shared/CompDate.pas", File().c_str()));
  Update(Path("Project.dpr"), false, ExampleMoment());
  EXPECT_EQ(CompDateText(13, 3, ExampleMoment()), ReadAll(Path("shared/CompDate.pas")));
  struct stat info {};
  ASSERT_EQ(0, ::lstat(File().c_str(), &info));
  EXPECT_TRUE(S_ISLNK(info.st_mode));
}

}  // namespace
}  // namespace FleetforgeCompDate
