// The registry file format: parsing, what the lines mean, in-place changes and
// the formatting of changed lines.
#include "host/rtl/regfile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/rtl/regfile_support.h"

namespace host {
namespace {

constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\Test";

RegFile Parse(const std::string& text) {
  return ParseRegFile(text, "test.reg");
}

RegValue Value(uint32_t type, const std::string& data) {
  return RegValue{type, data};
}

// BMP-only UTF-8 to UTF-16LE, for building version 5 files.
std::string Utf16(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    uint32_t cp = lead;
    size_t length = 1;
    if (lead >= 0xE0) {
      cp = lead & 0x0F;
      length = 3;
    } else if (lead >= 0xC0) {
      cp = lead & 0x1F;
      length = 2;
    }
    for (size_t k = 1; k < length; ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
    i += length;
    out += static_cast<char>(cp & 0xFF);
    out += static_cast<char>(cp >> 8);
  }
  return out;
}

// A version 5 file's text, before it is turned into UTF-16.
constexpr const char* kVersion5 =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
    "\"Name\"=\"Caf\xC3\xA9\"\r\n"
    "\"Expand\"=hex(2):25,00,e9,00,00,00\r\n";

// Written out and parsed again, file has the same keys and values.
void ExpectReadsBackTheSame(const RegFile& file, const std::string& name = "test.reg") {
  const RegFile again = ParseRegFile(SerializeRegFile(file), name);
  EXPECT_TRUE(SameKeys(file.Roots()[1], again.Roots()[1]));
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

TEST(RegFileParse, EveryValueTypeAndEscape) {
  const RegFile file = Parse(
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
      "\"Text\"=\"C:\\\\Path \\\"quoted\\\"\"\r\n"
      "@=\"the default\"\r\n"
      "\"Short\"=dword:A\r\n"
      "\"Upper\"=dword:FFFFFFFE\r\n"
      "\"Bin\"=hex:00,ff,7F\r\n"
      "\"Empty\"=hex:\r\n"
      "\"Expand\"=hex(2):25,50,25,00\r\n"
      "\"Multi\"=hex(7):61,00,62,00,00\r\n"
      "\"Quad\"=hex(b):01,00,00,00,00,00,00,80\r\n"
      "\"Odd\"=hex(1f):01\r\n"
      "\"Spaced\" = \"x\"  \r\n");
  EXPECT_EQ(Value(1, std::string("C:\\Path \"quoted\"\0", 17)), *file.FindValue(kKey, "Text"));
  EXPECT_EQ(RegValue::String("the default"), *file.FindValue(kKey, ""));
  EXPECT_EQ(RegValue::Dword(10), *file.FindValue(kKey, "Short"));
  EXPECT_EQ(RegValue::Dword(0xFFFFFFFEu), *file.FindValue(kKey, "Upper"));
  EXPECT_EQ(Value(3, std::string("\x00\xff\x7f", 3)), *file.FindValue(kKey, "Bin"));
  EXPECT_EQ(Value(3, ""), *file.FindValue(kKey, "Empty"));
  EXPECT_EQ(Value(2, std::string("%P%\0", 4)), *file.FindValue(kKey, "Expand"));
  EXPECT_EQ(Value(7, std::string("a\0b\0\0", 5)), *file.FindValue(kKey, "Multi"));
  EXPECT_EQ(Value(11, std::string("\x01\0\0\0\0\0\0\x80", 8)), *file.FindValue(kKey, "Quad"));
  EXPECT_EQ(Value(0x1f, "\x01"), *file.FindValue(kKey, "Odd"));
  EXPECT_EQ(RegValue::String("x"), *file.FindValue(kKey, "Spaced"));
}

TEST(RegFileParse, ContinuationsCommentsAndLineEnds) {
  const RegFile file = Parse(
      "REGEDIT4\n\n"
      "; a comment [HKEY_CURRENT_USER\\Ignored]\n"
      "  ;indented comment\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\n"
      "\"Bin\"=hex:01,02,\\\n"
      "  03,04,\\\n"
      "\t05\n"
      "\"After\"=dword:00000001");  // no line end at the end of the file
  EXPECT_EQ(Value(3, "\x01\x02\x03\x04\x05"), *file.FindValue(kKey, "Bin"));
  EXPECT_EQ(RegValue::Dword(1), *file.FindValue(kKey, "After"));
  EXPECT_EQ(nullptr, file.FindKey("HKEY_CURRENT_USER\\Ignored"));
  ASSERT_EQ(7u, file.Lines().size());
  EXPECT_EQ(RegLineKind::Comment, file.Lines()[2].kind);
  EXPECT_EQ(RegLineKind::Value, file.Lines()[5].kind);
  EXPECT_EQ(6, file.Lines()[5].lineNumber);
  EXPECT_EQ("\"Bin\"=hex:01,02,\\\n  03,04,\\\n\t05\n", file.Lines()[5].text);
}

TEST(RegFileParse, DeletionsApplyInOrder) {
  const RegFile file = Parse(
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\A\\B\\C]\r\n"
      "\"X\"=dword:1\r\n"
      "[HKEY_CURRENT_USER\\A]\r\n"
      "\"Gone\"=\"1\"\r\n"
      "\"Kept\"=\"1\"\r\n"
      "\"Kept\"=\"2\"\r\n"
      "\"Gone\"=-\r\n"
      "[-HKEY_CURRENT_USER\\A\\B]\r\n"
      "[HKEY_CURRENT_USER\\A\\B\\D]\r\n");
  EXPECT_EQ(nullptr, file.FindKey("HKEY_CURRENT_USER\\A\\B\\C"));
  EXPECT_NE(nullptr, file.FindKey("HKEY_CURRENT_USER\\A\\B\\D"));
  EXPECT_EQ(nullptr, file.FindValue("HKEY_CURRENT_USER\\A", "Gone"));
  EXPECT_EQ(RegValue::String("2"), *file.FindValue("HKEY_CURRENT_USER\\A", "Kept"));
}

TEST(RegFileParse, Version5Utf16) {
  const std::string bytes = "\xFF\xFE" + Utf16(kVersion5);
  RegFile file = ParseRegFile(bytes, "v5.reg");
  EXPECT_EQ(5, file.Version());
  EXPECT_TRUE(file.Utf16());
  EXPECT_EQ(RegValue::String("Caf\xC3\xA9"), *file.FindValue(kKey, "Name"));
  EXPECT_EQ(Value(2, std::string("%\xC3\xA9\0", 4)), *file.FindValue(kKey, "Expand"));
  EXPECT_EQ(bytes, SerializeRegFile(file));

  // A change keeps the file UTF-16 and version 5, string data in hex as UTF-16.
  ASSERT_TRUE(file.SetValue(kKey, "Multi", Value(7, std::string("\xC3\xA9\0\0", 4))));
  const std::string changed = SerializeRegFile(file);
  EXPECT_EQ(bytes + Utf16("\"Multi\"=hex(7):e9,00,00,00,00,00\r\n"), changed);
  ExpectReadsBackTheSame(file, "v5.reg");
  // Text that UTF-16 cannot carry is refused, and the file is unchanged.
  EXPECT_THROW(file.SetValue(kKey, "Bad", RegValue::String("\xFF")), ERegistryException);
  EXPECT_EQ(changed, SerializeRegFile(file));
}

// Reading one key leaves what reading the whole file leaves in that key.
TEST(RegFileParse, OneKeyReadAgreesWithTheWholeFile) {
  const std::string texts[] = {
      // deletions of keys above and of values, re-creation, overrides, case
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\A\\B\\C]\r\n\"X\"=dword:1\r\n"
      "[HKEY_CURRENT_USER\\A]\r\n\"Gone\"=\"1\"\r\n\"Kept\"=\"1\"\r\n\"kept\"=\"2\"\r\n"
      "\"Gone\"=-\r\n\"Back\"=\"1\"\r\n\"Last\"=\"1\"\r\n\"Back\"=-\r\n\"back\"=\"2\"\r\n"
      "[-HKEY_CURRENT_USER\\A\\B]\r\n"
      "[HKEY_CURRENT_USER\\a\\b\\D]\r\n"
      "[HKEY_CURRENT_USER]\r\n@=\"root\"\r\n"
      "[HKEY_CURRENT_USER\\E]\r\n\"V\"=hex:01,\\\r\n  02\r\n[-HKEY_CURRENT_USER\\E]\r\n"
      "[HKEY_CURRENT_USER\\E\\F]\r\n",
      "\xFF\xFE" + Utf16(kVersion5),
      "",
  };
  const char* keys[] = {"HKEY_CURRENT_USER",       "HKEY_CURRENT_USER\\A",
                        "hkey_current_user\\a\\B", "HKEY_CURRENT_USER\\A\\B\\C",
                        "HKEY_CURRENT_USER\\E",    "HKEY_CURRENT_USER\\Software\\TEST",
                        "HKEY_LOCAL_MACHINE",      "HKEY_NOWHERE\\A"};
  for (const std::string& text : texts) {
    const RegFile file = ParseRegFile(text, "t.reg");
    for (const char* path : keys) {
      SCOPED_TRACE(path);
      const RegKeyValues one = ReadRegKey(text, path, "t.reg");
      const RegKey* whole = file.FindKey(path);
      ASSERT_EQ(whole != nullptr, one.exists);
      const std::vector<RegNamedValue> none;
      const std::vector<RegNamedValue>& values = whole ? whole->values : none;
      ASSERT_EQ(values.size(), one.values.size());
      for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(values[i].name, one.values[i].name);
        EXPECT_EQ(values[i].value, one.values[i].value);
      }
    }
  }
}

