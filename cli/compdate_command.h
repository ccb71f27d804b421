// fleetforge compdate PROJECTFILE [--code-insight]: the compile notifier's update
// of CompDate.pas outside the IDE, for use as a pre-build step.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace fleetforge {

// Exit codes of the command.
inline constexpr int kCompDateDone = 0;      // written, or nothing to do (and why)
inline constexpr int kCompDateFailed = 1;    // a conversion or input/output error
inline constexpr int kCompDateBadInput = 2;  // SOURCE_DATE_EPOCH is not a number of seconds

// Updates the CompDate.pas beside projectFile as a compile would (codeInsight:
// as a Code Insight compile). Only ".dpr" projects, exactly so written, get one;
// the IDE's CreateCompDate setting does not apply, as the command is an explicit
// request. The compile moment is SOURCE_DATE_EPOCH (seconds since 1970 UTC, shown
// in local time) when that is set and not empty, otherwise the clock. On an error
// the file is left as it was and the message names it.
int RunCompDate(const std::string& projectFile, bool codeInsight, std::ostream& out,
                std::ostream& err);

// The local date-time of a moment given in seconds since 1970-01-01 UTC, in the
// process's time zone; nullopt when it lies outside the years 1 to 9999.
std::optional<double> LocalDateTimeFromEpoch(int64_t seconds);

// The same for SOURCE_DATE_EPOCH's text: a whole number of seconds and nothing
// else; nullopt for any other text or a moment outside the years 1 to 9999.
std::optional<double> LocalDateTimeFromEpochText(const std::string& text);

}  // namespace fleetforge
