// The compdate command. It runs the very update that the compile notifier runs,
// with two differences that come from being a command: the CreateCompDate
// setting is not consulted, and the project file must exist (a mistyped name in
// a build script is reported instead of leaving a stray CompDate.pas).
//
// SOURCE_DATE_EPOCH follows the reproducible-builds convention: a decimal number
// of seconds since 1970-01-01 00:00:00 UTC, optionally negative; an empty value
// counts as unset; anything else is refused before any file is touched.
#include "cli/compdate_command.h"

#include <charconv>
#include <cstdlib>
#include <ctime>
#include <ostream>

#include "compdate/CompDateFile.h"
#include "host/rtl/quoting.h"
#include "host/rtl/sysutils.h"

namespace fleetforge {

namespace {

constexpr const char* kPrefix = "fleetforge compdate: ";

}  // namespace

std::optional<double> LocalDateTimeFromEpoch(int64_t seconds) {
  const std::optional<host::LocalOffset> local = host::LocalOffsetAt(seconds);
  if (!local || local->Year < 1 || local->Year > 9999) return std::nullopt;
  // Whole local seconds since 1970; the host forms the date-time from them.
  return host::DateTimeFromUnixMs((seconds + local->Seconds) * 1000);
}

std::optional<double> LocalDateTimeFromEpochText(const std::string& text) {
  int64_t seconds = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, seconds);
  if (error != std::errc() || stop != end) return std::nullopt;
  return LocalDateTimeFromEpoch(seconds);
}

int RunCompDate(const std::string& projectFile, bool codeInsight, std::ostream& out,
                std::ostream& err) {
  using namespace FleetforgeCompDate;
  if (!IsDelphiProject(projectFile)) {
    out << kPrefix << projectFile << ": not a Delphi project (the name does not end in \""
        << kDelphiProjectExt << "\"); nothing to do\n";
    return kCompDateDone;
  }
  const AnsiString path = CompDatePath(projectFile);
  if (!host::FileExists(projectFile)) {
    err << kPrefix << projectFile << ": project file not found; " << path << " not written\n";
    return kCompDateFailed;
  }

  double moment = 0;
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch != nullptr && *epoch != '\0') {
    const std::optional<double> local = LocalDateTimeFromEpochText(epoch);
    if (!local) {
      err << kPrefix << "SOURCE_DATE_EPOCH " << host::QuotedForMessage(epoch)
          << " is not a number of seconds since 1970 within the years 1 to 9999; " << path
          << " not written\n";
      return kCompDateBadInput;
    }
    moment = *local;
  } else {
    moment = host::Now();
  }

  int32_t build = 0;
  int32_t internal = 0;
  try {
    const TCompDateUpdate update =
        UpdateCompDate(projectFile, codeInsight, build, internal, moment);
    out << update.Path << ": build " << build << ", internal " << internal << ", "
        << host::FormatDateTime("yyyy\"/\"m\"/\"d hh:nn:ss", moment)
        << (update.FromFile ? "" : " (new file)") << "\n";
    return kCompDateDone;
  } catch (const host::Exception& error) {
    // Input/output errors name the file themselves.
    const std::string& message = error.Message();
    const bool named = message.compare(0, path.size() + 2, path + ": ") == 0;
    err << kPrefix << (named ? "" : path + ": ") << message << " (" << error.ClassName()
        << "); the file was left unchanged\n";
    return kCompDateFailed;
  }
}

}  // namespace fleetforge