struct BadFile {
  const char* text;
  int line;
  const char* what;
};

TEST(RegFileParse, ErrorsNameFileAndLine) {
  const BadFile cases[] = {
      {"[HKEY_CURRENT_USER\\X]\r\n", 1, "the first line is not"},
      {"REGEDIT5\r\n", 1, "the first line is not"},
      {"REGEDIT4\r\n\r\n[HKEY_NOWHERE\\X]\r\n", 3, "unknown root key"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\\\X]\r\n", 2, "empty key name"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\X\r\n", 2, "missing ']'"},
      {"REGEDIT4\r\n[-HKEY_CURRENT_USER]\r\n", 2, "root key cannot be deleted"},
      {"REGEDIT4\r\n\"A\"=dword:1\r\n", 2, "outside of any key"},
      {"REGEDIT4\r\n[-HKEY_CURRENT_USER\\X]\r\n\"A\"=dword:1\r\n", 3, "deleted key"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"A\"=dword:123456789\r\n", 3, "bad dword"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"A\"=dword:12g\r\n", 3, "bad dword"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"A\"=hex:01,,02\r\n", 3, "bad hex byte"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"A\"=hex:100\r\n", 3, "bad hex byte"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"A\"=hex:01,\\\r\n", 3, "past the end"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"A\"=\"open\r\n", 3, "missing closing quote"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"A\"=\"a\\tb\"\r\n", 3, "unknown escape"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"A\"=\"a\" x\r\n", 3, "text after the value"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"A\"\r\n", 3, "missing '='"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"A\"=qword:1\r\n", 3, "unknown value data"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\r\n\r\nrubbish\r\n", 5, "unexpected text"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"A\"=\"a\"\rb\r\n", 3, "stray carriage return"},
      {"Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\X]\r\n\"A\"=hex(2):41\r\n", 3,
       "not UTF-16"},
  };
  for (const BadFile& bad : cases) {
    SCOPED_TRACE(bad.text);
    const std::string error = RegistryError([&] { ParseRegFile(bad.text, "/x/y.reg"); });
    const std::string prefix = "Registry file /x/y.reg, line " + std::to_string(bad.line) + ": ";
    EXPECT_EQ(prefix, error.substr(0, prefix.size())) << error;
    EXPECT_NE(std::string::npos, error.find(bad.what)) << error;
    // Reading one key checks the whole file just the same.
    EXPECT_EQ(error,
              RegistryError([&] { ReadRegKey(bad.text, "HKEY_CURRENT_USER\\Y", "/x/y.reg"); }));
  }
  // UTF-16 faults report the line they are on.
  const std::string lone = "\xFF\xFE" + Utf16("REGEDIT4\r\n\r\n") + std::string("\x00\xDC", 2);
  EXPECT_EQ("Registry file u.reg, line 3: invalid UTF-16 text",
            RegistryError([&] { ParseRegFile(lone, "u.reg"); }));
}

