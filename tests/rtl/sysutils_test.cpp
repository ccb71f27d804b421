// Strings, conversions, file names, the clock and formatting of the run-time
// library.
#include "host/rtl/sysutils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <random>
#include <regex>

#include "tests/support/environment.h"
#include "tests/support/files.h"
#include "tests/support/host_error.h"

namespace host {
namespace {

// ---- StrToInt / IntToStr ---------------------------------------------------

struct IntCase {
  const char* text;
  Integer value;
};

TEST(StrToInt, AcceptsDecimalAndHexForms) {
  // clang-format off
  const IntCase cases[] = {
      {"0", 0}, {"12", 12}, {" 12", 12}, {"    -7", -7}, {"+5", 5}, {"-5", -5}, {"-0", 0},
      {"007", 7}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"+2147483647", INT32_MAX},
      {"$1F", 31}, {"$1f", 31}, {"0x1f", 31}, {"0X1F", 31}, {"x1F", 31}, {"X1f", 31}, {"0x0", 0},
      {"-$10", -16}, {"+0x10", 16}, {"-x10", -16}, {" $A", 10},
      {"$7FFFFFFF", INT32_MAX}, {"$80000000", INT32_MIN}, {"$FFFFFFFF", -1}, {"$FFFFFFFE", -2},
      {"-$FFFFFFFF", 1}, {"-$80000000", INT32_MIN},
      {"$000000001", 1},  // leading zeros do not count against the 32 bits
  };
  // clang-format on
  for (const IntCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StrToInt(c.text), c.value);
  }
}

TEST(StrToInt, RejectsMalformedAndOutOfRangeText) {
  const char* const cases[] = {
      "",           " ",           "   ",         "-",
      "+",          "12 ",         " 12 ",        "\t12",
      "12\n",       "1 2",         "abc",         "--5",
      "+-5",        "5-",          "- 5",         "1e3",
      "12.0",       "2147483648",  "-2147483649", "99999999999999999999999999",
      "$",          "0x",          "x",           "-$",
      "+x",         "$G",          "0x-5",        "$ 1F",
      "$100000000", "0x123456789", "-$100000000", "$FFFFFFFFF",
      "0x1F ",      "xx1",         "$$1",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(std::string("\"") + text + "\"");
    // Control characters are shown escaped.
    const std::string shown =
        std::regex_replace(std::regex_replace(std::string(text), std::regex("\t"), "\\x09"),
                           std::regex("\n"), "\\x0A");
    EXPECT_EQ(fleetforge_test::HostError<EConvertError>([&] { StrToInt(text); }),
              "'" + shown + "' is not a valid integer value");
  }
}

TEST(StrToInt, TextWithEmbeddedNulIsAnError) {
  EXPECT_THROW(StrToInt(std::string("12\0\x33", 4)), EConvertError);
}

TEST(IntToStr, GivesPlainDecimalThatStrToIntReadsBack) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(13), "13");
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(INT32_MAX), "2147483647");
  EXPECT_EQ(IntToStr(INT32_MIN), "-2147483648");
  for (Integer v : {INT32_MIN, INT32_MIN + 1, -1000000, -1, 0, 1, 999, INT32_MAX - 1, INT32_MAX}) {
    EXPECT_EQ(StrToInt(IntToStr(v)), v);
  }
}

// ---- Other string routines ---------------------------------------------------

TEST(Trim, RemovesControlCharactersAndBlanksAtBothEndsOnly) {
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(Trim(std::string("\x01x\x1f", 3)), "x");
  EXPECT_EQ(Trim(std::string("\0x\0", 3)), "x");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim(" 3.82595869097222E+0004"), "3.82595869097222E+0004");
  // Bytes above 127 are characters, not blanks.
  EXPECT_EQ(Trim("\xA0x\xFF"), "\xA0x\xFF");
}

