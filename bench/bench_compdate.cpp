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
// Both run in ten repetitions, randomly interleaved (flushing to disk varies
// from moment to moment); the program prints the medians and their ratio, in
// real time and in processor time. The goal is a real-time ratio of at most 1.5.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

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

class ProjectFile : public host::TInterfacedObject, public host::IOTAProject {
 public:
  explicit ProjectFile(std::string fileName) : file_name_(std::move(fileName)) {}
  HOST_IMPLEMENT_IINTERFACE
  bool Save(bool, bool) override { return true; }
  bool CloseModule(bool) override { return true; }
  int32_t GetOwnerCount() override { return 0; }
  host::AnsiString GetFileName() override { return file_name_; }
  host::AnsiString GetPersonality() override { return "Delphi"; }

 protected:
  bool GetInterface(const host::TGUID& iid, void** object) override {
    if (iid == host::IInterface::IID() || iid == host::IOTAProject::IID()) {
      *object = static_cast<host::IOTAProject*>(this);
      return true;
    }
    return false;
  }

 private:
  std::string file_name_;
};

void BM_BeforeCompile(benchmark::State& state) {
  const std::string folder = MakeFolder();
  host::RegistryLocation::UseMemory();  // the setting's default: CreateCompDate on
  {
    ide::IdeOptions options;
    options.PackageFile = FLEETFORGE_DEFAULT_PACKAGE;
    options.ProjectsFolder = folder + "/Projects";
    ide::Ide ide(options);
    ide.StartUp();
    host::IRef<host::IOTAIDENotifier50> notifier;
    if (ide.Services().Notifiers().size() != 1 ||
        !host::Supports(ide.Services().Notifiers().begin()->second.get(), notifier)) {
      state.SkipWithError("the package registered no compile notifier");
      return;
    }
    host::IRef<ProjectFile> project(new ProjectFile(folder + "/Project.dpr"));
    bool cancel = false;
    notifier->BeforeCompile(project.get(), false, cancel);  // the file exists from here on
    for (auto _ : state) notifier->BeforeCompile(project.get(), false, cancel);
    if (!ide.Errors().empty()) state.SkipWithError(ide.Errors().front().Message.c_str());
  }
  host::RegistryLocation::Reset();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_BeforeCompile)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->DisplayAggregatesOnly(true);

void BM_FileOperationsBaseline(benchmark::State& state) {
  const std::string folder = MakeFolder();
  const std::string path = folder + "/CompDate.pas";
  const std::string temp = path + ".new";
  const std::string text = FleetforgeCompDate::CompDateText(12, 3, 38259.5869097222);
  FleetforgeCompDate::WriteCompDate(path, 12, 3);
  for (auto _ : state) {
    host::TTextFile file;
    file.Reset(path);
    for (int line = 0; line < 4; ++line) benchmark::DoNotOptimize(file.ReadLn());
    file.CloseFile();
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        ::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
      state.SkipWithError("file operation failed");
      break;
    }
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::fsync(dir);
    ::close(dir);
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_FileOperationsBaseline)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(10)
    ->DisplayAggregatesOnly(true);

// The console report, and the medians of the repetitions for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  struct Median {
    double real = 0, cpu = 0;
  };
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
        continue;
      medians_[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
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
  benchmark::Shutdown();
  return 0;
}
