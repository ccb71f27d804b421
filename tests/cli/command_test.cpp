// The fleetforge command as a user runs it: sessions with scripts, the state
// it prints, the settings commands and their errors.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include <nlohmann/json.hpp>

#include "tests/support/ide_session.h"

namespace {

namespace fs = std::filesystem;

struct Result {
  int Exit = -1;
  std::string Out;
  std::string Err;
};

// Runs the command with the given arguments (and standard input), capturing both streams.
Result RunCli(const std::string& args, const std::string& input = "") {
  const std::string dir = fleetforge_test::ScratchFolder("cli-run");
  const std::string in = dir + "/in", out = dir + "/out", err = dir + "/err";
  std::ofstream(in) << input;
  const std::string command =
      std::string(FLEETFORGE_CLI) + " " + args + " <" + in + " >" + out + " 2>" + err;
  const int status = std::system(command.c_str());
  Result r;
  r.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ostringstream o, e;
  o << std::ifstream(out).rdbuf();
  e << std::ifstream(err).rdbuf();
  r.Out = o.str();
  r.Err = e.str();
  return r;
}

std::vector<nlohmann::json> JsonLines(const std::string& text) {
  std::vector<nlohmann::json> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    if (!line.empty()) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

class Command : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fleetforge_test::ScratchFolder("cli");
    registry_ = dir_ + "/registry.reg";
    common_ = " --registry " + registry_ + " --projects " + dir_ + "/Projects";
  }
  std::string dir_, registry_, common_;
};

TEST_F(Command, RunWithoutScriptStartsUpAndPrintsOneState) {
  const Result r = RunCli("run --json" + common_);
  ASSERT_EQ(r.Exit, 0) << r.Err;
  const auto states = JsonLines(r.Out);
  ASSERT_EQ(states.size(), 1u);
  const auto& s = states[0];
  EXPECT_EQ(s["format"], 1);
  EXPECT_EQ(s["mode"], "active");
  EXPECT_EQ(s["clock_ms"], 3000);
  EXPECT_EQ(s["main_form"], "AppBuilder");
  EXPECT_EQ(s["screen"]["work_area"], nlohmann::json::array({0, 0, 1024, 738}));
  EXPECT_EQ(s["screen"]["metrics"]["SM_CXMAXIMIZED"], 1032);
  EXPECT_EQ(s["screen"]["metrics"]["SM_CYFULLSCREEN"], 719);
  EXPECT_EQ(s["project"], "") << "the empty default project was closed on the first tick";
  EXPECT_TRUE(s["messages"].empty());
  EXPECT_TRUE(s["errors"].empty());
  EXPECT_FALSE(fs::exists(registry_)) << "reading the settings creates no file";
}

TEST_F(Command, ScreenAndTaskbarFollowTheCommandLine) {
  const Result r = RunCli("run --json --screen 1280x1024 --taskbar top:30" + common_, "state\n");
  ASSERT_EQ(r.Exit, 0) << r.Err;
  const auto states = JsonLines(r.Out);
  ASSERT_EQ(states.size(), 1u);
  EXPECT_EQ(states[0]["screen"]["work_area"], nlohmann::json::array({0, 30, 1280, 1024}));
}

TEST_F(Command, ScriptFromStandardInputWithOneStatePerStateAction) {
  const Result r =
      RunCli("run --json --script -" + common_, "# two looks\nstate\nwait 500\nstate\n");
  ASSERT_EQ(r.Exit, 0) << r.Err;
  const auto states = JsonLines(r.Out);
  ASSERT_EQ(states.size(), 3u);
  EXPECT_EQ(states[0]["clock_ms"], 0);
  EXPECT_EQ(states[1]["clock_ms"], 500);
  EXPECT_EQ(states[2]["clock_ms"], 500);
}

TEST_F(Command, InstallIntoTheRunningIdeAsksForARestart) {
  const Result r =
      RunCli("run --json --no-package --script -" + common_, "install\nkey enter\nwait 2000\n");
  ASSERT_EQ(r.Exit, 0) << r.Err;
  const auto s = JsonLines(r.Out).back();
  EXPECT_EQ(s["mode"], "dormant");
  ASSERT_EQ(s["messages"].size(), 1u);
  EXPECT_EQ(s["messages"][0]["text"], "Please restart Delphi to activate Fleetforge!");
  EXPECT_EQ(s["messages"][0]["caption"], "Fleetforge");
  EXPECT_EQ(s["tools_menu"][0]["name"], "FleetforgeOptions");
}