TEST(CaseConversion, ChangesOnlyAsciiLetters) {
  EXPECT_EQ(UpperCase("abc XYZ 09 \xE9\xFF"), "ABC XYZ 09 \xE9\xFF");
  EXPECT_EQ(LowerCase("ABC xyz 09 \xC9\xDE"), "abc xyz 09 \xC9\xDE");
  EXPECT_EQ(UpperCase("Project1.dpr"), "PROJECT1.DPR");
  EXPECT_EQ(LowerCase("@[`{"), "@[`{");
  EXPECT_EQ(UpperCase("@[`{"), "@[`{");
}

TEST(Pos, IsOneBasedAndZeroWhenAbsent) {
  EXPECT_EQ(Pos("b", "abc"), 2);
  EXPECT_EQ(Pos("a", "abc"), 1);
  EXPECT_EQ(Pos("c", "abcc"), 3);
  EXPECT_EQ(Pos("bc", "abc"), 2);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("abcd", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Pos("", ""), 0);
  EXPECT_EQ(Pos("a", ""), 0);
}

TEST(Delete, RemovesTheInRangePartAndIgnoresTheRest) {
  struct Case {
    Integer index, count;
    const char* expected;
  };
  const Case cases[] = {
      {1, 2, "cdef"},
      {2, 2, "adef"},
      {6, 1, "abcde"},
      {5, 10, "abcd"},
      {1, 6, ""},
      {1, INT32_MAX, ""},
      {3, INT32_MAX, "ab"},
      {0, 2, "abcdef"},
      {-5, 10, "abcdef"},
      {7, 1, "abcdef"},
      {INT32_MAX, 1, "abcdef"},
      {INT32_MIN, INT32_MAX, "abcdef"},
      {2, 0, "abcdef"},
      {2, -1, "abcdef"},
      {2, INT32_MIN, "abcdef"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "index " << c.index << " count " << c.count);
    std::string text = "abcdef";
    Delete(text, c.index, c.count);
    EXPECT_EQ(text, c.expected);
  }
  std::string line = "// Build: 12";
  Delete(line, 1, 10);
  EXPECT_EQ(line, "12");
  std::string shortLine = "// Bui";
  Delete(shortLine, 1, 10);
  EXPECT_EQ(shortLine, "");
}

// ---- File names --------------------------------------------------------------

struct FileNameCase {
  const char* name;
  const char* path;
  const char* file;
  const char* ext;
};

void ExpectFileNameParts(const FileNameCase& c) {
  SCOPED_TRACE(c.name);
  EXPECT_EQ(ExtractFilePath(c.name), c.path);
  EXPECT_EQ(ExtractFileName(c.name), c.file);
  EXPECT_EQ(ExtractFileExt(c.name), c.ext);
  // The three agree: folder and name make the whole, and the extension ends the name.
  EXPECT_EQ(ExtractFilePath(c.name) + ExtractFileName(c.name), c.name);
  EXPECT_TRUE(ExtractFileName(c.name).ends_with(ExtractFileExt(c.name)));
}

