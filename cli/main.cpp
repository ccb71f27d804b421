// The fleetforge command: runs sessions of the reference IDE with the add-in,
// reads and writes the add-in's settings, and updates compile-date units.
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"Fleetforge: the IDE add-in's reference IDE, settings and compile-date tools"};
  app.require_subcommand(1);
  fleetforge::RunOptions run;
  fleetforge::OptionsCommand options;
  fleetforge::CompDateOptions compdate;

  CLI::App* run_cmd =
      app.add_subcommand("run", "Run a session of the reference IDE with the add-in");
  run_cmd->add_option("--screen", run.Screen, "Screen size WIDTHxHEIGHT")->default_val("1024x768");
  run_cmd->add_option("--taskbar", run.Taskbar, "Task bar EDGE:PIXELS (bottom, top, left, right)")
      ->default_val("bottom:30");
  run_cmd->add_option("--script", run.Script, "Script of user actions (- for standard input)");
  run_cmd->add_flag("--json", run.Json, "Print the state as JSON, one object a line");
  run_cmd->add_option("--package", run.Package, "The package module to load");
  run_cmd->add_flag("--no-package", run.NoPackage,
                    "Start without the package (the script may install it)");
  run_cmd->add_option("--registry", run.Registry, "The registry file to use");
  run_cmd->add_option("--projects", run.Projects, "The IDE's projects folder");
  run_cmd->add_option("--svg", run.Svg, "Draw the final desktop as SVG");
  run_cmd->add_option("--png", run.Png, "Draw the final desktop as PNG");

  CLI::App* options_cmd = app.add_subcommand("options", "Show or set the add-in's settings");
  options_cmd->require_subcommand(1);
  options_cmd->add_option("--registry", options.Registry, "The registry file to use");
  CLI::App* show_cmd =
      options_cmd->add_subcommand("show", "Print the six settings as the add-in reads them");
  CLI::App* set_cmd =
      options_cmd->add_subcommand("set", "Write the settings as a confirmed options dialog does");
  set_cmd->add_option("assignments", options.Assignments, "NAME=VALUE ...")->required();
  for (CLI::App* sub : {show_cmd, set_cmd})
    sub->add_option("--registry", options.Registry, "The registry file to use");
  options_cmd->add_option("--package", options.Package,
                          "The package module to read the settings with");

  CLI::App* compdate_cmd = app.add_subcommand(
      "compdate", "Update the CompDate.pas unit beside a Delphi project (a pre-build step)");
  compdate_cmd->add_option("project", compdate.Project, "The project file (.dpr)")->required();
  compdate_cmd->add_flag("--code-insight", compdate.CodeInsight, "Count a Code Insight compile");

  CLI11_PARSE(app, argc, argv);
  try {
    if (run_cmd->parsed()) return fleetforge::RunSession(run, std::cout, std::cerr);
    if (options_cmd->parsed()) {
      options.Show = show_cmd->parsed();
      return fleetforge::RunOptionsCommand(options, std::cout, std::cerr);
    }
    if (compdate_cmd->parsed())
      return fleetforge::RunCompDateCommand(compdate, std::cout, std::cerr);
  } catch (const std::exception& e) {
    std::cerr << "fleetforge: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