TEST_F(Command, UnknownActionStopsTheRunNamingTheLine) {
  const Result r = RunCli("run --script -" + common_, "wait 10\n\njump 3\n");
  EXPECT_EQ(r.Exit, 2);
  EXPECT_NE(r.Err.find("line 3"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("jump"), std::string::npos) << r.Err;
  EXPECT_TRUE(r.Out.empty()) << "nothing was run";
}

TEST_F(Command, NameThatMatchesNothingStopsTheRunNamingTheLine) {
  for (const std::string script : {"move NoSuchForm 1 2\n", "menu File>Nothing Here\n",
                                   "wait 5\nkey enter\ncheck ckNone on\n"}) {
    SCOPED_TRACE(script);
    const Result r = RunCli("run --script -" + common_, script);
    EXPECT_EQ(r.Exit, 2);
    EXPECT_NE(r.Err.find("line "), std::string::npos) << r.Err;
  }
}

TEST_F(Command, WrongArgumentsAreReportedBeforeAnythingRuns) {
  for (const std::string script :
       {"wait\n", "wait soon\n", "move PropertyInspector 1\n", "state now\n"}) {
    SCOPED_TRACE(script);
    const Result r = RunCli("run --script -" + common_, script);
    EXPECT_EQ(r.Exit, 2);
    EXPECT_NE(r.Err.find("line 1"), std::string::npos) << r.Err;
  }
  EXPECT_EQ(RunCli("run --screen 12x" + common_).Exit, 2);
  EXPECT_EQ(RunCli("run --taskbar middle:30" + common_).Exit, 2);
}

TEST_F(Command, MenuCommandClosesTheProject) {
  const Result r = RunCli("run --json --script -" + common_, "menu &file>close all\nstate\n");
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(JsonLines(r.Out)[0]["project"], "");
}

TEST_F(Command, OptionsShowGivesTheDefaultsAndCreatesNothing) {
  const Result r = RunCli("options show --registry " + registry_);
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "CloseDefault=true\nHideCaptions=false\nMaximizeEditor=false\nCreateCompDate=true\n"
            "ChangeIcon=false\nObjectInspectorHeight=0\n");
  EXPECT_FALSE(fs::exists(registry_));
}

TEST_F(Command, OptionsSetWritesAllSixAndTheSessionReadsThem) {
  Result r =
      RunCli("options set --registry " + registry_ + " HideCaptions=true ObjectInspectorHeight=-5");
  ASSERT_EQ(r.Exit, 0) << r.Err;
  r = RunCli("options show --registry " + registry_);
  EXPECT_EQ(r.Out,
            "CloseDefault=true\nHideCaptions=true\nMaximizeEditor=false\nCreateCompDate=true\n"
            "ChangeIcon=false\nObjectInspectorHeight=-5\n");
  std::ostringstream text;
  text << std::ifstream(registry_).rdbuf();
  for (const char* line :
       {"\"CloseDefault\"=dword:00000001", "\"HideCaptions\"=dword:00000001",
        "\"MaximizeEditor\"=dword:00000000", "\"CreateCompDate\"=dword:00000001",
        "\"ChangeIcon\"=dword:00000000", "\"ObjectInspectorHeight\"=dword:fffffffb"})
    EXPECT_NE(text.str().find(line), std::string::npos) << line;
  r = RunCli("run --json" + common_);
  ASSERT_EQ(r.Exit, 0) << r.Err;
  const auto s = JsonLines(r.Out).back();
  EXPECT_EQ(s["options"]["HideCaptions"], true);
  EXPECT_EQ(s["options"]["ObjectInspectorHeight"], -5);
}

TEST_F(Command, OptionsSetRejectsBadInputAndWritesNothing) {
  for (const std::string args :
       {"Height=5", "HideCaptions=maybe", "ObjectInspectorHeight=abc", "HideCaptions",
        "HideCaptions=yes", "ChangeIcon=on", "ObjectInspectorHeight=2147483648",
        "ObjectInspectorHeight=1e3", "ObjectInspectorHeight="}) {
    SCOPED_TRACE(args);
    const Result r = RunCli("options set --registry " + registry_ + " " + args);
    EXPECT_EQ(r.Exit, 2);
    EXPECT_FALSE(r.Err.empty());
    EXPECT_FALSE(fs::exists(registry_));
  }
}

