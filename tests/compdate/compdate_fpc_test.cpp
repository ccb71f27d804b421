// The generated unit in a real Pascal compiler: Free Pascal, in Delphi mode,
// compiles a program that uses CompDate and prints its seven variables; the
// printed values must be the ones the unit was written with, and Free Pascal's
// own date decoding must read the date-time number back to the written date and
// time.
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdlib>

#include "compdate/CompDateFile.h"
#include "compdate_support.h"

namespace {

using compdate_test::ExampleMoment;
using compdate_test::Lines;
using compdate_test::ReadAll;
using compdate_test::WriteAll;
using FleetforgeCompDate::CompDateText;

// The fpc driver on PATH, or "".
std::string FindCompiler() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = dirs.substr(start, end - start);
    const std::string candidate = (dir.empty() ? "." : dir) + "/fpc";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

constexpr const char* kProgram =
    "program Show;\r\n"
    "{$mode delphi}\r\n"
    "uses SysUtils, CompDate;\r\n"
    "begin\r\n"
    "  WriteLn(CompileBuild);\r\n"
    "  WriteLn(CompileBuildStr);\r\n"
    "  WriteLn(CompileInternal);\r\n"
    "  WriteLn(CompileInternalStr);\r\n"
    "  WriteLn(CompileDate);\r\n"
    "  WriteLn(CompileTime);\r\n"
    "  WriteLn(CompileDateTime:0:10);\r\n"
    "  WriteLn(FormatDateTime('yyyy\"/\"m\"/\"d hh\":\"nn\":\"ss', CompileDateTime));\r\n"
    "end.\r\n";

class CompDateFpcTest : public compdate_test::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    compiler_ = FindCompiler();
    if (compiler_.empty())
      GTEST_SKIP() << "fpc is not on PATH: the Free Pascal compiler (Debian package fp-compiler, "
                      "installed by scripts/setup.sh) is needed to compile the generated unit";
    WriteAll(Path("Show.dpr"), kProgram);
  }

  // Compiles Show.dpr with the CompDate.pas beside it and runs it; the lines it
  // printed.
  std::vector<std::string> CompileAndRun() {
    const std::string out = Path("out");
    std::filesystem::create_directories(out);
    const std::string log = Path("fpc.log");
    const std::string compile = "cd '" + folder_ + "' && '" + compiler_ + "' -Mdelphi -vew -FE'" +
                                out + "' Show.dpr >'" + log + "' 2>&1";
    const int status = std::system(compile.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ReadAll(log);
    const std::string printed = Path("printed.txt");
    const std::string run = "'" + out + "/Show' >'" + printed + "'";
    EXPECT_EQ(0, std::system(run.c_str()));
    std::vector<std::string> lines;
    std::istringstream in(ReadAll(printed));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::filesystem::remove_all(out);
    return lines;
  }

  // The program's output against what the unit says.
  void ExpectValues(int32_t build, int32_t internal, const std::string& date,
                    const std::string& time, host::TDateTime moment) {
    const std::vector<std::string> unit = Lines(ReadAll(Path("CompDate.pas")));
    ASSERT_EQ(21u, unit.size());
    const std::vector<std::string> printed = CompileAndRun();
    ASSERT_EQ(8u, printed.size());
    EXPECT_EQ(std::to_string(build), printed[0]);
    EXPECT_EQ(std::to_string(build), printed[1]);
    EXPECT_EQ(std::to_string(internal), printed[2]);
    EXPECT_EQ(std::to_string(internal), printed[3]);
    EXPECT_EQ(date, printed[4]);
    EXPECT_EQ(time, printed[5]);
    // The number as written has 15 significant digits; printed with ten decimals
    // it names the same moment to within the last printed digit.
    const std::string prefix = "  CompileDateTime    :TDateTime = ";
    const double written = std::strtod(unit[16].substr(prefix.size()).c_str(), nullptr);
    const double compiled = std::strtod(printed[6].c_str(), nullptr);
    EXPECT_NEAR(written, compiled, 0.6e-10);
    EXPECT_NEAR(moment, compiled, 1e-9);
    // Free Pascal decodes the number to the same instant (a colon here, whatever
    // the locale's separator).
    std::string decoded = time;
    for (char& ch : decoded)
      if (ch < '0' || ch > '9') ch = ':';
    EXPECT_EQ(date + " " + decoded, printed[7]);
  }

  std::string compiler_;
};

TEST_F(CompDateFpcTest, TheExampleUnitCompilesToItsValues) {
  FleetforgeCompDate::WriteCompDate(Path("CompDate.pas"), 12, 3, ExampleMoment());
  ExpectValues(12, 3, "2004/9/29", "14:05:09", ExampleMoment());
}

TEST_F(CompDateFpcTest, ExtremeCountersAndAnotherSeparatorCompile) {
  // The update of the program's own unit, with both counters at the ends of
  // their range after the compile, and a locale whose time separator is a dot.
  host::SetTimeSeparator('.');
  const host::TDateTime moment = host::EncodeDate(2004, 1, 5) + host::EncodeTime(9, 3, 7, 0);
  WriteAll(Path("CompDate.pas"), CompDateText(INT32_MAX, 2147483646, moment));
  int32_t build = 0, internal = 0;
  FleetforgeCompDate::UpdateCompDate(Path("Show.dpr"), false, build, internal, moment);
  FleetforgeCompDate::UpdateCompDate(Path("Show.dpr"), true, build, internal, moment);
  ExpectValues(INT32_MIN, INT32_MAX, "2004/1/5", "09.03.07", moment);
}

TEST_F(CompDateFpcTest, DatesBeforeTheEpochOfTheCalendarCompileToTheSameInstant) {
  // Negative date-time numbers: the time of day counts away from the epoch day.
  // The moments come from the clock's own conversion of local milliseconds.
  const struct {
    host::TDateTime moment;
    const char *date, *time;
  } cases[] = {
      {host::EncodeDate(1800, 1, 1) - host::EncodeTime(18, 0, 0, 0), "1800/1/1", "18:00:00"},
      {host::DateTimeFromUnixMs(-2209226400000), "1899/12/29", "06:00:00"},
      {host::DateTimeFromUnixMs(-5364619200000), "1800/1/1", "12:00:00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.date + std::string(" ") + c.time);
    FleetforgeCompDate::WriteCompDate(Path("CompDate.pas"), -1, 0, c.moment);
    const std::vector<std::string> unit = Lines(ReadAll(Path("CompDate.pas")));
    EXPECT_EQ("  CompileDate        :String    = '" + std::string(c.date) + "';", unit[14]);
    ExpectValues(-1, 0, c.date, c.time, c.moment);
  }
}

}  // namespace
