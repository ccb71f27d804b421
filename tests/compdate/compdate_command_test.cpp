// fleetforge compdate: the notifier's update as a pre-build step. Most cases run
// the command's code in-process; the last ones run the built executable.
#include "cli/compdate_command.h"

#include <sys/wait.h>

#include <climits>
#include <iostream>
#include <random>
#include <set>
#include <sstream>

#include "compdate/CompDateFile.h"
#include "compdate_support.h"
#include "tests/support/processes.h"

namespace {

using compdate_test::ExampleMoment;
using compdate_test::ExampleText;
using compdate_test::FolderEntries;
using compdate_test::ReadAll;
using compdate_test::ScopedEnv;
using compdate_test::WriteAll;
using fleetforge_test::Litter;
using FleetforgeCompDate::CompDateText;
using FleetforgeCompDate::ReadCompDate;

constexpr const char* kExampleEpoch = "1096466709";  // 2004-09-29 14:05:09 UTC

struct Outcome {
  int exit = -1;
  std::string out, err;
};

class CompDateCommandTest : public compdate_test::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    project_ = Path("Project.dpr");
    WriteAll(project_, "program Project;\r\nbegin\r\nend.\r\n");
  }

  Outcome Run(const std::string& project, bool codeInsight = false) {
    std::ostringstream out, err;
    Outcome outcome;
    outcome.exit = fleetforge::RunCompDate(project, codeInsight, out, err);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
  }

  std::string Unit() const { return Path("CompDate.pas"); }

  std::string project_;
  ScopedEnv utc_{"TZ", std::string("UTC0")};
  ScopedEnv epoch_{"SOURCE_DATE_EPOCH", std::string(kExampleEpoch)};
};

TEST_F(CompDateCommandTest, WritesAndCountsLikeACompile) {
  Outcome outcome = Run(project_);
  EXPECT_EQ(0, outcome.exit);
  EXPECT_EQ(Unit() + ": build 1, internal 0, 2004/9/29 14:05:09 (new file)\n", outcome.out);
  EXPECT_EQ("", outcome.err);
  EXPECT_EQ(CompDateText(1, 0, ExampleMoment()), ReadAll(Unit()));

  WriteAll(Unit(), CompDateText(12, 3, 1.0));
  outcome = Run(project_);
  EXPECT_EQ(Unit() + ": build 13, internal 3, 2004/9/29 14:05:09\n", outcome.out);
  EXPECT_EQ(CompDateText(13, 3, ExampleMoment()), ReadAll(Unit()));
  WriteAll(Unit(), ExampleText());
  EXPECT_EQ(0, Run(project_, true).exit);
  EXPECT_EQ(CompDateText(12, 4, ExampleMoment()), ReadAll(Unit()));

  WriteAll(Unit(), CompDateText(INT32_MAX, INT32_MAX, 1.0));
  EXPECT_EQ(0, Run(project_, true).exit);
  EXPECT_EQ(std::make_pair(INT32_MAX, INT32_MIN), ReadCompDate(Unit()));
}

TEST_F(CompDateCommandTest, TheEpochIsShownInLocalTime) {
  const struct {
    const char* zone;
    const char* epoch;
  } cases[] = {
      {"EST5", "1096484709"},                        // 19:05:09 UTC, five hours behind
      {"CET-1CEST,M3.5.0,M10.5.0/3", "1096459509"},  // 12:05:09 UTC, summer time
      {"JST-9", "1096434309"},                       // 05:05:09 UTC, nine hours ahead
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.zone);
    ScopedEnv zone("TZ", std::string(c.zone));
    ScopedEnv epoch("SOURCE_DATE_EPOCH", std::string(c.epoch));
    std::remove(Unit().c_str());
    EXPECT_EQ(0, Run(project_).exit);
    EXPECT_EQ(CompDateText(1, 0, ExampleMoment()), ReadAll(Unit()));
  }
  // The ends of the host's calendar.
  ScopedEnv epoch("SOURCE_DATE_EPOCH", std::string("-62135596800"));
  EXPECT_EQ(0, Run(project_).exit);
  EXPECT_EQ(CompDateText(2, 0, host::EncodeDate(1, 1, 1)), ReadAll(Unit()));
  EXPECT_EQ(std::optional<double>(host::EncodeDate(9999, 12, 31) + 86399.0 / 86400.0),
            fleetforge::LocalDateTimeFromEpoch(253402300799));
  EXPECT_EQ(std::optional<double>(25569.0), fleetforge::LocalDateTimeFromEpoch(0));
}

