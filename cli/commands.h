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
};
// Exit codes: 0 done, 1 failure, 2 a script that cannot be run.
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

// The package module next to the command, or the one it was built with.
std::string DefaultPackageFile();
// The IDE's projects folder: $XDG_DATA_HOME/fleetforge/Projects or ~/.local/share/...
std::string DefaultProjectsFolder();

}  // namespace fleetforge
