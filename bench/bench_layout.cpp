// The cost of one layout tick with every option on, in the reference IDE
// enlarged by further forms (10 to 1,000) and 2,000 further components on its
// main window, against a baseline measured in the same run: a loop that makes
// the same name comparisons over the same lists and nothing else. A tick
// compares names over the IDE's forms (the first Object TreeView and Object
// Inspector, every Project Manager and editor) and the editor's components; what
// it costs beyond the baseline is the placing of the windows it finds.
//
// Reported per extra-form count: tick_ns, baseline_ns and ratio (tick over
// baseline; the goal is at most 3), and the growth of the tick from 10 to 1,000
// extra forms (also fitted as a complexity). A summary is printed at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/every_option_on.h"
#include "host/vcl/forms.h"
#include "host/vcl/messageloop.h"
#include "host/vcl/registry.h"
#include "ide/session.h"

namespace FleetforgeMain {
class TFleetforgeMainObject;
}

namespace {

using FleetforgeMain::TFleetforgeMainObject;
using TickFn = void (*)(TFleetforgeMainObject*, host::TObject*);
using Clock = std::chrono::steady_clock;

constexpr int32_t kExtraComponents = 2000;
constexpr int kBatch = 32;  // ticks timed together, then as many baseline rounds

struct Result {
  double TickNs = 0, BaselineNs = 0;
};

// The one IDE of the process, with the package loaded and every option on.
struct Bench {
  std::unique_ptr<ide::Session> Session;
  std::string Projects;
  TickFn Tick = nullptr;
  TFleetforgeMainObject* Object = nullptr;
  std::vector<host::TForm*> ExtraForms;
  std::map<int64_t, Result> Results;
  bool Ready = false;

  void Start() {
    fleetforge_bench::StoreEveryOptionOn();

    Projects = (std::filesystem::temp_directory_path() /
                ("fleetforge-bench-layout-" + std::to_string(::getpid())))
                   .string();
    ide::SessionOptions options;
    options.Ide.Screen = host::ScreenDescription{1024, 768, host::TaskbarEdge::Bottom, 30};
    options.Ide.PackageFile = FLEETFORGE_DEFAULT_PACKAGE;
    options.PackageToInstall = FLEETFORGE_DEFAULT_PACKAGE;
    options.Ide.ProjectsFolder = Projects;
    Session = std::make_unique<ide::Session>(std::move(options));
    Session->StartUp();
    Session->Do("wait 1000");  // the first tick, with its once-only project check, is behind us

    ide::Ide& ide = Session->GetIde();
    Tick = reinterpret_cast<TickFn>(const_cast<void*>(host::GetProcAddress(
        ide.Package(), "FleetforgeMain.TFleetforgeMainObject.OnTimer(TObject)")));
    const auto* variable = static_cast<TFleetforgeMainObject* const*>(
        ide.PackageVariable("FleetforgeMain.FleetforgeMainObject"));
    Object = variable != nullptr ? *variable : nullptr;
    if (Tick == nullptr || Object == nullptr) {
      std::fprintf(stderr, "the package exports no tick or no layout manager\n");
      return;
    }
    host::TForm* main_form = ide.MainForm();
    for (int32_t i = 0; i < kExtraComponents; ++i)
      (new host::TComponent(main_form))->SetName("X" + std::to_string(i));

    // The tick measured must be one that works: a moved window comes back.
    host::TForm* tree = ide.FindForm("ObjectTreeView");
    const int32_t left = tree->Left(), top = tree->Top();
    tree->SetBounds(333, 222, tree->Width(), tree->Height());
    Tick(Object, nullptr);
    if (tree->Left() != left || tree->Top() != top || !ide.Errors().empty()) {
      std::fprintf(stderr, "the tick does not lay the windows out\n");
      return;
    }
    Ready = true;
  }

  void SetExtraForms(int64_t count) {
    while (static_cast<int64_t>(ExtraForms.size()) > count) {
      delete ExtraForms.back();
      ExtraForms.pop_back();
    }
    while (static_cast<int64_t>(ExtraForms.size()) < count) {
      auto* form = new host::TForm(host::Application);
      form->SetName("Extra" + std::to_string(ExtraForms.size()));
      ExtraForms.push_back(form);
    }
  }