TEST_F(Command, OptionsShowReportsAFailedRead) {
  std::ofstream(registry_)
      << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Fleetforge]\r\n"
         "\"CloseDefault\"=dword:00000000\r\n\"HideCaptions\"=\"yes\"\r\n";
  const Result r = RunCli("options show --registry " + registry_);
  EXPECT_EQ(r.Exit, 1);
  EXPECT_NE(r.Err.find("ERegistryException"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("Invalid data type for 'HideCaptions'"), std::string::npos) << r.Err;
}

}  // namespace

namespace {

TEST_F(Command, ClosingTheMainWindowShutsTheIdeDown) {
  const Result r = RunCli("run --json --script -" + common_, "close AppBuilder\nwait 2000\n");
  ASSERT_EQ(r.Exit, 0) << r.Err;
  const auto s = JsonLines(r.Out).back();
  EXPECT_EQ(s["mode"], "unloaded");
  EXPECT_TRUE(s["forms"].empty());
  EXPECT_TRUE(s["errors"].empty());
}

// The conventions of the command line: version, help, usage errors (exit 2,
// "fleetforge:" first), options after the command words.
TEST_F(Command, CommandLineConventions) {
  const std::string package = FLEETFORGE_DEFAULT_PACKAGE;
  struct Case {
    std::string Args;
    int Exit;
    std::string Out, Err;  // expected at the start of the output / anywhere in the errors
  };
  for (const Case& c : std::vector<Case>{
           {"--version", 0, "fleetforge 0.", ""},
           {"help", 0, "fleetforge: the IDE add-in", ""},
           {"help run", 0, "Run a session", ""},
           {"help options set", 0, "Write the settings", ""},
           {"run --help", 0, "Run a session", ""},
           {"help nothing", 2, "", "fleetforge: help: no command 'nothing'"},
           {"", 2, "", "fleetforge: "},
           {"frobnicate", 2, "", "fleetforge: no command 'frobnicate'"},
           {"run --screen", 2, "", "fleetforge: "},
           {"run --no-such-option", 2, "", "fleetforge: "},
           {"options show --package " + package + " --registry " + registry_, 0,
            "CloseDefault=true", ""},
           {"options --registry " + registry_ + " show --package " + package, 0,
            "CloseDefault=true", ""},
       }) {
    SCOPED_TRACE(c.Args);
    const Result r = RunCli(c.Args);
    EXPECT_EQ(r.Exit, c.Exit) << r.Err;
    EXPECT_EQ(r.Out.rfind(c.Out, 0), 0u) << r.Out;
    EXPECT_NE(r.Err.find(c.Err), std::string::npos) << r.Err;
    if (c.Exit == 2) {
      EXPECT_EQ(r.Err.rfind("fleetforge: ", 0), 0u) << r.Err;
    }
  }
  EXPECT_NE(RunCli("help").Out.find("SOURCE_DATE_EPOCH"), std::string::npos)
      << "the environment is documented";
}

// What run reports: a package that cannot be loaded (1), a script that cannot
// go on (2, naming the line), IDE-reported errors with --fail-on-error (3).
TEST_F(Command, RunSaysWhenSomethingFailed) {
  const std::string fixtures = FLEETFORGE_FIXTURE_DIR;
  struct Case {
    std::string Args, Script;
    int Exit;
    std::vector<std::string> Err;  // all in the error output
  };
  for (const Case& c : std::vector<Case>{
           {"--package " + fixtures + "/fixture_not_a_package.bpl",
            "state\n",
            1,
            {"fixture_not_a_package.bpl could not be loaded", "not a package module"}},
           {"--no-package --package " + fixtures + "/fixture_no_initialize.bpl",
            "install\n",
            1,
            {"fixture_no_initialize.bpl could not be loaded", "no Initialize entry point"}},
           {"",
            "wait 10\nsnapshot " + dir_ + "/no/such/folder/x.png\n",
            2,
            {"line 2", "cannot write", "snapshot"}},
           {"",
            "wait 10\nmenu Tools>Fleetforge Options...\nwait 500\n",
            2,
            {"line 2", "\"Fleetforge Options\"", "waits for its input"}},
           {"--fail-on-error", "open " + dir_ + "/Missing.dpr\n", 3, {"reported 1 error(s)"}},
           {"", "open " + dir_ + "/Missing.dpr\n", 0, {}},
       }) {
    SCOPED_TRACE(c.Args + " / " + c.Script);
    const Result r = RunCli("run --json --script -" + common_ + " " + c.Args, c.Script);
    EXPECT_EQ(r.Exit, c.Exit) << r.Err;
    for (const std::string& part : c.Err) EXPECT_NE(r.Err.find(part), std::string::npos) << r.Err;
    if (c.Exit == 3 || c.Exit == 0) {
      const auto states = JsonLines(r.Out);
      ASSERT_FALSE(states.empty()) << "the state is printed first";
      EXPECT_EQ(states.back()["errors"].size(), 1u);
    }
  }
  const Result folder = RunCli("run --script " + dir_ + common_);
  EXPECT_EQ(folder.Exit, 2);
  EXPECT_NE(folder.Err.find(dir_ + ": is a folder"), std::string::npos) << folder.Err;
  EXPECT_TRUE(folder.Out.empty());
}

// After the bar's minimise button the IDE's windows are not on screen, and the
// state says so; restored, they are back.
TEST_F(Command, MinimisedIdeShowsNoWindow) {
  ASSERT_EQ(RunCli("options set --registry " + registry_ + " HideCaptions=true").Exit, 0);
  const Result r = RunCli("run --json --script -" + common_,
                          "wait 1000\nclick 1001 7\nstate\ndeactivate\nactivate\n");
  ASSERT_EQ(r.Exit, 0) << r.Err;
  const auto states = JsonLines(r.Out);
  ASSERT_EQ(states.size(), 2u);
  for (const auto& form : states[0]["forms"]) {
    SCOPED_TRACE(form["name"].get<std::string>());
    EXPECT_FALSE(form["shown"].get<bool>());
  }
  EXPECT_TRUE(states[0]["forms"][0]["visible"].get<bool>()) << "minimised, not hidden";
  for (const auto& form : states[1]["forms"]) {
    if (form["name"] == "AppBuilder" || form["name"] == "PropertyInspector") {
      EXPECT_TRUE(form["shown"].get<bool>()) << form["name"];
    }
  }
}

// The session's clock starts at SOURCE_DATE_EPOCH (else at a fixed moment) and
// moves with the script's waits: a compile in the session writes that time.
TEST_F(Command, SessionClockStartsAtSourceDateEpoch) {
  const std::string project = dir_ + "/P.dpr";
  std::ofstream(project) << "program P;\nbegin\nend.\n";
  ::setenv("TZ", "UTC", 1);
  for (const auto& [epoch, exit, date, time] :
       std::vector<std::tuple<std::string, int, std::string, std::string>>{
           {"1767268800", 0, "'2026/1/1'", "'12:01:01'"},
           {"", 0, "'2026/1/1'", "'00:01:01'"},
           {"noon", 2, "", ""}}) {
    SCOPED_TRACE(epoch);
    ::setenv("SOURCE_DATE_EPOCH", epoch.c_str(), 1);
    fs::remove(dir_ + "/CompDate.pas");
    const Result r =
        RunCli("run --quiet --script -" + common_, "wait 61000\nopen " + project + "\ncompile\n");
    EXPECT_EQ(r.Exit, exit) << r.Err;
    std::ostringstream text;
    text << std::ifstream(dir_ + "/CompDate.pas").rdbuf();
    if (exit == 0) {
      EXPECT_NE(text.str().find(date), std::string::npos) << text.str();
      EXPECT_NE(text.str().find(time), std::string::npos) << text.str();
    } else {
      EXPECT_NE(r.Err.find("SOURCE_DATE_EPOCH"), std::string::npos) << r.Err;
      EXPECT_FALSE(fs::exists(dir_ + "/CompDate.pas")) << "nothing ran";
    }
  }
  ::unsetenv("SOURCE_DATE_EPOCH");
  ::unsetenv("TZ");
}

}  // namespace
