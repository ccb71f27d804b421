// Run-time library: the host's error classes, strings, conversions, file names,
// the clock and date/number formatting.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "host/api.h"

namespace host {

using AnsiString = std::string;
using Integer = int32_t;
// Whole days since 30 December 1899; the time of day is the fraction.
using TDateTime = double;

// ---- Error classes -------------------------------------------------------
// Every host failure is one of these. ClassName() is the host's class name, which
// the IDE reports together with Message().
class HOST_API Exception : public std::exception {
 public:
  explicit Exception(AnsiString message) : message_(std::move(message)) {}
  const AnsiString& Message() const { return message_; }
  virtual const char* ClassName() const { return "Exception"; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  AnsiString message_;
};

#define HOST_EXCEPTION_CLASS(Name, Base)                     \
  class HOST_API Name : public Base {                        \
   public:                                                   \
    using Base::Base;                                        \
    const char* ClassName() const override { return #Name; } \
  }

HOST_EXCEPTION_CLASS(EConvertError, Exception);
HOST_EXCEPTION_CLASS(EInOutError, Exception);
HOST_EXCEPTION_CLASS(ERegistryException, Exception);
HOST_EXCEPTION_CLASS(EInvalidCast, Exception);
HOST_EXCEPTION_CLASS(EIntfCastError, Exception);
HOST_EXCEPTION_CLASS(EInvalidOperation, Exception);
HOST_EXCEPTION_CLASS(EOutOfResources, Exception);
HOST_EXCEPTION_CLASS(EMenuError, Exception);
HOST_EXCEPTION_CLASS(EComponentError, Exception);
HOST_EXCEPTION_CLASS(EPackageError, Exception);
HOST_EXCEPTION_CLASS(EResNotFound, Exception);
HOST_EXCEPTION_CLASS(EListError, Exception);

// ---- Strings and conversions ---------------------------------------------
HOST_API AnsiString IntToStr(Integer value);
// Signed 32-bit decimal, or hexadecimal with "$", "0x" or "x" (after an optional
// sign); leading blanks skipped, anything trailing is an error. Raises
// EConvertError "'<text>' is not a valid integer value".
HOST_API Integer StrToInt(const AnsiString& text);
// Removes leading and trailing characters up to and including the blank (<= ' ').
HOST_API AnsiString Trim(const AnsiString& text);
// Changes only the letters a to z.
HOST_API AnsiString UpperCase(const AnsiString& text);
HOST_API AnsiString LowerCase(const AnsiString& text);
// 1-based position of sub in text; 0 when absent (an empty sub is never found).
HOST_API Integer Pos(const AnsiString& sub, const AnsiString& text);
// Removes count characters from the 1-based index on; out-of-range parts are ignored.
HOST_API void Delete(AnsiString& text, Integer index, Integer count);

// ---- File names and files --------------------------------------------------
// The path delimiter is "/", the only one of this platform: ":" and "\" are
// characters of a file name. ExtractFilePath(f) + ExtractFileName(f) is f.
HOST_API AnsiString ExtractFilePath(const AnsiString& fileName);  // up to the last delimiter
HOST_API AnsiString ExtractFileName(const AnsiString& fileName);  // after the last delimiter
HOST_API AnsiString ExtractFileExt(const AnsiString& fileName);   // from the last "." of the name
HOST_API bool FileExists(const AnsiString& fileName);             // a regular file

// ---- Clock -----------------------------------------------------------------
// Now() reads the host clock: the system's local time, or a pinned moment.
HOST_API TDateTime Now();
HOST_API void PinClock(TDateTime moment);
HOST_API void UnpinClock();
// The date-time of a moment given as milliseconds of local time since 1970-01-01
// 00:00 (negative before it): the day number, plus the time of day as the
// fraction, which is subtracted for days before 30 December 1899 (1899-12-29
// 06:00 is -1.25), so that DecodeDate and DecodeTime give the moment back. Now()
// forms its value this way.
HOST_API TDateTime DateTimeFromUnixMs(int64_t localMs);
// The system's local time zone's offset from UTC, in seconds east, at the moment
// given in seconds since 1970 (UTC), and the local year then; nullopt when the
// system cannot convert that moment.
struct LocalOffset {
  int64_t Seconds;
  int64_t Year;
};
HOST_API std::optional<LocalOffset> LocalOffsetAt(int64_t unixSeconds);
HOST_API TDateTime EncodeDate(int year, int month, int day);
HOST_API TDateTime EncodeTime(int hour, int minute, int second, int msec);
HOST_API void DecodeDate(TDateTime value, int& year, int& month, int& day);
HOST_API void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
constexpr double UnixDateDelta = 25569.0;  // days from 1899-12-30 to 1970-01-01

// ---- Formatting ------------------------------------------------------------
// The locale's separators. The time separator comes from the user's regional
// settings (the environment variable FLEETFORGE_TIME_SEPARATOR here); colon by default.
HOST_API char TimeSeparator();
HOST_API void SetTimeSeparator(char separator);
HOST_API char DateSeparator();
HOST_API void SetDateSeparator(char separator);

HOST_API AnsiString FormatDateTime(const AnsiString& format, TDateTime value);
// Str(x) of an extended value without width: sign blank or "-", one digit, ".",
// 14 digits, "E", sign, four exponent digits, e.g. " 3.82595869097222E+0004".
HOST_API AnsiString StrExtended(long double value);

}  // namespace host
