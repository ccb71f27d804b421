// The compile notifier's update against the bare file operations it needs.
//
// BM_BeforeCompile: one BeforeCompile of a Delphi project, through the notifier
// that the package registered in the reference IDE: read the counters from
// CompDate.pas, raise one, compose the unit, replace the file.
// BM_FileOperationsBaseline: the same file work with nothing around it: open the
// file and read four lines, write a ready text to a temporary file in the same
// folder, flush it to disk, close, rename over the file, flush the folder (the
// durable replacement that keeps the previous file whole).
//
// BM_UpdateAgainstBaselinePaired: the two alternated in one loop.
//
// Each runs in ten repetitions, randomly interleaved, because the time to flush
// to disk varies from moment to moment by far more than the difference measured
// here; the paired run meets that variation with both at once. The program
// prints the medians and their ratios, in real time and in processor time. The
// goal is a real-time ratio of at most 1.5.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "compdate/CompDateFile.h"
#include "host/rtl/textfile.h"
#include "host/toolsapi/toolsapi.h"
#include "host/vcl/registry.h"
#include "ide/ide.h"

namespace {

std::string MakeFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/fleetforge-bench-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

// The package loaded into a running reference IDE, its notifier, and a Delphi
// project whose CompDate.pas already exists.
class UpdateBench {
 public:
  UpdateBench() : folder_(MakeFolder()) {
    host::RegistryLocation::UseMemory();  // the setting's default: CreateCompDate on
    ide::IdeOptions options;
    options.PackageFile = FLEETFORGE_DEFAULT_PACKAGE;
    options.ProjectsFolder = folder_ + "/Projects";
    ide_ = std::make_unique<ide::Ide>(options);
    ide_->StartUp();
    if (ide_->Services().Notifiers().size() == 1)
      host::Supports(ide_->Services().Notifiers().begin()->second.get(), notifier_);
    project_ = host::IRef<ide::IdeProject>(new ide::IdeProject(folder_ + "/Project.dpr"));
    if (notifier_) Step();
  }
  ~UpdateBench() {
    notifier_.Clear();
    project_.Clear();
    ide_.reset();
    host::RegistryLocation::Reset();
    std::filesystem::remove_all(folder_);
  }
  // Why the update cannot be measured, or nullptr.
  const char* Problem() const {
    if (!notifier_) return "the package registered no compile notifier";
    if (!ide_->Errors().empty()) return ide_->Errors().front().Message.c_str();
    return nullptr;
  }
  void Step() { notifier_->BeforeCompile(project_.get(), false, cancel_); }

 private:
  std::string folder_;
  std::unique_ptr<ide::Ide> ide_;
  host::IRef<host::IOTAIDENotifier50> notifier_;
  host::IRef<ide::IdeProject> project_;
  bool cancel_ = false;
};

// The bare file operations on a CompDate.pas of its own.
class BaselineBench {
 public:
  BaselineBench()
      : folder_(MakeFolder()),
        path_(folder_ + "/CompDate.pas"),
        temp_(path_ + ".new"),
        text_(FleetforgeCompDate::CompDateText(12, 3, 38259.5869097222)) {
    FleetforgeCompDate::WriteCompDate(path_, 12, 3);
  }
  ~BaselineBench() { std::filesystem::remove_all(folder_); }
  // False when a file operation failed.
  bool Step() {
    host::TTextFile file;
    file.Reset(path_);
    for (int line = 0; line < 4; ++line) benchmark::DoNotOptimize(file.ReadLn());
    file.CloseFile();
    const int fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool written =
        ::write(fd, text_.data(), text_.size()) == static_cast<ssize_t>(text_.size()) &&
        ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temp_.c_str(), path_.c_str()) != 0) return false;
    const int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    const bool synced = ::fsync(dir) == 0;
    return ::close(dir) == 0 && synced;
  }

 private:
  std::string folder_, path_, temp_, text_;
};