// A long offending text (here a megabyte, with an escape sequence) is quoted by
// its first 60 characters, control characters escaped.
TEST(RegFileParse, ErrorsQuoteAShortEscapedPartOfTheText) {
  const std::string junk = "\x1b[2J" + std::string(1 << 20, 'z');
  const std::string quoted = "'\\x1B[2J" + std::string(56, 'z') + "...'";
  const std::string cases[] = {
      "REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n" + junk + "\r\n",
      "REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"A\"=dword:" + junk + "\r\n",
      "REGEDIT4\r\n[HKEY_CURRENT_USER\\X]\r\n\"A\"=hex:" + junk + "\r\n",
      "REGEDIT4\r\n[" + junk + "]\r\n",
  };
  for (const std::string& text : cases) {
    const std::string error = RegistryError([&] { ParseRegFile(text, "u.reg"); });
    EXPECT_LT(error.size(), 160u);
    EXPECT_NE(std::string::npos, error.find(quoted)) << error;
  }
}

TEST(RegFileParse, EmptyInputIsAnEmptyRegistry) {
  const RegFile file = Parse("");
  EXPECT_EQ(4, file.Version());
  EXPECT_NE(nullptr, file.FindKey("HKEY_CURRENT_USER"));
  EXPECT_EQ(nullptr, file.FindKey("HKEY_CURRENT_USER\\Software"));
  EXPECT_EQ("REGEDIT4\r\n\r\n", SerializeRegFile(file));
}

