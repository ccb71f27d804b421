// Which of the script's verbs a modal window takes as its input: each verb is run
// while the options dialog waits; the others are refused with the session's error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/ide_session.h"

namespace {

constexpr const char* kGaveUp =
    "EInvalidOperation: The modal window \"Fleetforge Options\" is waiting for input, and none "
    "is left";

TEST(SessionVerbs, AModalWindowTakesOnlyItsInputVerbs) {
  const fleetforge_test::TempFolder folder("verbs");
  ASSERT_TRUE(fleetforge_test::WriteAll(folder.Path("shown.txt"), "shown"));
  ASSERT_TRUE(fleetforge_test::WriteAll(folder.Path("P.dpr"), "program P;\nbegin\nend.\n"));
  const struct {
    std::string line;
    bool whileModal;
    const char* heard;  // the session's callback that the verb reaches, if any
  } verbs[] = {
      {"wait 10", true, ""},
      {"move AppBuilder 0 0", false, ""},
      {"size AppBuilder 800 600", false, ""},
      {"close AppBuilder", false, ""},
      {"click 1 1", true, ""},
      {"menu Tools>Fleetforge Options...", false, ""},
      {"key esc", true, ""},
      {"check ckHideCaptions on", true, ""},
      {"type edOIHeight 320", true, ""},
      {"activate", false, ""},
      {"deactivate", false, ""},
      {"open " + folder.Path("P.dpr"), false, ""},
      {"compile", false, ""},
      {"codeinsight", false, ""},
      {"install", false, ""},
      {"unload", false, ""},
      {"state", true, "state"},
      {"snapshot " + folder.Path("s.png"), true, "snapshot"},
      {"caption Look", true, "caption"},
      {"showfile " + folder.Path("shown.txt"), true, "showfile"},
  };
  for (const auto& verb : verbs) {
    SCOPED_TRACE(verb.line);
    host::RegistryLocation::UseMemory();
    std::vector<std::string> heard;
    ide::SessionOptions options = fleetforge_test::SessionOptionsFor({}, folder.Path("Projects"));
    options.OnState = [&](const nlohmann::json&) { heard.push_back("state"); };
    options.OnSnapshot = [&](const std::string&) { heard.push_back("snapshot"); };
    options.OnCaption = [&](const std::string&) { heard.push_back("caption"); };
    options.OnShowFile = [&](const std::string&, const std::string&) {
      heard.push_back("showfile");
    };
    ide::Session session(std::move(options));
    session.StartUp();
    session.QueueInput(verb.line + "\nkey esc");
    std::string error;
    try {
      session.Do("menu Tools>Fleetforge Options...");
    } catch (const ide::ScriptError& e) {
      error = e.what();
    }
    const std::string verbName = verb.line.substr(0, verb.line.find(' '));
    EXPECT_EQ(error, verb.whileModal ? ""
                                     : "line 1: '" + verbName +
                                           "' cannot be done while a modal window waits for its "
                                           "input (in '" +
                                           verb.line + "')");
    EXPECT_EQ(heard, std::vector<std::string>(*verb.heard ? 1 : 0, verb.heard));
    // A refused verb stops the run; the dialog gives up on its input first.
    std::vector<std::string> reported;
    for (const ide::ReportedError& e : session.GetIde().Errors())
      reported.push_back(e.ClassName + ": " + e.Message);
    EXPECT_EQ(reported, std::vector<std::string>(verb.whileModal ? 0 : 1, kGaveUp));
    host::RegistryLocation::Reset();
  }
}

}  // namespace