void BM_BeforeCompile(benchmark::State& state) {
  UpdateBench bench;
  if (const char* problem = bench.Problem()) return state.SkipWithError(problem);
  for (auto _ : state) bench.Step();
  if (const char* problem = bench.Problem()) state.SkipWithError(problem);
}
BENCHMARK(BM_BeforeCompile)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->DisplayAggregatesOnly(true);

void BM_FileOperationsBaseline(benchmark::State& state) {
  BaselineBench bench;
  for (auto _ : state) {
    if (!bench.Step()) return state.SkipWithError("file operation failed");
  }
}
BENCHMARK(BM_FileOperationsBaseline)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->DisplayAggregatesOnly(true);

// The two alternated within each iteration, so that both meet the same moments
// of the disk; the counters give each one's mean time and their ratio.
void BM_UpdateAgainstBaselinePaired(benchmark::State& state) {
  UpdateBench update;
  BaselineBench baseline;
  if (const char* problem = update.Problem()) return state.SkipWithError(problem);
  using Clock = std::chrono::steady_clock;
  Clock::duration updateTime{}, baselineTime{};
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    if (!baseline.Step()) return state.SkipWithError("file operation failed");
    const Clock::time_point middle = Clock::now();
    update.Step();
    baselineTime += middle - start;
    updateTime += Clock::now() - middle;
  }
  const double n = static_cast<double>(state.iterations());
  const auto us = [n](Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count() / n;
  };
  state.counters["update_us"] = us(updateTime);
  state.counters["baseline_us"] = us(baselineTime);
  state.counters["ratio"] = us(updateTime) / us(baselineTime);
}
BENCHMARK(BM_UpdateAgainstBaselinePaired)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->DisplayAggregatesOnly(true);

// The console report, and the medians of the repetitions for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(::isatty(1) ? OO_Defaults : OO_Tabular) {}
  struct Median {
    double real = 0, cpu = 0, ratio = 0;
  };
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
        continue;
      Median& median = medians_[run.run_name.function_name];
      median.real = run.GetAdjustedRealTime();
      median.cpu = run.GetAdjustedCPUTime();
      const auto ratio = run.counters.find("ratio");
      if (ratio != run.counters.end()) median.ratio = ratio->second;
    }
  }
  Median Of(const std::string& name) const {
    const auto found = medians_.find(name);
    return found == medians_.end() ? Median{} : found->second;
  }

 private:
  std::map<std::string, Median> medians_;
};

}  // namespace

int main(int argc, char** argv) {
  // Interleaved repetitions unless the command line says otherwise.
  std::vector<char*> args(argv, argv + argc);
  std::string interleave = "--benchmark_enable_random_interleaving=true";
  bool given = false;
  for (int i = 1; i < argc; ++i)
    given = given || std::string(argv[i]).rfind("--benchmark_enable_random_interleaving", 0) == 0;
  if (!given) args.insert(args.begin() + 1, interleave.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const RatioReporter::Median update = reporter.Of("BM_BeforeCompile");
  const RatioReporter::Median baseline = reporter.Of("BM_FileOperationsBaseline");
  if (update.real > 0 && baseline.real > 0 && baseline.cpu > 0) {
    std::printf(
        "median real time: BeforeCompile %.1f us, file operations %.1f us, ratio %.2f (goal: at "
        "most 1.5)\n"
        "median CPU time:  BeforeCompile %.1f us, file operations %.1f us, ratio %.2f\n",
        update.real, baseline.real, update.real / baseline.real, update.cpu, baseline.cpu,
        update.cpu / baseline.cpu);
  }
  const RatioReporter::Median paired = reporter.Of("BM_UpdateAgainstBaselinePaired");
  if (paired.ratio > 0)
    std::printf("median ratio, alternated in one loop: %.2f (goal: at most 1.5)\n", paired.ratio);
  benchmark::Shutdown();
  return 0;
}
