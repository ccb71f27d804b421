// Reading the add-in's settings from a large registry file, against reading the
// file's bytes.
//
// BM_ReadOptions/<file>: the package's own ReadOptionsFromRegistry (loaded from
// the package module, as the command line loads it) on a registry file that holds
// the add-in's key among many others, alternated in one loop with the baseline,
// a bare read of the same file's bytes (open, size, one buffer, read). Files:
//  - siblings:N, N = 1000, 10000, 100000: N keys side by side beside the add-in's
//    key, one value each (what made reading quadratic);
//  - size_mb:N, N = 1, 10, 100: an exported registry of that size, keys of a
//    handful of values each: text, numbers, and binary data wrapped over lines.
// The add-in's key comes last, so that it is found only at the end of the file.
//
// Counters: read_ms and baseline_ms (mean per iteration), ratio (read time over
// baseline time), ns_per_byte (read time over the file's size, the same at every
// size when time is linear in it), and peak_per_size: the most heap memory in use
// at once during one read, above what was in use before it, over the file's size
// (every allocation of the process is counted through its own operator new).
//
// A file written less than a few seconds ago is compared by content on every use
// (RegFileKey's settling time); the files are made first and the measurements wait
// until they have settled, as a user's registry file has.
//
// Goals: time linear in the file's size, at most 10 times the bare read at 100 MB,
// peak memory under 3 times the file's size.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/package_routines.h"
#include "global/OptionsRecord.h"
#include "host/rtl/regfile.h"
#include "host/vcl/registry.h"

// ---- Heap accounting ---------------------------------------------------------

namespace {

std::atomic<size_t> heapInUse{0};
std::atomic<size_t> heapPeak{0};

void* Allocate(size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  const size_t now = heapInUse.fetch_add(malloc_usable_size(block)) + malloc_usable_size(block);
  size_t peak = heapPeak.load();
  while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
  }
  return block;
}

void Release(void* block) {
  if (block == nullptr) return;
  heapInUse.fetch_sub(malloc_usable_size(block));
  std::free(block);
}

}  // namespace

void* operator new(size_t size) {
  return Allocate(size);
}
void* operator new[](size_t size) {
  return Allocate(size);
}
void operator delete(void* block) noexcept {
  Release(block);
}
void operator delete[](void* block) noexcept {
  Release(block);
}
void operator delete(void* block, size_t) noexcept {
  Release(block);
}
void operator delete[](void* block, size_t) noexcept {
  Release(block);
}

namespace {

// ---- The files ---------------------------------------------------------------

using FleetforgeGlobal::kOptionValues;
using FleetforgeGlobal::TOptionsRecord;
using FleetforgeGlobal::TOptionValue;

// The settings that the add-in's key holds in every file.
constexpr TOptionsRecord kStored = {false, true, true, false, true, 400};

// The add-in's key with the six values, as a registry editor exports them.
std::string FleetforgeSection() {
  std::string text = std::string("[HKEY_CURRENT_USER") + FleetforgeGlobal::kRegistryKey + "]\r\n";
  char line[80];
  for (const TOptionValue& value : kOptionValues) {
    const uint32_t number = value.Switch != nullptr ? (kStored.*value.Switch ? 1 : 0)
                                                    : static_cast<uint32_t>(kStored.*value.Integer);
    std::snprintf(line, sizeof line, "\"%s\"=dword:%08x\r\n", value.Name, number);
    text += line;
  }
  return text + "\r\n";
}

// Whether record holds what the files store.
bool AsStored(const TOptionsRecord& record) {
  for (const TOptionValue& value : kOptionValues) {
    const bool same = value.Switch != nullptr ? record.*value.Switch == kStored.*value.Switch
                                              : record.*value.Integer == kStored.*value.Integer;
    if (!same) return false;
  }
  return true;
}

std::string SiblingsFile(int count) {
  std::string text = "REGEDIT4\r\n\r\n";
  char line[160];
  for (int i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line,
                  "[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Sibling%06d]\r\n"
                  "\"Value\"=\"%d\"\r\n\r\n",
                  i, i);
    text += line;
  }
  return text + FleetforgeSection();
}

// Keys as a registry editor exports them, until the file has size bytes.
std::string ExportFile(size_t size) {
  std::string text = "REGEDIT4\r\n\r\n";
  text.reserve(size + 4096);
  char line[256];
  for (unsigned key = 0; text.size() < size; ++key) {
    std::snprintf(line, sizeof line,
                  "[HKEY_CURRENT_USER\\Software\\Vendor%03u\\Product%u\\Settings]\r\n"
                  "\"InstallPath\"=\"C:\\\\Program Files\\\\Vendor%03u\\\\Product%u\"\r\n"
                  "\"Version\"=dword:%08x\r\n"
                  "\"Enabled\"=dword:00000001\r\n"
                  "\"Caption\"=\"Window \\\"%u\\\" of the product\"\r\n",
                  key % 1000, key, key % 1000, key, key * 2654435761u, key);
    text += line;
    // 64 bytes of binary data, wrapped as an export wraps it.
    std::string data = "\"Layout\"=hex:";
    size_t column = data.size();
    for (unsigned b = 0; b < 64; ++b) {
      std::snprintf(line, sizeof line, "%02x", (key * 31 + b * 7) & 0xFF);
      std::string piece = line;
      if (b + 1 < 64) piece += ',';
      if (column + piece.size() > 76) {
        data += "\\\r\n  ";
        column = 2;
      }
      data += piece;
      column += piece.size();
    }
    text += data + "\r\n\r\n";
  }
  return text + FleetforgeSection();
}

