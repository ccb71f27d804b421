// CompDate.pas: the 21-line Delphi unit written beside a project before each
// compile, with a build counter, a Code Insight compile counter and the moment
// of the compile; and the update that reads the counters back, raises one and
// writes the file anew.
//
// The file is the only durable store of the two counters. The reader looks at
// the header lines 3 and 4 only; the writer replaces the whole file under the
// file's writers' lock (host/rtl/filelock.h): atomically through a temporary file
// in the same folder, so a failed write leaves the previous file as it was, or in
// place when only the file, not its folder, may be written. A read-only file is
// refused. An update holds the lock from its read to its write.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>

#include "host/rtl/sysutils.h"

namespace FleetforgeCompDate {

using host::AnsiString;
using host::TDateTime;

inline constexpr const char* kCompDateFileName = "CompDate.pas";
// The only project extension that gets a compile-date unit, compared byte for byte.
inline constexpr const char* kDelphiProjectExt = ".dpr";

// The counters of an existing file: (build counter, Code Insight counter), taken
// from lines 3 and 4 after their first 10 and 13 characters. Raises the host's
// EInOutError when the file cannot be read and EConvertError when a header line
// does not leave a valid integer (a file of fewer than four lines included).
std::pair<int32_t, int32_t> ReadCompDate(const AnsiString& path);

// The whole text of the unit for the two counters at the given moment: 21 lines,
// each ended by CR LF. Raises EConvertError for a moment outside the years 1 to 9999.
AnsiString CompDateText(int32_t build, int32_t internal, TDateTime moment);

// Replaces the file at path with the unit for the two counters at the current
// moment (one reading of the host clock). Raises EInOutError on failure; the file
// then keeps its previous contents, or stays absent.
void WriteCompDate(const AnsiString& path, int32_t build, int32_t internal);
// The same at a given moment.
void WriteCompDate(const AnsiString& path, int32_t build, int32_t internal, TDateTime moment);

// The unit's place for a project file: the project's folder (empty when the name
// has none, which means the current folder) followed by "CompDate.pas".
AnsiString CompDatePath(const AnsiString& projectFileName);
bool IsDelphiProject(const AnsiString& projectFileName);

// The counter after one more compile: past the largest 32-bit value it wraps
// around to the smallest.
constexpr int32_t NextCounter(int32_t counter) {
  return static_cast<int32_t>(static_cast<uint32_t>(counter) + 1u);
}

struct TCompDateUpdate {
  // False when the project is not a Delphi project: nothing was read or written.
  bool Written = false;
  AnsiString Path;
  // Whether the counters were read from an existing file (else they began at 0).
  bool FromFile = false;
};

// One compile's update of the project's CompDate.pas: read the counters (0 and 0
// without a file), raise the Code Insight counter or the build counter, write the
// file. BuildCounter and InternalCounter are the working storage of the update and
// hold the counters as they stand when it stops. With no moment given, the writer
// reads the clock. Errors of the reader and the writer pass out unchanged; a
// failure in reading leaves the file unchanged and no failure leaves it partly
// written.
TCompDateUpdate UpdateCompDate(const AnsiString& projectFileName, bool isCodeInsight,
                               int32_t& BuildCounter, int32_t& InternalCounter,
                               std::optional<TDateTime> moment = std::nullopt);

}  // namespace FleetforgeCompDate