TEST_F(CompDateCommandTest, MomentsBeforeTheDateEpochAreWrittenAsTheSameInstant) {
  // Before 30 December 1899 the time of day is subtracted from the (negative) day.
  const struct {
    const char* epoch;
    const char *date, *time, *number;
  } cases[] = {
      {"-2209226400", "1899/12/29", "06:00:00", "-1.25000000000000E+0000"},
      {"-5364619200", "1800/1/1", "12:00:00", "-3.65225000000000E+0004"},
      {"-2209161599", "1899/12/30", "00:00:01", "1.15740740740741E-0005"},
      {"-2209161601", "1899/12/29", "23:59:59", "-1.99998842592593E+0000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.epoch);
    ScopedEnv epoch("SOURCE_DATE_EPOCH", std::string(c.epoch));
    std::remove(Unit().c_str());
    const Outcome outcome = Run(project_);
    EXPECT_EQ(0, outcome.exit);
    EXPECT_NE(std::string::npos, outcome.out.find(std::string(c.date) + " " + c.time));
    const std::vector<std::string> lines = compdate_test::Lines(ReadAll(Unit()));
    ASSERT_EQ(21u, lines.size());
    EXPECT_EQ("  CompileDate        :String    = '" + std::string(c.date) + "';", lines[14]);
    EXPECT_EQ("  CompileTime        :String    = '" + std::string(c.time) + "';", lines[15]);
    EXPECT_EQ("  CompileDateTime    :TDateTime = " + std::string(c.number) + ";", lines[16]);
  }
}

TEST_F(CompDateCommandTest, WithoutAnEpochTheClockCounts) {
  host::PinClock(ExampleMoment() + 2);
  for (const std::optional<std::string>& value :
       {std::optional<std::string>(), std::optional<std::string>("")}) {
    ScopedEnv epoch("SOURCE_DATE_EPOCH", value);
    std::remove(Unit().c_str());
    EXPECT_EQ(0, Run(project_).exit);
    EXPECT_EQ(CompDateText(1, 0, ExampleMoment() + 2), ReadAll(Unit()));
  }
}

TEST_F(CompDateCommandTest, AMalformedEpochIsRefusedBeforeAnyFileIsTouched) {
  WriteAll(Unit(), ExampleText());
  for (const char* value : {"abc", "12.5", " 12", "12 ", "+12", "1e9", "0x10",
                            "99999999999999999999", "253402300800", "-62135596801"}) {
    SCOPED_TRACE(value);
    ScopedEnv epoch("SOURCE_DATE_EPOCH", std::string(value));
    const Outcome outcome = Run(project_);
    EXPECT_EQ(2, outcome.exit);
    EXPECT_EQ("", outcome.out);
    EXPECT_NE(std::string::npos,
              outcome.err.find("SOURCE_DATE_EPOCH '" + std::string(value) + "'"));
    EXPECT_NE(std::string::npos, outcome.err.find(Unit() + " not written"));
  }
  EXPECT_EQ(ExampleText(), ReadAll(Unit()));
}

TEST_F(CompDateCommandTest, NamesThatAreNotDelphiProjectsAreLeftAlone) {
  for (const char* name : {"Project.DPR", "Package.dpk", "Project.bpr", "Project"}) {
    SCOPED_TRACE(name);
    const Outcome outcome = Run(Path(name));  // need not exist
    EXPECT_EQ(0, outcome.exit);
    EXPECT_EQ("fleetforge compdate: " + Path(name) +
                  ": not a Delphi project (the name does not end in \".dpr\"); nothing to do\n",
              outcome.out);
    EXPECT_EQ("", outcome.err);
  }
  EXPECT_EQ(std::vector<std::string>{"Project.dpr"}, FolderEntries(folder_));
}

TEST_F(CompDateCommandTest, FailuresNameTheFileAndLeaveItUnchanged) {
  // A missing project.
  Outcome outcome = Run(Path("Missing.dpr"));
  EXPECT_EQ(1, outcome.exit);
  EXPECT_EQ("fleetforge compdate: " + Path("Missing.dpr") + ": project file not found; " + Unit() +
                " not written\n",
            outcome.err);
  EXPECT_EQ(std::vector<std::string>{"Project.dpr"}, FolderEntries(folder_));

  // A malformed unit.
  const std::string text = "unit CompDate;\r\n\r\n// Build: twelve\r\n// Internal: 3\r\n";
  WriteAll(Unit(), text);
  outcome = Run(project_, true);
  EXPECT_EQ(1, outcome.exit);
  EXPECT_EQ("", outcome.out);
  EXPECT_EQ("fleetforge compdate: " + Unit() +
                ": 'twelve' is not a valid integer value (EConvertError); the file was left "
                "unchanged\n",
            outcome.err);
  EXPECT_EQ(text, ReadAll(Unit()));

  // A unit that cannot be replaced.
  ASSERT_EQ(0, std::remove(Unit().c_str()));
  ASSERT_EQ(0, ::mkdir(Unit().c_str(), 0755));
  outcome = Run(project_);
  EXPECT_EQ(1, outcome.exit);
  EXPECT_EQ("fleetforge compdate: " + Unit() +
                ": Is a directory (EInOutError); the file was left unchanged\n",
            outcome.err);
}

// ---- The executable ------------------------------------------------------------------

// Runs the built command with the given environment settings in front.
Outcome RunCli(const std::string& environment, const std::string& arguments,
               const std::string& scratch) {
  const std::string out = scratch + "/cli.out", err = scratch + "/cli.err";
  const std::string command = "env " + environment + " '" + FLEETFORGE_CLI + "' compdate " +
                              arguments + " >'" + out + "' 2>'" + err + "'";
  const int status = std::system(command.c_str());
  Outcome outcome;
  outcome.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.out = ReadAll(out);
  outcome.err = ReadAll(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return outcome;
}

TEST_F(CompDateCommandTest, TheExecutableUpdatesTheUnitWhateverTheIdeSettingSays) {
  // The IDE's setting is off in the registry the command would see.
  const std::string registry = Path("registry.reg");
  WriteAll(registry,
           "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Fleetforge]\r\n"
           "\"CloseDefault\"=dword:00000001\r\n\"HideCaptions\"=dword:00000000\r\n"
           "\"MaximizeEditor\"=dword:00000000\r\n\"CreateCompDate\"=dword:00000000\r\n"
           "\"ChangeIcon\"=dword:00000000\r\n\"ObjectInspectorHeight\"=dword:0000012c\r\n\r\n");
  const std::string env =
      "TZ=UTC0 SOURCE_DATE_EPOCH=1096466709 FLEETFORGE_REGISTRY='" + registry + "'";
  WriteAll(Unit(), CompDateText(11, 3, 1.0));
  Outcome outcome = RunCli(env, "'" + project_ + "'", folder_);
  EXPECT_EQ(0, outcome.exit) << outcome.err;
  EXPECT_EQ(ExampleText(), ReadAll(Unit()));
  EXPECT_EQ(Unit() + ": build 12, internal 3, 2004/9/29 14:05:09\n", outcome.out);

  outcome = RunCli(env, "--code-insight '" + project_ + "'", folder_);
  EXPECT_EQ(0, outcome.exit) << outcome.err;
  EXPECT_EQ(CompDateText(12, 4, ExampleMoment()), ReadAll(Unit()));

  // Errors reach the caller of the pre-build step as a failing exit.
  WriteAll(Unit(), "unit CompDate;\r\n");
  outcome = RunCli(env, "'" + project_ + "'", folder_);
  EXPECT_EQ(1, outcome.exit);
  EXPECT_NE(std::string::npos, outcome.err.find(Unit() + ": '' is not a valid integer value"));
  EXPECT_EQ("unit CompDate;\r\n", ReadAll(Unit()));
  outcome = RunCli(env, "'" + Path("P.DPR") + "'", folder_);
  EXPECT_EQ(0, outcome.exit);
  EXPECT_NE(std::string::npos, outcome.out.find("nothing to do"));
}

// Parallel runs in one folder (two projects, a parallel make): every run counts,
// each with its own build number.
TEST_F(CompDateCommandTest, ParallelRunsCountEveryBuild) {
  constexpr int kRuns = 50;
  const std::string outs = Path("outs");
  ASSERT_EQ(0, ::mkdir(outs.c_str(), 0755));
  std::vector<pid_t> runs;
  for (int n = 0; n < kRuns; ++n) {
    runs.push_back(fleetforge_test::StartShell(
        std::string("exec '") + FLEETFORGE_CLI + "' compdate '" + project_ + "'", {},
        outs + "/" + std::to_string(n)));
  }
  for (const pid_t pid : runs) EXPECT_EQ(0, fleetforge_test::WaitFor(pid));
  std::set<int> builds;
  for (int n = 0; n < kRuns; ++n) {
    const std::string out = ReadAll(outs + "/" + std::to_string(n));
    const size_t at = out.find(": build ");
    if (at != std::string::npos) builds.insert(std::atoi(out.c_str() + at + 8));
  }
  EXPECT_EQ(static_cast<size_t>(kRuns), builds.size()) << "distinct build numbers";
  EXPECT_EQ(std::make_pair(kRuns, 0), ReadCompDate(Unit()));
  EXPECT_EQ(CompDateText(kRuns, 0, ExampleMoment()), ReadAll(Unit()));
  EXPECT_EQ(0u, Litter(folder_));
}

// Runs killed at random moments leave a whole unit that counts every run that
// got as far as its write.
TEST_F(CompDateCommandTest, KilledRunsLeaveAWholeFileThatCountsTheFinishedOnes) {
  const int runs = fleetforge_test::KilledRunCount();
  std::mt19937 random(54321);
  int finished = 0, checked = 0, whole = 0, counted = 0, stray = 0;
  for (int n = 1; n <= runs; ++n) {
    finished += fleetforge_test::KillAtRandom(std::string("exec '") + FLEETFORGE_CLI +
                                                  "' compdate '" + project_ + "' >/dev/null",
                                              random, 40000) == 0;
    const std::string text = ReadAll(Unit());
    if (text.empty()) continue;  // no run has written yet
    ++checked;
    counted = ReadCompDate(Unit()).first;
    whole += text == CompDateText(counted, 0, ExampleMoment());
    EXPECT_LE(finished, counted);
    EXPECT_GE(n, counted);
    stray += Litter(folder_) != 0;
  }
  EXPECT_EQ(checked, whole) << "files that were whole units";
  EXPECT_EQ(0, Run(project_).exit);
  EXPECT_EQ(counted + 1, ReadCompDate(Unit()).first);
  EXPECT_EQ(0u, Litter(folder_)) << "the next write removes what killed runs left";
  std::cout << "[ killed ] " << runs << " compdate runs killed: " << finished
            << " finished, the file counts " << counted << ", " << stray
            << " left a temporary or lock file until the next run\n";
}

// A malformed counter of a megabyte is quoted by its first characters only.
TEST_F(CompDateCommandTest, AHugeMalformedCounterIsQuotedShort) {
  WriteAll(Unit(), "unit CompDate;\r\n\r\n// Build: \x1b]0;x\x07" + std::string(1 << 20, '7') +
                       "\r\n// Internal: 3\r\n");
  const Outcome outcome = Run(project_);
  EXPECT_EQ(1, outcome.exit);
  EXPECT_LT(outcome.err.size(), 300u);
  EXPECT_EQ(std::string::npos, outcome.err.find('\x1b'));
  EXPECT_NE(std::string::npos, outcome.err.find("'\\x1B]0;x\\x07777")) << outcome.err;
}

}  // namespace