#ifndef _WIN32
TEST(FileNames, OnlySlashSeparatesFolders) {
  const FileNameCase cases[] = {
      {"C:\\dir\\file.txt", "", "C:\\dir\\file.txt", ".txt"},
      {"/home/u/Project1.dpr", "/home/u/", "Project1.dpr", ".dpr"},
      {"C:file.pas", "", "C:file.pas", ".pas"},
      {"file", "", "file", ""},
      {"dir.d/file", "dir.d/", "file", ""},
      {"dir.d\\file", "", "dir.d\\file", ".d\\file"},
      {"C:.x\\y", "", "C:.x\\y", ".x\\y"},
      {"archive.tar.gz", "", "archive.tar.gz", ".gz"},
      {"name.", "", "name.", "."},
      {".hidden", "", ".hidden", ".hidden"},
      {"/a/b/", "/a/b/", "", ""},
      {"", "", "", ""},
      {"mixed/sep\\x.y", "mixed/", "sep\\x.y", ".y"},
      {"v2:App.dpr", "", "v2:App.dpr", ".dpr"},
      {"a\\b.dpr", "", "a\\b.dpr", ".dpr"},
      {"/p/v2:App.dpr", "/p/", "v2:App.dpr", ".dpr"},
      {"/p.q/r:s\\t", "/p.q/", "r:s\\t", ""},
      {"/", "/", "", ""},
  };
  for (const FileNameCase& c : cases) ExpectFileNameParts(c);
}
#else
TEST(FileNames, BackslashSlashAndADrivesColonSeparateOnWindows) {
  const FileNameCase cases[] = {
      {"C:\\dir\\file.txt", "C:\\dir\\", "file.txt", ".txt"},
      {"/home/u/Project1.dpr", "/home/u/", "Project1.dpr", ".dpr"},
      {"C:file.pas", "C:", "file.pas", ".pas"},
      {"dir.d\\file", "dir.d\\", "file", ""},
      {"C:.x\\y", "C:.x\\", "y", ""},
      {"mixed/sep\\x.y", "mixed/sep\\", "x.y", ".y"},
      {"\\\\server\\share\\f.pas", "\\\\server\\share\\", "f.pas", ".pas"},
      {"archive.tar.gz", "", "archive.tar.gz", ".gz"},
      {"", "", "", ""},
  };
  for (const FileNameCase& c : cases) ExpectFileNameParts(c);
}
#endif

TEST(FileExists, IsTrueForRegularFilesOnly) {
  const fleetforge_test::TempFolder scratch("rtl-exists");
  const std::string folder = scratch.Name();
  const std::string file = folder + "/a.txt";
  std::FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
#ifndef _WIN32  // symbolic links need privileges on Windows
  ASSERT_EQ(::symlink(file.c_str(), (folder + "/link").c_str()), 0);
  ASSERT_EQ(::symlink((folder + "/gone").c_str(), (folder + "/dangling").c_str()), 0);
  EXPECT_TRUE(FileExists(folder + "/link"));
  EXPECT_FALSE(FileExists(folder + "/dangling"));
#endif

  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(folder));
  EXPECT_FALSE(FileExists(folder + "/missing.txt"));
  EXPECT_FALSE(FileExists(file + "/below"));
  EXPECT_FALSE(FileExists(""));
}

// ---- Dates and times -----------------------------------------------------------

TDateTime Moment(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
}

// What a value decodes to: year, month, day; hour, minute, second, millisecond.
using Ymd = std::array<int, 3>;
using Hmsz = std::array<int, 4>;
Ymd DateOf(TDateTime value) {
  Ymd date{};
  DecodeDate(value, date[0], date[1], date[2]);
  return date;
}
Hmsz TimeOf(TDateTime value) {
  Hmsz time{};
  DecodeTime(value, time[0], time[1], time[2], time[3]);
  return time;
}

TEST(EncodeDate, CountsDaysFromTheEpoch) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1899, 12, 31), 1.0);
  EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
  EXPECT_EQ(EncodeDate(1900, 3, 1), 61.0);
  EXPECT_EQ(EncodeDate(1970, 1, 1), UnixDateDelta);
  EXPECT_EQ(EncodeDate(2004, 9, 29), 38259.0);
  EXPECT_EQ(EncodeDate(2000, 2, 29), 36585.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
}

TEST(EncodeDate, RejectsImpossibleDates) {
  const int cases[][3] = {{2001, 2, 29}, {1900, 2, 29}, {2100, 2, 29}, {0, 1, 1},
                          {10000, 1, 1}, {-1, 1, 1},    {2004, 13, 1}, {2004, 0, 1},
                          {2004, 4, 31}, {2004, 1, 0},  {2004, 1, 32}, {2004, 12, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c[0] << "-" << c[1] << "-" << c[2]);
    EXPECT_THROW(EncodeDate(c[0], c[1], c[2]), EConvertError);
  }
  EXPECT_NO_THROW(EncodeDate(2400, 2, 29));
}

