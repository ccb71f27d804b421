// The fleetforge command: runs sessions of the reference IDE with the add-in,
// reads and writes the add-in's settings, and updates compile-date units.
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/commands.h"

namespace {

constexpr const char* kEnvironment =
    "Environment:\n"
    "  FLEETFORGE_REGISTRY       the registry file, when --registry is not given\n"
    "  FLEETFORGE_PACKAGE        the package module, when --package is not given\n"
    "  FLEETFORGE_TIME_SEPARATOR the host's time separator (default ':')\n"
#ifdef _WIN32
    "  (without a registry file the settings are in the system registry, under\n"
    "   HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Fleetforge)\n"
    "  LOCALAPPDATA              the IDE's projects folder is "
    "%LOCALAPPDATA%\\fleetforge\\Projects\n"
#else
    "  XDG_CONFIG_HOME           the registry file is $XDG_CONFIG_HOME/fleetforge/registry.reg\n"
    "                            (default ~/.config/fleetforge/registry.reg)\n"
    "  XDG_DATA_HOME             the IDE's projects folder is $XDG_DATA_HOME/fleetforge/Projects\n"
    "                            (default ~/.local/share/fleetforge/Projects)\n"
#endif
    "  SOURCE_DATE_EPOCH         seconds since 1970 UTC: the compile moment of compdate and\n"
    "                            the start of a session's clock (default 2026-01-01 00:00 local)\n"
    "  TZ                        the time zone the moments are shown in\n";

constexpr const char* kFiles =
    "Files:\n"
    "  PREFIX/lib/fleetforge/Fleetforge7.bpl  the package module (or beside the command)\n"
    "  PREFIX/share/fleetforge/state.schema.json  the JSON Schema of the state\n"
    "See fleetforge(1) for the script language and the state.\n";

std::string Footer(const std::string& exitCodes) {
  return "Exit codes:\n" + exitCodes + "\n" + kEnvironment + "\n" + kFiles;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "fleetforge: the IDE add-in Fleetforge7 in its reference IDE, its settings and "
      "its compile-date unit",
      "fleetforge"};
  app.set_version_flag("--version", std::string("fleetforge ") + FLEETFORGE_VERSION);
  app.require_subcommand(1);
  // Options start with "-" on every platform, so that "/" can begin a path on
  // Windows as well.
  app.allow_windows_style_options(false);
  // Options of a command word are taken after the words below it as well
  // ("fleetforge options show --registry FILE").
  app.fallthrough();
  app.failure_message([](const CLI::App*, const CLI::Error& e) {
    return std::string("fleetforge: ") + e.what() +
           "\nRun 'fleetforge help' or 'fleetforge help COMMAND' for usage.\n";
  });
  app.footer(
      Footer("  0  done\n  1  a failure (a file or package that cannot be used)\n"
             "  2  a usage error or input that cannot be taken\n"
             "  3  run --fail-on-error: the IDE reported an error\n"));
  fleetforge::RunOptions run;
  fleetforge::OptionsCommand options;
  fleetforge::CompDateOptions compdate;

  CLI::App* help_cmd = app.add_subcommand("help", "Show the usage of fleetforge or of a command");
  std::vector<std::string> help_words;
  help_cmd->add_option("command", help_words, "The command (and its subcommand)");
  help_cmd->footer("");