std::string folder;
std::map<std::string, std::string> files;  // by benchmark argument name: path
std::chrono::steady_clock::time_point lastWritten;

const std::string& File(const std::string& name) {
  return files.at(name);
}

void MakeFiles() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/fleetforge-bench-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  folder = pattern;
  auto write = [](const std::string& name, const std::string& text) {
    const std::string path = folder + "/" + name + ".reg";
    std::ofstream(path, std::ios::binary) << text;
    files[name] = path;
  };
  for (int count : {1000, 10000, 100000})
    write("siblings" + std::to_string(count), SiblingsFile(count));
  for (size_t mb : {1, 10, 100}) write("size" + std::to_string(mb), ExportFile(mb * 1000 * 1000));
  lastWritten = std::chrono::steady_clock::now();
}

// Waits until every file has settled (see above).
void AwaitSettled() {
  const auto settled = lastWritten + std::chrono::seconds(host::RegFileKey::kSettleSeconds) +
                       std::chrono::milliseconds(200);
  std::this_thread::sleep_until(settled);
}

// ---- The two readers ---------------------------------------------------------

// The bare read: the file's bytes in one buffer of its size.
size_t BareRead(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) std::abort();
  struct stat info {};
  if (::fstat(fd, &info) != 0) std::abort();
  std::string bytes(static_cast<size_t>(info.st_size), '\0');
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (got <= 0) std::abort();
    done += static_cast<size_t>(got);
  }
  ::close(fd);
  benchmark::DoNotOptimize(bytes.data());
  return done;
}

// Reads the options through the package's own routine; false when the read
// failed or did not give the stored values.
bool ReadStored(fleetforge::PackageRoutines& package) {
  package.Options() = TOptionsRecord{};
  try {
    package.Read();
  } catch (const host::Exception&) {
    return false;
  }
  return AsStored(package.Options());
}

void BM_ReadOptions(benchmark::State& state, const std::string& name) {
  const std::string& path = File(name);
  host::RegistryLocation::UseFile(path);
  std::optional<fleetforge::PackageRoutines> package;
  try {
    package.emplace(FLEETFORGE_DEFAULT_PACKAGE);
  } catch (const host::EPackageError& e) {
    return state.SkipWithError(e.Message().c_str());
  }
  struct stat info {};
  ::stat(path.c_str(), &info);
  const auto size = static_cast<double>(info.st_size);

  // The peak of one read, above the heap in use before it.
  const size_t before = heapInUse.load();
  heapPeak.store(before);
  if (!ReadStored(*package)) return state.SkipWithError("the options were not read as stored");
  const double peak = static_cast<double>(heapPeak.load() - before);

  using Clock = std::chrono::steady_clock;
  Clock::duration readTime{}, baselineTime{};
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    BareRead(path);
    const Clock::time_point middle = Clock::now();
    if (!ReadStored(*package)) return state.SkipWithError("the options were not read as stored");
    baselineTime += middle - start;
    readTime += Clock::now() - middle;
  }
  host::RegistryLocation::Reset();
  const double n = static_cast<double>(state.iterations());
  const auto ms = [n](Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count() / n;
  };
  state.counters["size_mb"] = size / 1e6;
  state.counters["read_ms"] = ms(readTime);
  state.counters["baseline_ms"] = ms(baselineTime);
  state.counters["ratio"] = ms(readTime) / ms(baselineTime);
  state.counters["ns_per_byte"] = ms(readTime) * 1e6 / size;
  state.counters["peak_per_size"] = peak / size;
}

// The summary: each file's median figures against the goals.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  SummaryReporter() : ConsoleReporter(::isatty(1) ? OO_Defaults : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
        continue;
      auto counter = [&run](const char* name) {
        const auto found = run.counters.find(name);
        return found == run.counters.end() ? 0.0 : found->second.value;
      };
      lines_.push_back(Line{run.run_name.function_name, counter("size_mb"), counter("read_ms"),
                            counter("baseline_ms"), counter("ratio"), counter("ns_per_byte"),
                            counter("peak_per_size")});
    }
  }
  void PrintSummary() const {
    if (lines_.empty()) return;
    std::printf("\n%-32s %9s %10s %12s %7s %11s %13s\n", "median of", "size MB", "read ms",
                "bare read ms", "ratio", "ns per byte", "peak / size");
    for (const Line& line : lines_) {
      std::printf("%-32s %9.2f %10.2f %12.2f %7.2f %11.2f %13.2f\n", line.name.c_str(), line.size,
                  line.read, line.baseline, line.ratio, line.nsPerByte, line.peak);
    }
    std::printf(
        "goals: ns per byte about the same at every size (time linear in the file's size), ratio "
        "at most 10 at 100 MB, peak / size under 3\n");
  }

 private:
  struct Line {
    std::string name;
    double size, read, baseline, ratio, nsPerByte, peak;
  };
  std::vector<Line> lines_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  MakeFiles();
  for (const char* name :
       {"siblings1000", "siblings10000", "siblings100000", "size1", "size10", "size100"}) {
    benchmark::RegisterBenchmark((std::string("BM_ReadOptions/") + name).c_str(), BM_ReadOptions,
                                 std::string(name))
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3)
        ->DisplayAggregatesOnly(true);
  }
  AwaitSettled();
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  std::filesystem::remove_all(folder);
  return 0;
}
