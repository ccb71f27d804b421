// Timing of the Windows build on the system's own windows (Debian's Google
// Benchmark is built for the native build only; this program keeps its style:
// repeated rounds, the median reported, a baseline measured in the same run).
//
//   window_timing [TICKS]
//
// - idle tick: the add-in's layout tick when nothing moved, on the system's
//   windows against the model given the same screen, work area and metrics,
//   each the median of TICKS ticks (default 200); the goal is at most 5x.
//   Beside them, the floor under the system's tick: the system's own
//   SetWindowPos(HWND_TOPMOST) that the add-in's bar makes every tick, timed
//   on a bare window.
// - start: from the start of an interactive session to its first screen, the
//   windows on screen and painted as the add-in placed them at load (goal:
//   under a second), and to the first tick's laid-out screen, which the
//   add-in's one-second timer brings.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/every_option_on.h"
#include "bench/windows/topmost_call.h"
#include "host/rtl/modules.h"
#include "host/vcl/messageloop.h"
#include "host/win32/system_windows.h"
#include "ide/picture.h"
#include "ide/session.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

ide::SessionOptions Options(const std::string& projects) {
  // The package module beside this program.
  const std::string package =
      (std::filesystem::path(host::ExecutableFileName()).parent_path() / FLEETFORGE_PACKAGE_NAME)
          .string();
  ide::SessionOptions options;
  options.Ide.PackageFile = package;
  options.PackageToInstall = package;
  options.Ide.ProjectsFolder = projects;
  return options;
}

// The median time of one idle layout tick of a session on the back end in use.
double IdleTickNs(ide::SessionOptions options, int ticks) {
  ide::Session session(std::move(options));
  session.StartUp();
  session.Do("wait 2000");  // laid out; from here on nothing moves
  std::vector<double> samples;
  for (int i = 0; i < ticks; ++i) {
    const auto start = Clock::now();
    session.Do("wait 1000");
    samples.push_back(std::chrono::duration<double, std::nano>(Clock::now() - start).count());
  }
  return Median(samples);
}

}  // namespace

int main(int argc, char** argv) {
  const int ticks = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 200;
  fleetforge_bench::StoreEveryOptionOn();
  const std::string projects =
      (std::filesystem::temp_directory_path() / "fleetforge-window-timing").string();

  // Start: an interactive session on the system's windows.
  const auto start = Clock::now();
  try {
    host::WindowSystem::Use(host::MakeSystemWindowSystem());
  } catch (const host::NoWindowSystem& e) {
    std::fprintf(stderr, "window_timing: %s\n", e.what());
    return 1;
  }
  ide::PaintSystemWindows();
  double first_screen_ms = 0, laid_out_ms = 0;
  {
    ide::SessionOptions options = Options(projects);
    options.Interactive = true;
    options.StopRequested = [&] {
      if (first_screen_ms == 0) {
        host::WindowSystem::Instance().ProcessEvents();
        first_screen_ms = MillisecondsSince(start);
      }
      // The first tick has run once the IDE's clock passed its interval.
      if (host::MessageLoop::Instance().Clock() < 1000) return false;
      host::WindowSystem::Instance().ProcessEvents();
      laid_out_ms = MillisecondsSince(start);
      return true;
    };
    ide::Session session(std::move(options));
    session.StartUp();
    session.RunInteractive();
  }

  // The idle tick on the system's windows, then on the model given their screen.
  const host::ScreenDescription screen = host::WindowSystem::Instance().Screen();
  const host::TRect area = host::WindowSystem::Instance().WorkArea();
  std::map<int, int> metrics;
  for (const host::MetricName& m : host::kMetricNames)
    metrics[m.Index] = host::WindowSystem::Instance().GetMetric(m.Index);
  const double system_ns = IdleTickNs(Options(projects), ticks);
  const double topmost_ns = Median(fleetforge_bench::TopMostCallNs(ticks));
  host::WindowSystem::Use(nullptr);
  ide::SessionOptions model = Options(projects);
  model.Ide.Screen = screen;
  model.Ide.Screen.TaskbarThickness = 0;
  model.Ide.Metrics = metrics;
  const double model_ns = IdleTickNs(std::move(model), ticks);

  std::printf("work area            %d,%d,%d,%d of %dx%d\n", area.Left, area.Top, area.Right,
              area.Bottom, screen.Width, screen.Height);
  std::printf("idle tick, system    %12.0f ns  (median of %d)\n", system_ns, ticks);
  std::printf("idle tick, model     %12.0f ns\n", model_ns);
  std::printf("ratio                %12.2f     (goal: at most 5)\n", system_ns / model_ns);
  std::printf("top-most call alone  %12.0f ns  (the bar's SetWindowPos on a bare window)\n",
              topmost_ns);
  std::printf("first screen         %12.1f ms  (goal: under 1000)\n", first_screen_ms);
  std::printf("first tick laid out  %12.1f ms  (the add-in's timer runs every 1000 ms)\n",
              laid_out_ms);
  std::filesystem::remove_all(projects);
  return 0;
}