  CLI::App* run_cmd =
      app.add_subcommand("run", "Run a session of the reference IDE with the add-in");
  run_cmd
      ->add_option("--screen", run.Screen, "Screen size WIDTHxHEIGHT, from 320x200 to 16384x16384")
      ->default_val("1024x768");
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
  run_cmd->add_flag("--fail-on-error", run.FailOnError,
                    "Exit 3 (after printing the state) when the IDE reported an error");
  run_cmd->add_option("--page", run.Page,
                      "Write an HTML page of the script's captions, texts and snapshots");
  run_cmd->add_flag("--quiet", run.Quiet, "Print no final state");
  run_cmd->add_option("--window-system", run.WindowSystem,
#ifdef _WIN32
                      "The windows: the system's own (system, the default) or the model's "
                      "(model)"
#else
                      "The windows: the model's (model; this build has no other)"
#endif
  );
  run_cmd->add_option(
      "--metric", run.Metrics,
      "NAME=VALUE: a system metric of the model's screen, e.g. SM_CYFULLSCREEN=779");
  run_cmd->add_flag("--interactive", run.Interactive,
                    "Go on after the script (or without one) in real time, until the main "
                    "window is closed or the process is told to end");
  run_cmd->add_option("project", run.Project,
                      "The project file (.dpr) to open in place of the empty default project");
  run_cmd->footer(
      Footer("  0  the script ran to its end (errors the IDE reported are in the state)\n"
             "  1  the package could not be loaded, the project does not exist, or a picture or\n"
             "     the page could not be written\n"
             "  2  a usage error, a script that cannot be run (the message names the line), or a\n"
             "     SOURCE_DATE_EPOCH that is not a number of seconds\n"
             "  3  --fail-on-error and the IDE reported an error\n"));

  CLI::App* options_cmd = app.add_subcommand("options", "Show or set the add-in's settings");
  options_cmd->require_subcommand(1);
  options_cmd->add_option("--registry", options.Registry, "The registry file to use");
  options_cmd->add_option("--package", options.Package,
                          "The package module to read and write the settings with");
  CLI::App* show_cmd =
      options_cmd->add_subcommand("show", "Print the six settings as the add-in reads them");
  CLI::App* set_cmd =
      options_cmd->add_subcommand("set", "Write the settings as a confirmed options dialog does");
  set_cmd
      ->add_option("assignments", options.Assignments,
                   "NAME=VALUE ... (switches true/false/1/0, ObjectInspectorHeight a 32-bit "
                   "integer)")
      ->required();
  const std::string options_footer = Footer(
      "  0  done\n  1  the settings or the package could not be read or written\n"
      "  2  a usage error, an unknown setting or a value the dialog would not take; nothing\n"
      "     was written\n");
  for (CLI::App* sub : {options_cmd, show_cmd, set_cmd}) sub->footer(options_footer);

  CLI::App* compdate_cmd = app.add_subcommand(
      "compdate", "Update the CompDate.pas unit beside a Delphi project (a pre-build step)");
  compdate_cmd->add_option("project", compdate.Project, "The project file (.dpr)")->required();
  compdate_cmd->add_flag("--code-insight", compdate.CodeInsight, "Count a Code Insight compile");
  compdate_cmd->footer(
      Footer("  0  written, or nothing to do (and why)\n"
             "  1  the project file does not exist, or CompDate.pas could not be read or written\n"
             "  2  a usage error or a SOURCE_DATE_EPOCH that is not a number of seconds\n"));

  try {
    if (argc > 1 && argv[1][0] != '-') {
      try {
        app.get_subcommand(argv[1]);
      } catch (const CLI::OptionNotFound&) {
        std::cerr << "fleetforge: no command '" << argv[1]
                  << "' (run, options, compdate, help)\nRun 'fleetforge help' for usage.\n";
        return 2;
      }
    }
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }
  try {
    if (help_cmd->parsed()) {
      const CLI::App* about = &app;
      std::string name = "fleetforge";
      for (const std::string& word : help_words) {
        const CLI::App* sub = nullptr;
        try {
          sub = about->get_subcommand(word);
        } catch (const CLI::OptionNotFound&) {
        }
        if (sub == nullptr || sub == help_cmd) {
          std::cerr << "fleetforge: help: no command '" << word
                    << "'\nRun 'fleetforge help' for the list of commands.\n";
          return 2;
        }
        about = sub;
        name += " " + word;
      }
      // The formatter itself: the App's own help() would describe the command
      // selected on this command line, which is "help".
      std::cout << about->get_formatter()->make_help(about, name, CLI::AppFormatMode::Normal);
      return 0;
    }
    if (run_cmd->parsed()) {
      run.ScreenGiven = run_cmd->count("--screen") + run_cmd->count("--taskbar") > 0;
      return fleetforge::RunSession(run, std::cout, std::cerr);
    }
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
