#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "cli/commands.h"
#include "cli/compdate_command.h"
#include "host/rtl/quoting.h"
#include "host/rtl/sysutils.h"
#include "host/vcl/registry.h"
#include "ide/picture.h"
#include "ide/session.h"

#ifdef _WIN32
#include "host/win32/system_windows.h"
// After the host's headers (see host/rtl/winapi.h).
#include "host/rtl/winapi.h"
#endif

namespace fleetforge {

namespace {

constexpr const char* kPackageName = "Fleetforge7.bpl";

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

// NAME=VALUE metrics of the model's screen.
std::map<int, int> ParseMetrics(const std::vector<std::string>& assignments) {
  std::map<int, int> metrics;
  for (const std::string& assignment : assignments) {
    const size_t equals = assignment.find('=');
    const std::string name = assignment.substr(0, equals);
    const host::MetricName* known = nullptr;
    for (const host::MetricName& m : host::kMetricNames)
      if (name == m.Name) known = &m;
    int value = -1;
    char extra = 0;
    std::istringstream v(equals == std::string::npos ? "" : assignment.substr(equals + 1));
    if (known == nullptr || !(v >> value) || (v >> extra) || value < 0 || value > 32767)
      throw std::invalid_argument(
          "--metric wants NAME=VALUE with NAME a metric such as SM_CYFULLSCREEN and VALUE from 0 "
          "to 32767, not " +
          host::QuotedForMessage(assignment));
    metrics[known->Index] = value;
  }
  return metrics;
}

// Chooses the session's windows; returns an exit code when they cannot be had.
std::optional<int> UseWindowSystem(const RunOptions& options, std::ostream& err) {
  if (options.WindowSystem == "model") {
    host::WindowSystem::Use(nullptr);
    return std::nullopt;
  }
  if (options.WindowSystem != "system") {
    err << "fleetforge run: --window-system is 'system' or 'model', not "
        << host::QuotedForMessage(options.WindowSystem) << "\n";
    return 2;
  }
#ifdef _WIN32
  if (options.ScreenGiven || !options.Metrics.empty()) {
    err << "fleetforge run: --screen, --taskbar and --metric describe the model's screen; the "
           "system's windows are on the display's own (add --window-system model to use them)\n";
    return 2;
  }
  try {
    host::WindowSystem::Use(host::MakeSystemWindowSystem());
  } catch (const host::NoWindowSystem& e) {
    err << "fleetforge run: the system's windows cannot be used: " << e.what()
        << "; run with --window-system model for the model's\n";
    return 1;
  }
  ide::PaintSystemWindows();
  return std::nullopt;
#else
  err << "fleetforge run: --window-system system needs the Windows build; this build has only "
         "the model (--window-system model)\n";
  return 2;
#endif
}

// Whether the process was told to end (an interrupt, a terminal or console
// closing, a termination request).
std::atomic<bool> stop_requested{false};
#ifdef _WIN32
BOOL WINAPI OnConsoleControl(DWORD) {
  stop_requested = true;
  return TRUE;
}
#else
void OnStopSignal(int) {
  stop_requested = true;
}
#endif

void CatchStopRequests() {
#ifdef _WIN32
  ::SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
#else
  std::signal(SIGINT, &OnStopSignal);
  std::signal(SIGTERM, &OnStopSignal);
  std::signal(SIGHUP, &OnStopSignal);
#endif
}

std::string ReadScript(const std::string& file) {
  std::ostringstream text;
  if (file == "-") {
    text << std::cin.rdbuf();
    return text.str();
  }
  std::error_code error;
  if (std::filesystem::is_directory(file, error))
    throw std::invalid_argument("is a folder, not a script");
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::invalid_argument("cannot read the script " + file);
  text << in.rdbuf();
  return text.str();
}

// The session clock's start: SOURCE_DATE_EPOCH when set, else a fixed moment,
// so that the same script draws the same pictures and writes the same dates.
std::optional<double> SessionClockStart(std::ostream& err) {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch == nullptr || *epoch == '\0') return host::EncodeDate(2026, 1, 1);
  const std::optional<double> local = LocalDateTimeFromEpochText(epoch);
  if (!local)
    err << "fleetforge run: SOURCE_DATE_EPOCH " << host::QuotedForMessage(epoch)
        << " is not a number of seconds since 1970 within the years 1 to 9999\n";
  return local;
}

std::string HtmlText(const std::string& text) {
  std::string html;
  for (const char c : text) {
    if (c == '<')
      html += "&lt;";
    else if (c == '>')
      html += "&gt;";
    else if (c == '&')
      html += "&amp;";
    else if (c == '"')
      html += "&quot;";
    else if (c != '\r')
      html += c;
  }
  return html;
}

// One page of the session's captions, file texts and snapshots, in their order.
class Page {
 public:
  explicit Page(std::string file) : file_(std::move(file)) {}
  bool Wanted() const { return !file_.empty(); }
  void Caption(const std::string& text) {
    body_ += "<h2>Step " + std::to_string(++steps_) + "</h2>\n<p>" + HtmlText(text) + "</p>\n";
  }
  void FileText(const std::string& name, const std::string& text) {
    body_ += "<p><code>" + HtmlText(name) + "</code></p>\n<pre>" + HtmlText(text) + "</pre>\n";
  }
  void Picture(const std::string& picture) {
    const std::filesystem::path folder =
        std::filesystem::absolute(file_).lexically_normal().parent_path();
    const std::string link =
        std::filesystem::absolute(picture).lexically_normal().lexically_relative(folder).string();
    body_ += "<p><img src=\"" + HtmlText(link) + "\" alt=\"" + HtmlText(link) + "\"></p>\n";
  }
  void Write(const std::string& title) const {
    std::ofstream out(file_, std::ios::binary | std::ios::trunc);
    out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>"
        << HtmlText(title)
        << "</title>\n<style>body{font-family:sans-serif;max-width:1100px;margin:auto}"
           "img{border:1px solid #888;max-width:100%}pre{background:#eee;padding:8px}</style>\n"
           "</head>\n<body>\n<h1>"
        << HtmlText(title) << "</h1>\n"
        << body_ << "</body>\n</html>\n";
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file_);
  }