TEST(RegFileNames, CaseInsensitiveAndCasePreserving) {
  RegFile file = Parse(
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\Test]\r\n"
      "\"CloseDefault\"=dword:00000000\r\n");
  EXPECT_NE(nullptr, file.FindKey("hkey_current_user\\software\\TEST"));
  EXPECT_EQ(RegValue::Dword(0),
            *file.FindValue("HKEY_CURRENT_USER\\software\\test", "closedefault"));
  EXPECT_FALSE(file.CreateKey("HKEY_CURRENT_USER\\Software\\TEST"));

  // The existing line keeps its spelling; a new key keeps the existing parents' case.
  ASSERT_TRUE(
      file.SetValue("HKEY_CURRENT_USER\\software\\test", "CLOSEDEFAULT", RegValue::Dword(1)));
  ASSERT_TRUE(file.CreateKey("HKEY_CURRENT_USER\\software\\test\\NewKey"));
  EXPECT_EQ(
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\Test]\r\n"
      "\"CloseDefault\"=dword:00000001\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\Test\\NewKey]\r\n"
      "\r\n",
      SerializeRegFile(file));
  const RegKey* key = file.FindKey("HKEY_CURRENT_USER\\SOFTWARE\\TEST\\newkey");
  ASSERT_NE(nullptr, key);
  EXPECT_EQ("NewKey", key->name);
  EXPECT_EQ("CloseDefault", file.FindKey(kKey)->values[0].name);
}

