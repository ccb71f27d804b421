// The fleetforge command as a user runs it: sessions with scripts, the state
// it prints, the settings commands and their errors.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

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

TEST_F(Command, WindowsMovedOrSizedFarOutStayWithinTheWindowSystemsRange) {
  // Whatever the script asks for, a window keeps positions within -32768..32767
  // and sizes within 0..32767, so its edges never wrap (the sanitizer build runs
  // these without a report).
  const std::optional<int> kAsPlaced;
  const struct {
    const char* action;
    std::optional<int> left, top, width, height;
  } cases[] = {
      {"move PropertyInspector 2147483647 0", 32767, 0, kAsPlaced, kAsPlaced},
      {"size PropertyInspector 2147483647 2147483647", kAsPlaced, kAsPlaced, 32767, 32767},
      {"move PropertyInspector -2147483648 -2147483648", -32768, -32768, kAsPlaced, kAsPlaced},
      {"size PropertyInspector -2147483648 -2147483648", kAsPlaced, kAsPlaced, 0, 0},
  };
  const auto inspector = [&](const std::string& script) {
    const Result r = RunCli("run --json --script -" + common_, script + "state\n");
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    const auto states = JsonLines(r.Out);
    for (const auto& form : states.at(0)["forms"])
      if (form["name"] == "PropertyInspector") return form;
    return nlohmann::json();
  };
  const nlohmann::json placed = inspector("");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.action);
    const nlohmann::json form = inspector(std::string(c.action) + "\n");
    EXPECT_EQ(form["left"], c.left.value_or(placed["left"]));
    EXPECT_EQ(form["top"], c.top.value_or(placed["top"]));
    EXPECT_EQ(form["width"], c.width.value_or(placed["width"]));
    EXPECT_EQ(form["height"], c.height.value_or(placed["height"]));
  }
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
       {"Height=5", "HideCaptions=maybe", "ObjectInspectorHeight=abc", "HideCaptions"}) {
    SCOPED_TRACE(args);
    const Result r = RunCli("options set --registry " + registry_ + " " + args);
    EXPECT_NE(r.Exit, 0);
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

}  // namespace
