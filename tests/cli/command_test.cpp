// The fleetforge command as a user runs it: sessions with scripts, the state
// it prints, the settings commands and their errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

#include <nlohmann/json.hpp>

#include "tests/support/command_copy.h"
#include "tests/support/environment.h"
#include "tests/support/files.h"
#include "tests/support/folders.h"
#include "tests/support/ide_session.h"
#include "tests/support/processes.h"

namespace {

namespace fs = std::filesystem;
using fleetforge_test::ReadAll;

struct Result {
  int Exit = -1;
  std::string Out;
  std::string Err;
};

// Runs the command with the given arguments (and standard input), capturing both streams.
Result RunCli(const std::string& args, const std::string& input = "") {
  const fleetforge_test::TempFolder scratch("cli-run");
  fleetforge_test::WriteAll(scratch.Path("in"), input);
  const auto r = fleetforge_test::Shell(
      std::string(FLEETFORGE_CLI) + " " + args + " <" + scratch.Path("in"), scratch.Path("run"));
  return {r.exit, r.out, r.err};
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
  const std::string dir_ = fleetforge_test::ScratchFolder("cli");
  const std::string registry_ = dir_ + "/registry.reg";
  const std::string common_ = " --registry " + registry_ + " --projects " + dir_ + "/Projects";
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

// A script line of a megabyte with escape sequences is quoted short and safe.
TEST_F(Command, AHugeScriptLineIsQuotedShort) {
  const std::string huge = "\x1b]0;x\x07" + std::string(1 << 20, 'y');
  for (const std::string& script : {"jump " + huge + "\n", "wait " + huge + "\n"}) {
    const Result r = RunCli("run --script -" + common_, script);
    EXPECT_EQ(r.Exit, 2);
    EXPECT_LT(r.Err.size(), 400u);
    EXPECT_EQ(r.Err.find('\x1b'), std::string::npos);
    EXPECT_NE(r.Err.find("line 1"), std::string::npos) << r.Err.substr(0, 400);
  }
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

TEST_F(Command, MenuCommandsCloseAndCompileTheProject) {
  const Result r = RunCli("run --json --script -" + common_, "menu &file>close all\nstate\n");
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(JsonLines(r.Out)[0]["project"], "");

  // A project named on the command line is the open one, which the add-in
  // leaves open; Project > Compile counts in the CompDate.pas beside it.
  fleetforge_test::WriteAll(dir_ + "/App.dpr", "program App;\r\nbegin\r\nend.\r\n");
  const Result named = RunCli("run --json --script -" + common_ + " " + dir_ + "/App.dpr",
                              "wait 2000\nmenu Project>Compile\nstate\n");
  ASSERT_EQ(named.Exit, 0) << named.Err;
  EXPECT_EQ(JsonLines(named.Out)[0]["project"], dir_ + "/App.dpr");
  EXPECT_NE(ReadAll(dir_ + "/CompDate.pas").find("// Build: 1\r\n"), std::string::npos);
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
  const std::string text = ReadAll(registry_);
  for (const char* line :
       {"\"CloseDefault\"=dword:00000001", "\"HideCaptions\"=dword:00000001",
        "\"MaximizeEditor\"=dword:00000000", "\"CreateCompDate\"=dword:00000001",
        "\"ChangeIcon\"=dword:00000000", "\"ObjectInspectorHeight\"=dword:fffffffb"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
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

TEST_F(Command, ClosingTheMainWindowShutsTheIdeDown) {
  const Result r = RunCli("run --json --script -" + common_, "close AppBuilder\nwait 2000\n");
  ASSERT_EQ(r.Exit, 0) << r.Err;
  const auto s = JsonLines(r.Out).back();
  EXPECT_EQ(s["mode"], "unloaded");
  EXPECT_TRUE(s["forms"].empty());
  EXPECT_TRUE(s["errors"].empty());
}

// ---- options set as one transaction -------------------------------------------

using fleetforge_test::ChildSetup;
using fleetforge_test::kNobody;
using fleetforge_test::Litter;

const char* const kSettingNames[] = {"CloseDefault",   "HideCaptions", "MaximizeEditor",
                                     "CreateCompDate", "ChangeIcon",   "ObjectInspectorHeight"};

// The six settings of run number n: switch k is bit k of n, the height 1000 + n.
std::string SetAll(int n) {
  std::string args;
  for (int k = 0; k < 5; ++k)
    args += std::string(" ") + kSettingNames[k] + ((n >> k) & 1 ? "=true" : "=false");
  return args + " ObjectInspectorHeight=" + std::to_string(1000 + n);
}

// The run whose complete set the file holds, or -1 when the six values are not
// one run's set.
int WholeSetIn(const std::string& text) {
  const std::string key = "\"ObjectInspectorHeight\"=dword:";
  const size_t at = text.find(key);
  if (at == std::string::npos) return -1;
  const int n = std::stoi(text.substr(at + key.size(), 8), nullptr, 16) - 1000;
  for (int k = 0; k < 5; ++k) {
    const std::string line =
        std::string("\"") + kSettingNames[k] + "\"=dword:0000000" + std::to_string((n >> k) & 1);
    if (text.find(line) == std::string::npos) return -1;
  }
  return n;
}

// A write that does not happen fails, names the file and the cause, and changes nothing.
// The runs as the unprivileged user run a copy of the command in a place that user
// can reach (ReachableCommand).
TEST_F(Command, OptionsSetThatCannotWriteFailsNamingTheFileAndTheCause) {
  const std::string command = fleetforge_test::ReachableCommand();
  const std::string place = dir_ + "/place";  // the unprivileged user's folder
  ASSERT_EQ(0, ::chmod(dir_.c_str(), 0755));
  const struct {
    const char* name;
    std::string file;
    std::string existing;  // "" for none
    mode_t fileMode, folderMode;
    ChildSetup setup;
    const char* cause;
  } cases[] = {
      {"folder is a plain file", dir_ + "/plain/r.reg", "", 0, 0755, {}, "Not a directory"},
      {"read-only folder",
       place + "/r.reg",
       "",
       0,
       0555,
       {.unprivileged = true},
       "Permission denied"},
      {"read-only file",
       place + "/r.reg",
       "REGEDIT4\r\n\r\n; mine\r\n",
       0444,
       0755,
       {.unprivileged = true},
       "Permission denied"},
      {"full disk",
       place + "/r.reg",
       "REGEDIT4\r\n\r\n; mine\r\n",
       0600,
       0755,
       {.fileSizeLimit = 200},
       "File too large"},
  };
  std::ofstream(dir_ + "/plain") << "a file";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(place);
    ASSERT_EQ(0, ::mkdir(place.c_str(), 0755));
    if (!c.existing.empty()) {
      std::ofstream(c.file, std::ios::binary) << c.existing;
      ASSERT_EQ(0, ::chmod(c.file.c_str(), c.fileMode));
    }
    if (::geteuid() == 0) {
      ASSERT_EQ(0, ::chown(place.c_str(), kNobody, kNobody));
      if (!c.existing.empty()) {
        ASSERT_EQ(0, ::chown(c.file.c_str(), kNobody, kNobody));
      }
    }
    ASSERT_EQ(0, ::chmod(place.c_str(), c.folderMode));
    const auto r = fleetforge_test::Shell(
        command + " options set HideCaptions=true --registry " + c.file, dir_ + "/shell", c.setup);
    EXPECT_EQ(1, r.exit) << r.err;
    EXPECT_NE(std::string::npos, r.err.find(c.file + ": " + c.cause)) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("nothing was written")) << r.err;
    EXPECT_EQ("", r.out);
    ASSERT_EQ(0, ::chmod(place.c_str(), 0755));
    EXPECT_EQ(c.existing, ReadAll(c.file));
    EXPECT_EQ(c.existing.empty() ? 0u : 1u, fleetforge_test::FolderEntries(place).size());
  }
  EXPECT_EQ("a file", ReadAll(dir_ + "/plain"));
}

// Concurrent runs: each one's change lands, and a run's settings are never mixed
// with another's.
TEST_F(Command, ConcurrentOptionsSetRunsLoseNothingAndDoNotMix) {
  const std::string base = std::string(FLEETFORGE_CLI) + " options set --registry " + registry_;
  // Rounds of six runs, each changing another single setting from its default.
  const char* const changes[] = {"CloseDefault=false",  "HideCaptions=true",
                                 "MaximizeEditor=true", "CreateCompDate=false",
                                 "ChangeIcon=true",     "ObjectInspectorHeight=333"};
  int landed = 0;
  for (int round = 0; round < 9; ++round) {
    fs::remove(registry_);
    std::vector<pid_t> runs;
    for (const char* change : changes)
      runs.push_back(fleetforge_test::StartShell("exec " + base + " " + change + " >/dev/null"));
    for (pid_t pid : runs) EXPECT_EQ(0, fleetforge_test::WaitFor(pid));
    const std::string text = ReadAll(registry_);
    for (const char* line :
         {"\"CloseDefault\"=dword:00000000", "\"HideCaptions\"=dword:00000001",
          "\"MaximizeEditor\"=dword:00000001", "\"CreateCompDate\"=dword:00000000",
          "\"ChangeIcon\"=dword:00000001", "\"ObjectInspectorHeight\"=dword:0000014d"})
      landed += text.find(line) != std::string::npos;
  }
  EXPECT_EQ(9 * 6, landed) << "changes of concurrent runs that are in the file";

  // Fifty runs that each set all six at once.
  std::vector<pid_t> runs;
  for (int n = 0; n < 50; ++n)
    runs.push_back(fleetforge_test::StartShell("exec " + base + SetAll(n) + " >/dev/null"));
  for (pid_t pid : runs) EXPECT_EQ(0, fleetforge_test::WaitFor(pid));
  const int winner = WholeSetIn(ReadAll(registry_));
  EXPECT_TRUE(winner >= 0 && winner < 50) << ReadAll(registry_);
  EXPECT_EQ(0u, Litter(dir_));
}

// Runs killed at random moments leave the file whole: the set of one run, never half.
TEST_F(Command, KilledOptionsSetRunsLeaveAllOrNothing) {
  const int runs = fleetforge_test::KilledRunCount();
  const std::string base = std::string(FLEETFORGE_CLI) + " options set --registry " + registry_;
  ASSERT_EQ(0, RunCli("options set --registry " + registry_ + SetAll(0)).Exit);
  std::mt19937 random(12345);
  int applied = 0, stray = 0, whole = 0;
  int last = 0;
  for (int n = 1; n <= runs; ++n) {
    fleetforge_test::KillAtRandom("exec " + base + SetAll(n % 32) + " >/dev/null", random, 60000);
    const int set = WholeSetIn(ReadAll(registry_));
    whole += set == n % 32 || set == last;
    if (set == n % 32 && set != last) ++applied;
    last = set;
    stray += Litter(dir_) != 0;
  }
  EXPECT_EQ(runs, whole) << "files that held one run's complete set";
  ASSERT_EQ(0, RunCli("options set --registry " + registry_ + " HideCaptions=true").Exit);
  EXPECT_EQ(0u, Litter(dir_)) << "the next write removes what killed runs left";
  std::cout << "[ killed ] " << runs << " runs killed: " << applied << " applied whole, "
            << runs - applied << " not applied, " << stray
            << " left a temporary or lock file until the next run\n";
}

// A value that does not read takes its default, named; the others keep theirs.
TEST_F(Command, OptionsSetKeepsEveryValueThatReads) {
  std::ofstream(registry_)
      << "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Fleetforge]\r\n"
         "\"CloseDefault\"=dword:00000000\r\n\"HideCaptions\"=\"yes\"\r\n"
         "\"CreateCompDate\"=dword:00000000\r\n\"ChangeIcon\"=dword:00000001\r\n"
         "\"ObjectInspectorHeight\"=dword:00000190\r\n";
  const Result r = RunCli("options set --registry " + registry_ + " ChangeIcon=false");
  ASSERT_EQ(r.Exit, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "CloseDefault=false\nHideCaptions=false\nMaximizeEditor=false\nCreateCompDate=false\n"
            "ChangeIcon=false\nObjectInspectorHeight=400\n");
  EXPECT_NE(r.Err.find("HideCaptions could not be read (Invalid data type for 'HideCaptions')"),
            std::string::npos)
      << r.Err;
  EXPECT_NE(r.Err.find("MaximizeEditor could not be read"), std::string::npos) << r.Err;
  EXPECT_EQ(r.Err.find("CloseDefault could"), std::string::npos) << r.Err;
  EXPECT_EQ(r.Err.find("ObjectInspectorHeight could"), std::string::npos) << r.Err;

  // No note about defaults when the file is then not written: a read-only file
  // for the unprivileged user, who runs a copy of the command that it can reach.
  std::ofstream(registry_, std::ios::app) << "\"HideCaptions\"=dword:00000001\r\n";
  ASSERT_EQ(0, ::chmod(registry_.c_str(), 0444));
  ASSERT_EQ(0, ::chmod(dir_.c_str(), 0755));
  const auto failed =
      fleetforge_test::Shell(fleetforge_test::ReachableCommand() + " options set --registry " +
                                 registry_ + " ChangeIcon=true",
                             dir_ + "/shell", {.unprivileged = true});
  EXPECT_EQ(1, failed.exit) << failed.err;
  EXPECT_NE(failed.err.find(registry_ + ": Permission denied"), std::string::npos) << failed.err;
  EXPECT_EQ(failed.err.find("default"), std::string::npos) << failed.err;
}

// The model's screen takes other metrics; this build has no other window system;
// an interactive session runs until the process is told to end, then prints its
// final state and exits 0.
TEST_F(Command, WindowSystemMetricsAndInteractiveSessions) {
  const Result metrics =
      RunCli("run --json --metric SM_CYFULLSCREEN=779 --metric SM_CYSMCAPTION=16" + common_);
  ASSERT_EQ(metrics.Exit, 0) << metrics.Err;
  const auto state = JsonLines(metrics.Out).at(0);
  EXPECT_EQ(state["window_system"], "model");
  EXPECT_EQ(state["screen"]["metrics"]["SM_CYFULLSCREEN"], 779);
  for (const auto& [args, message] : std::vector<std::pair<std::string, std::string>>{
           {"--window-system system", "needs the Windows build"},
           {"--window-system real", "is 'system' or 'model', not 'real'"},
           {"--metric SM_CYNOTHING=5", "--metric wants NAME=VALUE"},
           {"--metric SM_CYCAPTION=-1", "--metric wants NAME=VALUE"},
           {"--metric SM_CYCAPTION", "--metric wants NAME=VALUE"}}) {
    const Result r = RunCli("run " + args + common_);
    EXPECT_EQ(r.Exit, 2) << args;
    EXPECT_NE(r.Err.find(message), std::string::npos) << args << ": " << r.Err;
  }
  const Result interactive =
      RunCli("run --json --interactive" + common_ + " & sleep 2; kill -TERM $!; wait $!");
  ASSERT_EQ(interactive.Exit, 0) << interactive.Err;
  const auto final_state = JsonLines(interactive.Out).at(0);
  // Not the three seconds of a run without a script: the session ran until told.
  EXPECT_GE(final_state["clock_ms"].get<int>(), 1000) << "timers ran in real time";
  EXPECT_LT(final_state["clock_ms"].get<int>(), 3000);
  EXPECT_EQ(final_state["project"], "") << "the first tick closed the empty default project";
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

// The exit codes each command's help lists cover what the command really
// returns: a failing run's exit code has an entry in its help that names the cause.
TEST_F(Command, HelpNamesTheCauseOfEachExitCode) {
  struct Case {
    std::string Args;
    std::optional<std::string> SourceDateEpoch;
    int Exit;
    std::string Help, Cause;  // the help to read, and what its entry for Exit says
  };
  for (const Case& c : std::vector<Case>{
           {"run --quiet --page " + dir_ + "/no/such/page.html" + common_, {}, 1, "run", "page"},
           {"run --quiet" + common_, "noon", 2, "run", "SOURCE_DATE_EPOCH"},
           {"options set Frobnicate=1 --registry " + registry_,
            {},
            2,
            "options set",
            "unknown setting"},
           {"compdate " + dir_ + "/Missing.dpr", {}, 1, "compdate", "project file does not exist"},
       }) {
    SCOPED_TRACE(c.Args);
    const fleetforge_test::ScopedEnv epoch("SOURCE_DATE_EPOCH", c.SourceDateEpoch);
    EXPECT_EQ(RunCli(c.Args).Exit, c.Exit);
    // The entry runs from "  N  " to the next code or the blank line after the list.
    const std::string help = RunCli("help " + c.Help).Out;
    const size_t codes = help.find("Exit codes:\n");
    ASSERT_NE(codes, std::string::npos) << help;
    const size_t start = help.find("\n  " + std::to_string(c.Exit) + "  ", codes);
    ASSERT_NE(start, std::string::npos) << help;
    const size_t end = std::min(help.find("\n  " + std::to_string(c.Exit + 1) + "  ", start),
                                help.find("\n\n", start));
    EXPECT_NE(help.substr(start, end - start).find(c.Cause), std::string::npos)
        << "help " << c.Help << ":\n"
        << help;
  }
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
           {dir_ + "/Missing.dpr", "state\n", 1, {"Missing.dpr' does not exist"}},
           {dir_, "state\n", 1, {"is not a file"}},
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
  const fleetforge_test::ScopedEnv utc("TZ", "UTC");
  for (const auto& [epoch, exit, date, time] :
       std::vector<std::tuple<std::string, int, std::string, std::string>>{
           {"1767268800", 0, "'2026/1/1'", "'12:01:01'"},
           {"", 0, "'2026/1/1'", "'00:01:01'"},
           {"noon", 2, "", ""}}) {
    SCOPED_TRACE(epoch);
    const fleetforge_test::ScopedEnv sourceDate("SOURCE_DATE_EPOCH", epoch);
    fs::remove(dir_ + "/CompDate.pas");
    const Result r =
        RunCli("run --quiet --script -" + common_, "wait 61000\nopen " + project + "\ncompile\n");
    EXPECT_EQ(r.Exit, exit) << r.Err;
    const std::string text = ReadAll(dir_ + "/CompDate.pas");
    if (exit == 0) {
      EXPECT_NE(text.find(date), std::string::npos) << text;
      EXPECT_NE(text.find(time), std::string::npos) << text;
    } else {
      EXPECT_NE(r.Err.find("SOURCE_DATE_EPOCH"), std::string::npos) << r.Err;
      EXPECT_FALSE(fs::exists(dir_ + "/CompDate.pas")) << "nothing ran";
    }
  }
}

}  // namespace
