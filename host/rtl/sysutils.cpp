// Run-time library: strings, conversions, file names, the clock and formatting.
//
// Decisions where the host leaves a choice:
// - StrToInt accepts hexadecimal of any length whose value fits in 32 bits, so
//   leading zeros are allowed ("$000000001" is 1). A negative sign before a hex
//   value negates the 32-bit pattern ("-$FFFFFFFF" is 1).
// - Date-time values follow the host's model: the whole part counts days (negative
//   before 30 December 1899) and the time of day is the absolute value of the
//   fraction. Values are first rounded to the nearest millisecond. Values outside
//   1 January 0001 .. 31 December 9999, and NaN or infinity, raise EConvertError.
// - FormatDateTime supports y, m, d, h, n, s, z in their usual runs (yy/yyyy,
//   m/mm/mmm/mmmm, d/dd/ddd/dddd with English names, h/hh, n/nn, s/ss, z/zzz),
//   quoted literals, ':' and '/'. Other characters, letters included, are copied
//   as they are. An empty pattern gives an empty string.
// - StrExtended rounds the exact binary value to 15 significant digits, ties to
//   even; NaN and infinities are "Nan", "+Inf" and "-Inf", right-aligned in the
//   same 23-character field as every other value.
#include "host/rtl/sysutils.h"
#include "host/rtl/chars.h"
#include "host/rtl/quoting.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>

namespace host {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Day numbers of 1 January 0001 and 31 December 9999.
constexpr int64_t kMinDay = -693593;
constexpr int64_t kMaxDay = 2958465;

[[noreturn]] void RaiseNotInteger(const AnsiString& text) {
  throw EConvertError(QuotedForMessage(text) + " is not a valid integer value");
}

// Index just after the last path delimiter (0 when there is none). On POSIX
// only "/" separates folders, and ":" and "\" are characters of a name; on
// Windows "\" and "/" separate folders and ":" ends a drive.
size_t NameStart(const AnsiString& fileName) {
#ifdef _WIN32
  const size_t slash = fileName.find_last_of("\\/:");
#else
  const size_t slash = fileName.rfind('/');
#endif
  return slash == AnsiString::npos ? 0 : slash + 1;
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
  month = static_cast<int>(m);
  day = static_cast<int>(d);
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// A date-time value split into its day number and the milliseconds of its time
// of day, after rounding to the nearest millisecond.
struct SplitDateTime {
  int64_t day;
  int64_t msOfDay;
};

SplitDateTime Split(TDateTime value) {
  if (!std::isfinite(value) || std::fabs(value) > static_cast<double>(kMaxDay + 2)) {
    throw EConvertError("Invalid argument to date decode");
  }
  const int64_t total = std::llround(std::fabs(value) * static_cast<double>(kMsPerDay));
  int64_t day = total / kMsPerDay;
  if (value < 0) day = -day;
  if (day < kMinDay || day > kMaxDay) throw EConvertError("Invalid argument to date decode");
  return {day, total % kMsPerDay};
}

struct Separators {
  char time;
  char date = '/';
};

Separators& TheSeparators() {
  static Separators separators{[] {
    const char* fromEnv = std::getenv("FLEETFORGE_TIME_SEPARATOR");
    return (fromEnv != nullptr && fromEnv[0] != '\0') ? fromEnv[0] : ':';
  }()};
  return separators;
}

std::optional<TDateTime>& PinnedMoment() {
  static std::optional<TDateTime> pinned;
  return pinned;
}

void AppendNumber(AnsiString& out, int64_t value, int minDigits) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%0*lld", minDigits, static_cast<long long>(value));
  out += buffer;
}

constexpr const char* kShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kLongMonthNames[12] = {"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
constexpr const char* kShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kLongDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};

}  // namespace

AnsiString QuotedForMessage(const AnsiString& text) {
  constexpr size_t kShown = 60;
  static constexpr char kHex[] = "0123456789ABCDEF";
  AnsiString quoted = "'";
  for (size_t i = 0; i < text.size() && i < kShown; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      quoted += "\\x";
      quoted += kHex[c >> 4];
      quoted += kHex[c & 0xF];
    } else {
      quoted += static_cast<char>(c);
    }
  }
  if (text.size() > kShown) quoted += "...";
  quoted += "'";
  return quoted;
}

// ---- Strings and conversions ---------------------------------------------

AnsiString IntToStr(Integer value) {
  return std::to_string(value);
}