TEST(EncodeTime, IsTheFractionOfADayAndValidatesRanges) {
  EXPECT_EQ(EncodeTime(0, 0, 0, 0), 0.0);
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_DOUBLE_EQ(EncodeTime(14, 5, 9, 0) * 86400.0, 50709.0);
  EXPECT_DOUBLE_EQ(EncodeTime(23, 59, 59, 999) * 86400000.0, 86399999.0);
  const int bad[][4] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000},
                        {-1, 0, 0, 0}, {0, -1, 0, 0}, {0, 0, -1, 0}, {0, 0, 0, -1}};
  for (const auto& t : bad) {
    EXPECT_THROW(EncodeTime(t[0], t[1], t[2], t[3]), EConvertError);
  }
}

TEST(DecodeDate, InvertsEncodeDateOverTheWholeRange) {
  for (int64_t day = -693593; day <= 2958465; day += 997) {
    int y = 0, m = 0, d = 0;
    // The time of day counts away from the epoch day, so it cannot move the date.
    const double fraction = day < 0 ? -0.75 : 0.75;
    DecodeDate(static_cast<double>(day) + fraction, y, m, d);
    ASSERT_EQ(EncodeDate(y, m, d), static_cast<double>(day)) << y << "-" << m << "-" << d;
  }
  EXPECT_EQ(DateOf(38259.5869), (Ymd{2004, 9, 29}));
}

TEST(DecodeTime, RoundsToTheNearestMillisecond) {
  EXPECT_EQ(TimeOf(Moment(2004, 9, 29, 14, 5, 9)), (Hmsz{14, 5, 9, 0}));

  const double base = EncodeDate(2004, 9, 29);
  EXPECT_EQ(TimeOf(base + 50709.0004 / 86400.0)[3], 0);
  EXPECT_EQ(TimeOf(base + 50709.0006 / 86400.0)[3], 1);

  // Just before midnight rounds up to the next day.
  const double late = EncodeDate(2004, 12, 31) + 86399.9996 / 86400.0;
  const Hmsz time = TimeOf(late);
  EXPECT_EQ(time[0] * 3600000 + time[1] * 60000 + time[2] * 1000 + time[3], 0);
  EXPECT_EQ(DateOf(late), (Ymd{2005, 1, 1}));
}

TEST(DecodeDateTime, NegativeValuesCountBackwardsWithAPositiveTimeOfDay) {
  EXPECT_EQ(DateOf(-1.25), (Ymd{1899, 12, 29}));
  EXPECT_EQ(TimeOf(-1.25)[0], 6);
  EXPECT_EQ(TimeOf(-1.25)[1], 0);
}

TEST(DecodeDateTime, RejectsValuesOutsideTheCalendar) {
  const double bad[] = {std::nan(""), INFINITY, -INFINITY, 1e300, -1e300, 2958466.0, -693594.0};
  for (double v : bad) {
    SCOPED_TRACE(v);
    int a = 0, b = 0, c = 0, e = 0;
    EXPECT_THROW(DecodeDate(v, a, b, c), EConvertError);
    EXPECT_THROW(DecodeTime(v, a, b, c, e), EConvertError);
    EXPECT_THROW(FormatDateTime("yyyy", v), EConvertError);
  }
}

TEST(Clock, PinnedMomentIsReturnedExactly) {
  const TDateTime moment = Moment(2004, 9, 29, 14, 5, 9);
  PinClock(moment);
  EXPECT_EQ(Now(), moment);
  EXPECT_EQ(Now(), moment);
  PinClock(1.5);
  EXPECT_EQ(Now(), 1.5);
  UnpinClock();
  EXPECT_NE(Now(), 1.5);
}

TEST(Clock, UnpinnedClockIsLocalTimeInWholeMilliseconds) {
  UnpinClock();
  const std::time_t before = std::time(nullptr);
  const TDateTime now = Now();
  const std::time_t after = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  ::localtime_s(&local, &before);
#else
  ::localtime_r(&before, &local);
#endif
  const double expected = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
                          EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, 0);
  const double secondsApart = (now - expected) * 86400.0;
  EXPECT_GE(secondsApart, -0.001);
  EXPECT_LE(secondsApart, static_cast<double>(after - before) + 1.001);
  const double ms = now * 86400000.0;
  EXPECT_NEAR(ms, std::round(ms), 0.01);
}