  void Stop() {
    ExtraForms.clear();  // the IDE frees every form at shutdown
    Session.reset();
    host::RegistryLocation::Reset();
    std::error_code ignored;
    std::filesystem::remove_all(Projects, ignored);
  }
};

Bench bench;

// The first form named exactly name, as a tick looks it up.
int64_t FirstForm(const char* name) {
  const int32_t count = host::Screen->FormCount();
  for (int32_t i = 0; i < count; ++i)
    if (host::Screen->Forms(i)->Name() == name) return i;
  return -1;
}

// The name comparisons of one tick, over the same lists, in the same order.
int64_t BaselineRound() {
  int64_t found = FirstForm("ObjectTreeView") + FirstForm("PropertyInspector");
  const int32_t count = host::Screen->FormCount();
  for (int32_t i = 0; i < count; ++i) {
    host::TForm* form = host::Screen->Forms(i);
    if (form->Name() != "ProjectManagerForm") continue;
    found += i;
  }
  for (int32_t i = 0; i < count; ++i) {
    host::TForm* editor = host::Screen->Forms(i);
    if (editor->Name() != "EditWindow_0") continue;
    for (int32_t k = 0; k < count; ++k) {
      host::TForm* inspector = host::Screen->Forms(k);
      if (inspector->Name() == "PropertyInspector" && inspector->Visible()) {
        found += k;
        break;
      }
    }
    const int32_t components = editor->ComponentCount();
    for (int32_t j = 0; j < components; ++j) {
      if (editor->Components(j)->Name() == "TabControl") {
        found += j;
        break;
      }
    }
  }
  return found;
}

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

void BM_LayoutTick(benchmark::State& state) {
  if (!bench.Ready) {
    state.SkipWithError("the IDE with the package did not start");
    return;
  }
  const int64_t forms = state.range(0);
  bench.SetExtraForms(forms);
  double tick_s = 0, baseline_s = 0;
  int64_t batches = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    for (int i = 0; i < kBatch; ++i) bench.Tick(bench.Object, nullptr);
    const auto t1 = Clock::now();
    for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(BaselineRound());
    const auto t2 = Clock::now();
    tick_s += Seconds(t1 - t0);
    baseline_s += Seconds(t2 - t1);
    ++batches;
    state.SetIterationTime(Seconds(t1 - t0) / kBatch);  // the reported time is one tick's
  }
  if (!bench.Session->GetIde().Errors().empty()) state.SkipWithError("a tick reported an error");
  // Ticks run here outside the message loop: one that posted messages would pile them up.
  if (host::MessageLoop::Instance().PendingMessages() != 0)
    state.SkipWithError("a tick posted messages");
  const double rounds = static_cast<double>(batches) * kBatch;
  Result r{1e9 * tick_s / rounds, 1e9 * baseline_s / rounds};
  bench.Results[forms] = r;
  state.counters["extra_forms"] = static_cast<double>(forms);
  state.counters["tick_ns"] = r.TickNs;
  state.counters["baseline_ns"] = r.BaselineNs;
  state.counters["ratio"] = r.TickNs / r.BaselineNs;
  state.SetComplexityN(forms);
}
BENCHMARK(BM_LayoutTick)
    ->Arg(10)
    ->Arg(30)
    ->Arg(100)
    ->Arg(300)
    ->Arg(1000)
    ->UseManualTime()
    ->Complexity(benchmark::oN);

void PrintSummary() {
  if (bench.Results.empty()) return;
  std::printf("\nLayout tick, every option on, %d extra components on the main window\n",
              kExtraComponents);
  std::printf("%12s %12s %14s %8s\n", "extra forms", "tick ns", "baseline ns", "ratio");
  for (const auto& [forms, r] : bench.Results)
    std::printf("%12lld %12.1f %14.1f %8.2f%s\n", static_cast<long long>(forms), r.TickNs,
                r.BaselineNs, r.TickNs / r.BaselineNs,
                forms == 100 ? "   <- the case of the goal (at most 3)" : "");
  const auto low = bench.Results.find(10), high = bench.Results.find(1000);
  if (low != bench.Results.end() && high != bench.Results.end()) {
    std::printf(
        "growth from 10 to 1000 extra forms: tick x%.2f (%.2f ns per extra form), "
        "baseline x%.2f (%.2f ns per extra form)\n",
        high->second.TickNs / low->second.TickNs,
        (high->second.TickNs - low->second.TickNs) / 990.0,
        high->second.BaselineNs / low->second.BaselineNs,
        (high->second.BaselineNs - low->second.BaselineNs) / 990.0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench.Start();
  benchmark::RunSpecifiedBenchmarks();
  PrintSummary();
  benchmark::Shutdown();
  const bool ready = bench.Ready;
  bench.Stop();
  return ready ? 0 : 1;
}
