// The fleetforge subcommands.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace fleetforge {

struct RunOptions {
  std::string Screen = "1024x768";
  std::string Taskbar = "bottom:30";
  std::string Script;
  bool Json = false;
  std::string Package;
  bool NoPackage = false;
  std::string Registry;
  std::string Projects;
  std::string Svg;
  std::string Png;
  bool FailOnError = false;
  std::string Page;
  bool Quiet = false;
#ifdef _WIN32
  std::string WindowSystem = "system";
#else
  std::string WindowSystem = "model";
#endif
  // Whether --screen or --taskbar was given (they describe the model's screen).
  bool ScreenGiven = false;
  // NAME=VALUE: a metric of the model's screen.
  std::vector<std::string> Metrics;
  bool Interactive = false;
  // The project to open at start-up; empty for the IDE's default project.
  std::string Project;
};
// Exit codes: 0 done, 1 a package that cannot be loaded, a project that does not exist,
// or a picture or page that cannot be written, 2 a usage error, a script that cannot be run or a
// SOURCE_DATE_EPOCH that is not a number of seconds, 3 with FailOnError when the
// IDE reported an error.
int RunSession(const RunOptions& options, std::ostream& out, std::ostream& err);

struct OptionsCommand {
  bool Show = false;
  std::vector<std::string> Assignments;
  std::string Registry;
  std::string Package;
};
int RunOptionsCommand(const OptionsCommand& options, std::ostream& out, std::ostream& err);

struct CompDateOptions {
  std::string Project;
  bool CodeInsight = false;
};
int RunCompDateCommand(const CompDateOptions& options, std::ostream& out, std::ostream& err);

// The package module: FLEETFORGE_PACKAGE, else the one beside the command (its
// build tree), else the installed one in the library folder relative to it.
std::string DefaultPackageFile();
// The folder the running command lives in.
std::string CommandFolder();
// The IDE's projects folder: $XDG_DATA_HOME/fleetforge/Projects or ~/.local/share/...
std::string DefaultProjectsFolder();

}  // namespace fleetforge