TEST(Clock, MillisecondsSince1970BecomeTheDateTimeThatDecodesToThem) {
  // The clock's conversion: before 30 December 1899 the time of day is
  // subtracted from the negative day, so decoding gives the same instant back.
  const struct {
    int64_t ms;
    double value;
    const char* text;
  } cases[] = {
      {0, 25569.0, "1970/1/1 00:00:00.000"},
      {1096466709000, 38259.0 + 50709.0 / 86400.0, "2004/9/29 14:05:09.000"},
      {-2209161600000, 0.0, "1899/12/30 00:00:00.000"},
      {-2209161600000 + 21600000, 0.25, "1899/12/30 06:00:00.000"},
      {-2209161600001, -1.0 - 86399999.0 / 86400000.0, "1899/12/29 23:59:59.999"},
      {-2209226400000, -1.25, "1899/12/29 06:00:00.000"},
      {-2209248000000, -1.0, "1899/12/29 00:00:00.000"},
      {-5364619200000, -36522.5, "1800/1/1 12:00:00.000"},
      {-62135596800000, -693593.0, "0001/1/1 00:00:00.000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DateTimeFromUnixMs(c.ms), c.value);
    EXPECT_EQ(FormatDateTime("yyyy/m/d hh:nn:ss.zzz", DateTimeFromUnixMs(c.ms)), c.text);
  }
}

// ---- Separators ------------------------------------------------------------------

// The time separator's first value comes from the environment, so each case runs
// in a freshly started copy of this program.
class TimeSeparatorFromEnvironment : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

  static void ExitWithSeparator(const char* value) {
    const fleetforge_test::ScopedEnv separator(
        "FLEETFORGE_TIME_SEPARATOR",
        value == nullptr ? std::nullopt : std::optional<std::string>(value));
    std::exit(static_cast<unsigned char>(TimeSeparator()));
  }
};

TEST_F(TimeSeparatorFromEnvironment, FirstCharacterOfTheVariableOrColon) {
  EXPECT_EXIT(ExitWithSeparator("."), ::testing::ExitedWithCode('.'), "");
  EXPECT_EXIT(ExitWithSeparator("-x"), ::testing::ExitedWithCode('-'), "");
  EXPECT_EXIT(ExitWithSeparator(""), ::testing::ExitedWithCode(':'), "");
  EXPECT_EXIT(ExitWithSeparator(nullptr), ::testing::ExitedWithCode(':'), "");
}

class Formatting : public ::testing::Test {
 protected:
  void SetUp() override {
    savedTime_ = TimeSeparator();
    savedDate_ = DateSeparator();
    SetTimeSeparator(':');
    SetDateSeparator('/');
  }
  void TearDown() override {
    SetTimeSeparator(savedTime_);
    SetDateSeparator(savedDate_);
  }

 private:
  char savedTime_ = ':';
  char savedDate_ = '/';
};

TEST_F(Formatting, SeparatorsCanBeChanged) {
  SetTimeSeparator('.');
  SetDateSeparator('-');
  EXPECT_EQ(TimeSeparator(), '.');
  EXPECT_EQ(DateSeparator(), '-');
}

TEST_F(Formatting, CompileDateAndTimePatterns) {
  const TDateTime moment = Moment(2004, 9, 29, 14, 5, 9);
  EXPECT_EQ(FormatDateTime("yyyy\"/\"m\"/\"d", moment), "2004/9/29");
  EXPECT_EQ(FormatDateTime("hh:nn:ss", moment), "14:05:09");

  const TDateTime early = Moment(2004, 1, 5, 9, 3, 7);
  EXPECT_EQ(FormatDateTime("yyyy\"/\"m\"/\"d", early), "2004/1/5");
  EXPECT_EQ(FormatDateTime("hh:nn:ss", early), "09:03:07");
  EXPECT_EQ(FormatDateTime("h:n:s", early), "9:3:7");
}