TEST(RegFileChanges, ReplaceInPlaceAndAppendToTheKeysLastSection) {
  const std::string original =
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
      "\"A\"=dword:0000000A\r\n"
      "\"Gone\"=dword:1\r\n"
      "\r\n"
      "; about Other\r\n"
      "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
      "\"O\"=\"o\"\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
      "\"Gone\"=-\r\n"
      "; trailing comment\r\n";
  RegFile file = Parse(original);
  // Writing what is stored changes nothing, not even the upper-case digits.
  EXPECT_FALSE(file.SetValue(kKey, "a", RegValue::Dword(10)));
  EXPECT_EQ(original, SerializeRegFile(file));

  ASSERT_TRUE(file.SetValue(kKey, "A", RegValue::Dword(11)));
  ASSERT_TRUE(file.SetValue(kKey, "Gone", RegValue::String("back \"again\"")));
  ASSERT_TRUE(file.SetValue(kKey, "New", RegValue::Dword(0xABCDEF01u)));
  EXPECT_EQ(
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
      "\"A\"=dword:0000000b\r\n"
      "\"Gone\"=dword:1\r\n"
      "\r\n"
      "; about Other\r\n"
      "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
      "\"O\"=\"o\"\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
      "\"Gone\"=-\r\n"
      "\"Gone\"=\"back \\\"again\\\"\"\r\n"
      "\"New\"=dword:abcdef01\r\n"
      "; trailing comment\r\n",
      SerializeRegFile(file));
  ExpectReadsBackTheSame(file);
}

TEST(RegFileChanges, DeletedKeyGetsANewSection) {
  RegFile file = Parse(
      "REGEDIT4\n\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\n"
      "\"A\"=dword:00000001\n"
      "[-HKEY_CURRENT_USER\\Software]\n"
      "[HKEY_CURRENT_USER\\Software\\Test\\Child]");
  EXPECT_EQ(nullptr, file.FindValue(kKey, "A"));
  ASSERT_TRUE(file.SetValue(kKey, "A", RegValue::Dword(2)));
  // The file's own line ends are used, and its last line gets one.
  EXPECT_EQ(
      "REGEDIT4\n\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\n"
      "\"A\"=dword:00000001\n"
      "[-HKEY_CURRENT_USER\\Software]\n"
      "[HKEY_CURRENT_USER\\Software\\Test\\Child]\n"
      "\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\n"
      "\"A\"=dword:00000002\n"
      "\n",
      SerializeRegFile(file));
}

TEST(RegFileChanges, DeleteValueRemovesEveryLineThatShowsThrough) {
  RegFile file = Parse(
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
      "\"A\"=dword:1\r\n"
      "\"B\"=dword:2\r\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
      "\"a\"=dword:3\r\n");
  EXPECT_TRUE(file.DeleteValue(kKey, "A"));
  EXPECT_EQ(nullptr, file.FindValue(kKey, "A"));
  EXPECT_FALSE(file.DeleteValue(kKey, "A"));
  EXPECT_EQ(
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
      "\"B\"=dword:2\r\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\r\n",
      SerializeRegFile(file));
}