Integer StrToInt(const AnsiString& text) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < n && text[i] == '$') {
    hex = true;
    i += 1;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  } else if (i < n && (text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    i += 1;
  }
  if (i >= n) RaiseNotInteger(text);

  if (hex) {
    uint32_t value = 0;
    for (; i < n; ++i) {
      const int digit = HexDigitValue(text[i]);
      if (digit < 0 || value > 0x0FFFFFFFu) RaiseNotInteger(text);
      value = (value << 4) | static_cast<uint32_t>(digit);
    }
    if (negative) value = 0u - value;
    return static_cast<Integer>(value);  // two's complement, defined since C++20
  }

  // Decimal: magnitude limited to 2147483647, or 2147483648 with a minus sign.
  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  int64_t magnitude = 0;
  for (; i < n; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') RaiseNotInteger(text);
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) RaiseNotInteger(text);
  }
  return static_cast<Integer>(negative ? -magnitude : magnitude);
}

AnsiString Trim(const AnsiString& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

AnsiString UpperCase(const AnsiString& text) {
  AnsiString result = text;
  for (char& c : result) c = UpCase(c);
  return result;
}

AnsiString LowerCase(const AnsiString& text) {
  AnsiString result = text;
  for (char& c : result) c = LowCase(c);
  return result;
}

Integer Pos(const AnsiString& sub, const AnsiString& text) {
  if (sub.empty()) return 0;
  const size_t found = text.find(sub);
  if (found == AnsiString::npos || found >= static_cast<size_t>(INT32_MAX)) return 0;
  return static_cast<Integer>(found + 1);
}

void Delete(AnsiString& text, Integer index, Integer count) {
  const int64_t length = static_cast<int64_t>(text.size());
  if (index < 1 || index > length || count <= 0) return;
  const int64_t start = index - 1;
  const int64_t available = length - start;
  text.erase(static_cast<size_t>(start),
             static_cast<size_t>(count < available ? static_cast<int64_t>(count) : available));
}

// ---- File names and files --------------------------------------------------

AnsiString ExtractFilePath(const AnsiString& fileName) {
  return fileName.substr(0, NameStart(fileName));
}

AnsiString ExtractFileName(const AnsiString& fileName) {
  return fileName.substr(NameStart(fileName));
}

AnsiString ExtractFileExt(const AnsiString& fileName) {
  const size_t start = NameStart(fileName);
  const size_t dot = fileName.rfind('.');
  if (dot == AnsiString::npos || dot < start) return AnsiString();
  return fileName.substr(dot);
}

bool FileExists(const AnsiString& fileName) {
  struct stat info {};
  return ::stat(fileName.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// ---- Clock -----------------------------------------------------------------

std::optional<LocalOffset> LocalOffsetAt(int64_t unixSeconds) {
  const auto moment = static_cast<std::time_t>(unixSeconds);
  if (static_cast<int64_t>(moment) != unixSeconds) return std::nullopt;
  std::tm local{};
#ifdef _WIN32
  ::_tzset();
  if (::localtime_s(&local, &moment) != 0) return std::nullopt;
  // The local calendar time read back as UTC, less the moment: the offset.
  std::tm asUtc = local;
  const int64_t localAsUtc = ::_mkgmtime(&asUtc);
  if (localAsUtc == -1) return std::nullopt;
  const int64_t offset = localAsUtc - unixSeconds;
#else
  ::tzset();
  if (::localtime_r(&moment, &local) == nullptr) return std::nullopt;
  const int64_t offset = local.tm_gmtoff;
#endif
  return LocalOffset{offset, static_cast<int64_t>(local.tm_year) + 1900};
}

TDateTime Now() {
  if (PinnedMoment()) return *PinnedMoment();
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const int64_t offset = LocalOffsetAt(now.tv_sec).value_or(LocalOffset{0, 0}).Seconds;
  // Milliseconds of local time since 1970-01-01, rounded to the nearest one.
  const int64_t localSeconds = static_cast<int64_t>(now.tv_sec) + offset;
  return DateTimeFromUnixMs(localSeconds * 1000 +
                            (static_cast<int64_t>(now.tv_nsec) + 500000) / 1000000);
}

TDateTime DateTimeFromUnixMs(int64_t localMs) {
  int64_t day = localMs / kMsPerDay;
  int64_t msOfDay = localMs % kMsPerDay;
  if (msOfDay < 0) {
    msOfDay += kMsPerDay;
    day -= 1;
  }
  day += static_cast<int64_t>(UnixDateDelta);
  const double fraction = static_cast<double>(msOfDay) / static_cast<double>(kMsPerDay);
  // The time of day counts away from the epoch day, as DecodeTime reads it.
  return day < 0 ? static_cast<double>(day) - fraction : static_cast<double>(day) + fraction;
}

void PinClock(TDateTime moment) {
  PinnedMoment() = moment;
}

void UnpinClock() {
  PinnedMoment().reset();
}

TDateTime EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    throw EConvertError("Invalid argument to date encode");
  }
  return static_cast<double>(DaysFromCivil(year, month, day) + 25569);
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
      msec > 999) {
    throw EConvertError("Invalid argument to time encode");
  }
  const int64_t ms = ((static_cast<int64_t>(hour) * 60 + minute) * 60 + second) * 1000 + msec;
  return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  CivilFromDays(Split(value).day - 25569, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
  const int64_t ms = Split(value).msOfDay;
  hour = static_cast<int>(ms / 3600000);
  minute = static_cast<int>(ms / 60000 % 60);
  second = static_cast<int>(ms / 1000 % 60);
  msec = static_cast<int>(ms % 1000);
}

// ---- Formatting ------------------------------------------------------------

char TimeSeparator() {
  return TheSeparators().time;
}
void SetTimeSeparator(char separator) {
  TheSeparators().time = separator;
}
char DateSeparator() {
  return TheSeparators().date;
}
void SetDateSeparator(char separator) {
  TheSeparators().date = separator;
}

AnsiString FormatDateTime(const AnsiString& format, TDateTime value) {
  const SplitDateTime split = Split(value);
  int year = 0, month = 0, day = 0;
  CivilFromDays(split.day - 25569, year, month, day);
  const int64_t ms = split.msOfDay;
  const int64_t hour = ms / 3600000;
  const int64_t minute = ms / 60000 % 60;
  const int64_t second = ms / 1000 % 60;
  const int64_t msec = ms % 1000;
  // 30 December 1899 was a Saturday.
  const int64_t dayOfWeek = ((split.day + 6) % 7 + 7) % 7;

  AnsiString out;
  char lastLetter = '\0';  // the last letter specifier, upper case
  const size_t n = format.size();
  size_t i = 0;
  while (i < n) {
    const char c = format[i];
    if (c == '"' || c == '\'') {
      const size_t close = format.find(c, i + 1);
      const size_t end = close == AnsiString::npos ? n : close;
      out.append(format, i + 1, end - i - 1);
      i = end == n ? n : end + 1;
      continue;
    }
    if (c == ':') {
      out += TimeSeparator();
      ++i;
      continue;
    }
    if (c == '/') {
      out += DateSeparator();
      ++i;
      continue;
    }
    char token = UpCase(c);
    if (token < 'A' || token > 'Z') {
      out += c;
      ++i;
      continue;
    }
    size_t count = 1;
    while (i + count < n && UpCase(format[i + count]) == token) ++count;
    if (token == 'M' && lastLetter == 'H') token = 'N';
    switch (token) {
      case 'Y':
        if (count <= 2) {
          AppendNumber(out, year % 100, 2);
        } else {
          AppendNumber(out, year, 4);
        }
        break;
      case 'M':
        if (count <= 2) {
          AppendNumber(out, month, static_cast<int>(count));
        } else {
          out += count == 3 ? kShortMonthNames[month - 1] : kLongMonthNames[month - 1];
        }
        break;
      case 'D':
        if (count <= 2) {
          AppendNumber(out, day, static_cast<int>(count));
        } else {
          out += count == 3 ? kShortDayNames[dayOfWeek] : kLongDayNames[dayOfWeek];
        }
        break;
      case 'H':
        AppendNumber(out, hour, count == 1 ? 1 : 2);
        break;
      case 'N':
        AppendNumber(out, minute, count == 1 ? 1 : 2);
        break;
      case 'S':
        AppendNumber(out, second, count == 1 ? 1 : 2);
        break;
      case 'Z':
        AppendNumber(out, msec, count == 1 ? 1 : 3);
        break;
      default:
        // Not a specifier: the letter is copied as it is.
        out += c;
        count = 1;
        break;
    }
    lastLetter = token;
    i += count;
  }
  return out;
}

AnsiString StrExtended(long double value) {
  constexpr size_t kWidth = 23;
  if (std::isnan(value) || std::isinf(value)) {
    const AnsiString word = std::isnan(value) ? "Nan" : (value > 0 ? "+Inf" : "-Inf");
    return AnsiString(kWidth - word.size(), ' ') + word;
  }
  // "d.ddddddddddddddde+NN" from the C library, with its exact rounding.
  char digits[64];
  std::snprintf(digits, sizeof digits, "%.14Le", std::fabs(value));
  const char* e = digits;
  while (*e != '\0' && *e != 'e') ++e;
  const int exponent = std::atoi(e + 1);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%c%.*sE%c%04d", value < 0 ? '-' : ' ',
                static_cast<int>(e - digits), digits, exponent < 0 ? '-' : '+',
                exponent < 0 ? -exponent : exponent);
  return buffer;
}

}  // namespace host