TEST_F(Formatting, ColonAndSlashFollowTheLocaleButQuotedTextDoesNot) {
  const TDateTime moment = Moment(2004, 9, 29, 14, 5, 9);
  SetTimeSeparator('.');
  SetDateSeparator('-');
  EXPECT_EQ(FormatDateTime("hh:nn:ss", moment), "14.05.09");
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd", moment), "2004-09-29");
  EXPECT_EQ(FormatDateTime("yyyy\"/\"m\"/\"d", moment), "2004/9/29");
  EXPECT_EQ(FormatDateTime("'at' hh':'nn", moment), "at 14:05");
  EXPECT_EQ(FormatDateTime("\"it's\" d", moment), "it's 29");
  EXPECT_EQ(FormatDateTime("'say \"hi\"'", moment), "say \"hi\"");
  EXPECT_EQ(FormatDateTime("hh'abc", moment), "14abc");  // unclosed quote runs to the end
  EXPECT_EQ(FormatDateTime("''d", moment), "29");
}

TEST_F(Formatting, SpecifiersAndTheirWidths) {
  const TDateTime moment = Moment(2004, 9, 29, 14, 5, 9, 7);
  EXPECT_EQ(FormatDateTime("yy", moment), "04");
  EXPECT_EQ(FormatDateTime("y", moment), "04");
  EXPECT_EQ(FormatDateTime("yyyy", moment), "2004");
  EXPECT_EQ(FormatDateTime("yyyy", EncodeDate(5, 3, 1)), "0005");
  EXPECT_EQ(FormatDateTime("m mm", moment), "9 09");
  EXPECT_EQ(FormatDateTime("d dd", moment), "29 29");
  EXPECT_EQ(FormatDateTime("d dd", EncodeDate(2004, 9, 1)), "1 01");
  EXPECT_EQ(FormatDateTime("h hh", moment), "14 14");
  EXPECT_EQ(FormatDateTime("n nn", moment), "5 05");
  EXPECT_EQ(FormatDateTime("s ss", moment), "9 09");
  EXPECT_EQ(FormatDateTime("z zzz", moment), "7 007");
  EXPECT_EQ(FormatDateTime("mmm mmmm ddd dddd", moment), "Sep September Wed Wednesday");
  EXPECT_EQ(FormatDateTime("dddd", EncodeDate(1899, 12, 30)), "Saturday");
  EXPECT_EQ(FormatDateTime("dddd", EncodeDate(1899, 12, 24)), "Sunday");
  EXPECT_EQ(FormatDateTime("YYYY-MM-DD HH:NN:SS", moment), "2004-09-29 14:05:09");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd, #q!", moment), "2004-09-29, #q!");
  EXPECT_EQ(FormatDateTime("", moment), "");
}

TEST_F(Formatting, MAfterAnHourMeansMinutes) {
  const TDateTime moment = Moment(2004, 1, 5, 9, 3, 7);
  EXPECT_EQ(FormatDateTime("hh:mm", moment), "09:03");
  EXPECT_EQ(FormatDateTime("HH:MM", moment), "09:03");
  EXPECT_EQ(FormatDateTime("h m", moment), "9 3");
  EXPECT_EQ(FormatDateTime("hh\" h \"mm", moment), "09 h 03");
  EXPECT_EQ(FormatDateTime("mm", moment), "01");
  EXPECT_EQ(FormatDateTime("dd mm", moment), "05 01");
  EXPECT_EQ(FormatDateTime("hh:mm:ss dd/mm", moment), "09:03:07 05/01");
  EXPECT_EQ(FormatDateTime("hh:nn mm", moment), "09:03 01");
  // Any other letter in between ends the hour context.
  EXPECT_EQ(FormatDateTime("hhxmm", moment), "09x01");
}

