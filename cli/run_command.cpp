#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/commands.h"
#include "host/rtl/quoting.h"
#include "host/vcl/registry.h"
#include "ide/picture.h"
#include "ide/session.h"

namespace fleetforge {

namespace {

host::ScreenDescription ParseScreen(const std::string& size, const std::string& taskbar) {
  host::ScreenDescription screen;
  int width = 0, height = 0;
  char x = 0, extra = 0;
  std::istringstream s(size);
  if (!(s >> width >> x >> height) || (x != 'x' && x != 'X') || (s >> extra) || width < 320 ||
      height < 200 || width > 16384 || height > 16384)
    throw std::invalid_argument(
        "--screen wants WIDTHxHEIGHT, e.g. 1024x768 (from 320x200 to 16384x16384), not " +
        host::QuotedForMessage(size));
  screen.Width = width;
  screen.Height = height;
  const size_t colon = taskbar.find(':');
  const std::string edge = taskbar.substr(0, colon);
  if (edge == "bottom")
    screen.Edge = host::TaskbarEdge::Bottom;
  else if (edge == "top")
    screen.Edge = host::TaskbarEdge::Top;
  else if (edge == "left")
    screen.Edge = host::TaskbarEdge::Left;
  else if (edge == "right")
    screen.Edge = host::TaskbarEdge::Right;
  else
    throw std::invalid_argument(
        "--taskbar wants EDGE:PIXELS with EDGE bottom, top, left or right, not " +
        host::QuotedForMessage(taskbar));
  int pixels = -1;
  std::istringstream p(colon == std::string::npos ? "" : taskbar.substr(colon + 1));
  if (!(p >> pixels) || (p >> extra) || pixels < 0 || pixels > std::min(width, height) / 2)
    throw std::invalid_argument("--taskbar wants a thickness from 0 to half the screen, not " +
                                host::QuotedForMessage(taskbar));
  screen.TaskbarThickness = pixels;
  return screen;
}

std::string ReadScript(const std::string& file) {
  std::ostringstream text;
  if (file == "-") {
    text << std::cin.rdbuf();
    return text.str();
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::invalid_argument("cannot read the script " + file);
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::string DefaultPackageFile() {
  if (const char* env = std::getenv("FLEETFORGE_PACKAGE"); env && *env) return env;
  return FLEETFORGE_DEFAULT_PACKAGE;
}

std::string DefaultProjectsFolder() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
    return std::string(data) + "/fleetforge/Projects";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/share/fleetforge/Projects";
}

int RunSession(const RunOptions& options, std::ostream& out, std::ostream& err) {
  ide::SessionOptions session_options;
  try {
    session_options.Ide.Screen = ParseScreen(options.Screen, options.Taskbar);
  } catch (const std::invalid_argument& e) {
    err << "fleetforge run: " << e.what() << "\n";
    return 2;
  }
  std::vector<ide::Action> actions;
  const bool scripted = !options.Script.empty();
  try {
    if (scripted) actions = ide::ParseScript(ReadScript(options.Script));
  } catch (const std::exception& e) {
    err << "fleetforge run: " << options.Script << ": " << e.what() << "\n";
    return 2;
  }
  if (!options.Registry.empty()) host::RegistryLocation::UseFile(options.Registry);
  const std::string package = options.Package.empty() ? DefaultPackageFile() : options.Package;
  session_options.Ide.PackageFile = options.NoPackage ? "" : package;
  session_options.PackageToInstall = package;
  session_options.Ide.ProjectsFolder =
      options.Projects.empty() ? DefaultProjectsFolder() : options.Projects;
  session_options.OnState = [&](const nlohmann::json& state) {
    if (options.Json)
      out << state.dump() << "\n";
    else {
      ide::PrintStateTable(state, out);
      out << "\n";
    }
  };
  session_options.OnSnapshot = [](const std::string& file) { ide::DrawDesktopFile(file); };

  ide::Session session(std::move(session_options));
  try {
    session.StartUp();
    if (scripted)
      session.Run(actions);
    else
      session.Do("wait 3000");
  } catch (const ide::ScriptError& e) {
    err << "fleetforge run: " << (scripted ? options.Script + ": " : "") << e.what() << "\n";
    return 2;
  }
  const nlohmann::json final_state = session.State();
  if (options.Json)
    out << final_state.dump() << "\n";
  else
    ide::PrintStateTable(final_state, out);
  try {
    if (!options.Svg.empty()) ide::DrawDesktopFile(options.Svg);
    if (!options.Png.empty()) ide::DrawDesktopFile(options.Png);
  } catch (const std::exception& e) {
    err << "fleetforge run: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace fleetforge