 private:
  std::string file_;
  std::string body_;
  int steps_ = 0;
};

}  // namespace

std::string CommandFolder() {
  const std::string self = host::ExecutableFileName();
  return self.empty() ? std::string(".") : std::filesystem::path(self).parent_path().string();
}

std::string DefaultPackageFile() {
  if (const char* env = std::getenv("FLEETFORGE_PACKAGE"); env && *env) return env;
  // Beside the command in the build tree; in the installed library folder
  // (PREFIX/bin/fleetforge, PREFIX/lib/fleetforge/Fleetforge7.bpl) otherwise.
  const std::string folder = CommandFolder();
  const std::string beside = folder + "/" + kPackageName;
  if (std::filesystem::exists(beside)) return beside;
  return folder + "/../" FLEETFORGE_PACKAGE_SUBDIR "/" + kPackageName;
}

std::string DefaultProjectsFolder() {
#ifdef _WIN32
  if (const char* local = std::getenv("LOCALAPPDATA"); local && *local)
    return std::string(local) + "\\fleetforge\\Projects";
#endif
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
    return std::string(data) + "/fleetforge/Projects";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/share/fleetforge/Projects";
}

int RunSession(const RunOptions& options, std::ostream& out, std::ostream& err) {
  ide::SessionOptions session_options;
  try {
    session_options.Ide.Screen = ParseScreen(options.Screen, options.Taskbar);
    session_options.Ide.Metrics = ParseMetrics(options.Metrics);
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
  if (!options.Project.empty()) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(options.Project, error)) {
      err << "fleetforge run: the project " << host::QuotedForMessage(options.Project)
          << (std::filesystem::exists(options.Project, error) ? " is not a file"
                                                              : " does not exist")
          << "\n";
      return 1;
    }
  }
  const std::optional<double> clock_start = SessionClockStart(err);
  if (!clock_start) return 2;
  if (const std::optional<int> code = UseWindowSystem(options, err)) return *code;
  // The session's windows go before their window system does.
  struct ModelAfterwards {
    ~ModelAfterwards() { host::WindowSystem::Use(nullptr); }
  } model_afterwards;
  session_options.Interactive = options.Interactive;
  if (options.Interactive) {
    CatchStopRequests();
    session_options.StopRequested = [] { return stop_requested.load(); };
  }
  session_options.ClockStart = clock_start;
  session_options.PackageFailuresStop = true;
  if (!options.Registry.empty()) host::RegistryLocation::UseFile(options.Registry);
  const std::string package = options.Package.empty() ? DefaultPackageFile() : options.Package;
  session_options.Ide.PackageFile = options.NoPackage ? "" : package;
  session_options.PackageToInstall = package;
  session_options.Ide.ProjectsFolder =
      options.Projects.empty() ? DefaultProjectsFolder() : options.Projects;
  session_options.Ide.ProjectFile = options.Project;
  session_options.OnState = [&](const nlohmann::json& state) {
    if (options.Json)
      out << state.dump() << "\n";
    else {
      ide::PrintStateTable(state, out);
      out << "\n";
    }
  };
  Page page(options.Page);
  session_options.OnSnapshot = [&](const std::string& file) {
    ide::DrawDesktopFile(file);
    if (page.Wanted()) page.Picture(file);
  };
  session_options.OnCaption = [&](const std::string& text) {
    if (!options.Json) out << "\n* " << text << "\n" << std::flush;
    if (page.Wanted()) page.Caption(text);
  };
  session_options.OnShowFile = [&](const std::string& file, const std::string& text) {
    if (!options.Json) {
      out << "\n  " << file << ":\n";
      std::istringstream lines(text);
      for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out << "    " << line << "\n";
      }
    }
    if (page.Wanted()) page.FileText(file, text);
  };

  ide::Session session(std::move(session_options));
  try {
    session.StartUp();
    if (scripted)
      session.Run(actions);
    else if (!options.Interactive)
      session.Do("wait 3000");
    if (options.Interactive) session.RunInteractive();
  } catch (const ide::ScriptError& e) {
    err << "fleetforge run: " << (scripted ? options.Script + ": " : "") << e.what() << "\n";
    return 2;
  } catch (const ide::PackageFailure& e) {
    err << "fleetforge run: " << e.what() << "\n";
    return 1;
  }
  session.SyncClock();
  const nlohmann::json final_state = session.State();
  if (!options.Quiet && options.Json) out << final_state.dump() << "\n";
  if (!options.Quiet && !options.Json) ide::PrintStateTable(final_state, out);
  try {
    if (!options.Svg.empty()) ide::DrawDesktopFile(options.Svg);
    if (!options.Png.empty()) ide::DrawDesktopFile(options.Png);
    if (page.Wanted())
      page.Write("Fleetforge session: " +
                 std::filesystem::path(options.Script).filename().string());
  } catch (const std::exception& e) {
    err << "fleetforge run: " << e.what() << "\n";
    return 1;
  }
  if (options.FailOnError && !final_state["errors"].empty()) {
    err << "fleetforge run: the IDE reported " << final_state["errors"].size()
        << " error(s) during the session (see \"errors\" in the state)\n";
    return 3;
  }
  return 0;
}

}  // namespace fleetforge