TEST_F(Formatting, ValueIsRoundedToTheMillisecondAndSecondsTruncated) {
  const double base = EncodeDate(2004, 9, 29);
  EXPECT_EQ(FormatDateTime("ss.zzz", base + 50709.999 / 86400.0), "09.999");
  EXPECT_EQ(FormatDateTime("ss.zzz", base + 50709.9994 / 86400.0), "09.999");
  EXPECT_EQ(FormatDateTime("ss.zzz", base + 50709.9996 / 86400.0), "10.000");
  EXPECT_EQ(FormatDateTime("ss", base + 50709.6 / 86400.0), "09");
  EXPECT_EQ(
      FormatDateTime("yyyy/mm/dd hh:nn:ss.zzz", EncodeDate(2004, 12, 31) + 86399.9996 / 86400.0),
      "2005/01/01 00:00:00.000");
}

// ---- Str of an extended value ---------------------------------------------------

TEST(StrExtended, FifteenSignificantDigitsAndAFourDigitExponent) {
  struct Case {
    long double value;
    const char* text;
  };
  const Case cases[] = {
      {0.0L, " 0.00000000000000E+0000"},
      {-0.0L, " 0.00000000000000E+0000"},
      {1.0L, " 1.00000000000000E+0000"},
      {-1.0L, "-1.00000000000000E+0000"},
      {0.5L, " 5.00000000000000E-0001"},
      {-12345.678L, "-1.23456780000000E+0004"},
      {1e-10L, " 1.00000000000000E-0010"},
      {-2.5e-7L, "-2.50000000000000E-0007"},
      {0.00123456789012345678L, " 1.23456789012346E-0003"},
      {1.234567890123454L, " 1.23456789012345E+0000"},
      {1.234567890123456L, " 1.23456789012346E+0000"},
      {9.9999999999999949L, " 9.99999999999999E+0000"},
      {9.9999999999999951L, " 1.00000000000000E+0001"},
      {-9.9999999999999951L, "-1.00000000000000E+0001"},
      {999999999999999.6L, " 1.00000000000000E+0015"},
      {2147483647.0L, " 2.14748364700000E+0009"},
      {1e4000L, " 1.00000000000000E+4000"},
      {LDBL_MAX, " 1.18973149535723E+4932"},
      {-LDBL_MIN, "-3.36210314311209E-4932"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(StrExtended(c.value), c.text);
  }
}

TEST(StrExtended, CompileMomentAsStoredInTheUnit) {
  const TDateTime moment = EncodeDate(2004, 9, 29) + EncodeTime(14, 5, 9, 0);
  EXPECT_EQ(StrExtended(moment), " 3.82595869097222E+0004");
  EXPECT_EQ(Trim(StrExtended(moment)), "3.82595869097222E+0004");
}

TEST(StrExtended, NanAndInfinitiesFillTheSameField) {
  EXPECT_EQ(StrExtended(std::numeric_limits<long double>::quiet_NaN()), "                    Nan");
  EXPECT_EQ(StrExtended(-std::numeric_limits<long double>::quiet_NaN()), "                    Nan");
  EXPECT_EQ(StrExtended(std::numeric_limits<long double>::infinity()), "                   +Inf");
  EXPECT_EQ(StrExtended(-std::numeric_limits<long double>::infinity()), "                   -Inf");
}

TEST(StrExtended, RandomValuesKeepTheFormAndReadBackClosely) {
  const std::regex form(R"([ -][0-9]\.[0-9]{14}E[+-][0-9]{4})");
  std::mt19937_64 random(20040929);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-300, 300);
  for (int i = 0; i < 2000; ++i) {
    const long double value =
        std::ldexp(static_cast<long double>(mantissa(random)), exponent(random));
    const std::string text = StrExtended(value);
    SCOPED_TRACE(text);
    ASSERT_TRUE(std::regex_match(text, form));
    ASSERT_EQ(text[0] == '-', value < 0);
    ASSERT_NE(text[1], '0');  // normalised: the leading digit is never zero
    const long double back = std::strtold(text.c_str(), nullptr);
    ASSERT_LE(std::fabs(back - value), std::fabs(value) * 5.0000001e-15L);
  }
}

}  // namespace
}  // namespace host