TEST(RegFileFormat, LongHexWrapsNear77Columns) {
  std::string data;
  for (int i = 0; i < 200; ++i) data += static_cast<char>(i);
  RegFile file;
  ASSERT_TRUE(file.SetValue(kKey, "Blob", Value(3, data)));
  ASSERT_TRUE(file.SetValue(kKey, "Lines", Value(7, std::string("one\0two\r\n\0\0", 11))));
  ASSERT_TRUE(file.SetValue(kKey, "Odd", Value(4, "\x01\x02")));
  ASSERT_TRUE(file.SetValue(kKey, "Text", RegValue::String("two\r\nlines")));
  ASSERT_TRUE(file.SetValue(kKey, "", RegValue::String("default")));
  const std::string text = SerializeRegFile(file);
  const std::vector<std::string> lines = SplitLines(text);
  // Header, blank, key, then the binary's lines.
  ASSERT_GT(lines.size(), 6u);
  EXPECT_EQ("\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,\\",
            lines[3]);
  size_t row = 3;
  for (; lines[row].back() == '\\'; ++row) {
    SCOPED_TRACE(lines[row]);
    EXPECT_LE(lines[row].size(), 77u);
    EXPECT_GT(lines[row].size() + 3, 77u);  // no room left for another byte
    EXPECT_EQ(",\\", lines[row].substr(lines[row].size() - 2));
    EXPECT_EQ("  ", lines[row + 1].substr(0, 2));
    EXPECT_NE(' ', lines[row + 1][2]);
  }
  EXPECT_EQ("  bd,be,bf,c0,c1,c2,c3,c4,c5,c6,c7", lines[row]);
  EXPECT_EQ("\"Lines\"=hex(7):6f,6e,65,00,74,77,6f,0d,0a,00,00", lines[row + 1]);
  EXPECT_EQ("\"Odd\"=hex(4):01,02", lines[row + 2]);
  EXPECT_EQ("\"Text\"=hex(1):74,77,6f,0d,0a,6c,69,6e,65,73,00", lines[row + 3]);
  EXPECT_EQ("@=\"default\"", lines[row + 4]);
  ExpectReadsBackTheSame(file);
  EXPECT_EQ(Value(3, data), *Parse(text).FindValue(kKey, "Blob"));
}

TEST(RegFileFormat, UnwritableNamesAreRefused) {
  RegFile file;
  const std::string before = SerializeRegFile(file);
  EXPECT_THROW(file.SetValue(kKey, "two\nlines", RegValue::Dword(1)), ERegistryException);
  EXPECT_THROW(file.CreateKey("HKEY_CURRENT_USER\\a\rb"), ERegistryException);
  EXPECT_THROW(file.CreateKey("HKEY_NOWHERE\\a"), ERegistryException);
  EXPECT_THROW(file.CreateKey("HKEY_CURRENT_USER\\a\\\\b"), ERegistryException);
  EXPECT_EQ(before, SerializeRegFile(file));
  // Quotes and backslashes in names are escaped; other roots are kept.
  ASSERT_TRUE(file.SetValue("HKEY_LOCAL_MACHINE\\Odd]Name", "a\\\"b", RegValue::Dword(1)));
  EXPECT_EQ(before + "[HKEY_LOCAL_MACHINE\\Odd]Name]\r\n\"a\\\\\\\"b\"=dword:00000001\r\n\r\n",
            SerializeRegFile(file));
  EXPECT_EQ(RegValue::Dword(1),
            *Parse(SerializeRegFile(file)).FindValue("HKEY_LOCAL_MACHINE\\odd]name", "A\\\"B"));
}

}  // namespace
}  // namespace host

namespace {

// A file whose last line lost its line feed after the carriage return (a cut
// copy): it reads, and a change writes a file that reads back the same.
TEST(RegFileWrite, LastLineCutAfterItsCarriageReturn) {
  for (const std::string& text :
       {std::string("REGEDIT4\r"),
        std::string(
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n\"X\"=dword:00000002\r")}) {
    SCOPED_TRACE(text);
    host::RegFile file = host::ParseRegFile(text, "cut.reg");
    ASSERT_TRUE(file.SetValue("HKEY_CURRENT_USER\\Software\\A", "N", host::RegValue::Dword(1)));
    const std::string written = host::SerializeRegFile(file);
    EXPECT_EQ(written.rfind(text.substr(0, text.size() - 1) + "\r\n", 0), 0u)
        << "the old lines stay";
    const host::RegFile again = host::ParseRegFile(written, "again.reg");
    const host::RegValue* n = again.FindValue("HKEY_CURRENT_USER\\Software\\A", "N");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(*n, host::RegValue::Dword(1));
  }
}

}  // namespace
