// The CompDate.pas reader under arbitrary file contents.
//
// Every input either fails with the host's conversion error (or, never expected
// here, its input/output error) or yields two counters. For two counters, the
// unit written for them reads back to the same two, and the update raises exactly
// one of them by one, wrapping at the 32-bit limit. Any other outcome aborts.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "compdate/CompDateFile.h"
#include "host/rtl/textfile.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "CompDate.pas reader: %s\n", what);
  std::abort();
}

// A folder of this process's own for the unit under test, in memory where the
// system has a memory file system (flushing to disk would dominate each run).
// Kept in a plain array, which outlives the clean-up at exit.
char folder_name[256];

const char* Folder() {
  if (folder_name[0] == '\0') {
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                             : tmp && *tmp                   ? tmp
                                                             : "/tmp";
    const std::string pattern = base + "/fleetforge-fuzz-XXXXXX";
    if (pattern.size() >= sizeof folder_name) Fail("scratch folder name too long");
    pattern.copy(folder_name, pattern.size());
    if (::mkdtemp(folder_name) == nullptr) Fail("no scratch folder");
    std::atexit([] {
      std::remove((std::string(folder_name) + "/CompDate.pas").c_str());
      ::rmdir(folder_name);
    });
  }
  return folder_name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace FleetforgeCompDate;
  const std::string folder = Folder();
  const std::string path = folder + "/CompDate.pas";
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  host::AtomicWriteFile(path, bytes);

  std::pair<int32_t, int32_t> counters;
  try {
    counters = ReadCompDate(path);
  } catch (const host::EConvertError&) {
    // A malformed unit: the update must fail the same way and keep the file.
    int32_t build = 7, internal = 9;
    try {
      UpdateCompDate(folder + "/Project.dpr", false, build, internal, 38259.5);
      Fail("the update rewrote a file that the reader refused");
    } catch (const host::EConvertError&) {
    }
    if (host::ReadFileBytes(path) != bytes) Fail("a refused file was changed");
    return 0;
  } catch (const host::EInOutError&) {
    Fail("an input/output error on a readable file");
  }

  const bool codeInsight = size % 2 == 1;
  int32_t build = 0, internal = 0;
  const TCompDateUpdate update =
      UpdateCompDate(folder + "/Project.dpr", codeInsight, build, internal, 38259.5869097222);
  if (!update.Written || !update.FromFile) Fail("the update did not go on from the file");
  const std::pair<int32_t, int32_t> expected =
      codeInsight ? std::make_pair(counters.first, NextCounter(counters.second))
                  : std::make_pair(NextCounter(counters.first), counters.second);
  if (std::make_pair(build, internal) != expected) Fail("the update raised the wrong counter");
  if (ReadCompDate(path) != expected) Fail("the written unit reads back to other counters");
  if (host::ReadFileBytes(path) != CompDateText(expected.first, expected.second, 38259.5869097222))
    Fail("the written unit is not the unit's text");
  return 0;
}
