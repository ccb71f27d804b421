#include "host/rtl/version.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

#include "host/rtl/bytes.h"
#include "host/rtl/sysutils.h"

namespace host {
namespace {

VersionInfo Fleetforge() {
  VersionInfo info;
  for (int i = 0; i < 4; ++i) {
    info.FileVersion[i] = std::array<uint16_t, 4>{0, 0, 1, 18}[i];
    info.ProductVersion[i] = info.FileVersion[i];
  }
  info.Strings = {{"CompanyName", "Fleetforge team"},
                  {"FileDescription", "Fleetforge for Delphi 7"},
                  {"FileVersion", "0.0.1.18"},
                  {"InternalName", "Fleetforge"},
                  {"LegalCopyright", "Copyright \xA9 2004 Fleetforge team"},
                  {"LegalTrademarks", ""},
                  {"OriginalFilename", "Fleetforge7.bpl"},
                  {"ProductName", "Fleetforge"},
                  {"ProductVersion", "0.0.1.0"},
                  {"Comments", "Lays out the Delphi 7 IDE on one screen"}};
  return info;
}

uint16_t Word(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes.at(at)) |
                               static_cast<unsigned char>(bytes.at(at + 1)) << 8);
}
uint32_t DWord(const std::string& bytes, size_t at) {
  return Word(bytes, at) | uint32_t{Word(bytes, at + 2)} << 16;
}
// A copy of bytes with the word (or the byte) at `at` replaced.
std::string WithWord(std::string bytes, size_t at, uint16_t value) {
  bytes.at(at) = static_cast<char>(value & 0xFF);
  bytes.at(at + 1) = static_cast<char>(value >> 8);
  return bytes;
}
std::string WithByte(std::string bytes, size_t at, char value) {
  bytes.at(at) = value;
  return bytes;
}

// UTF-16LE with the terminating zero.
std::string Utf16(std::string_view text) {
  return WidenToUtf16LE(text) + std::string(2, '\0');
}

// Offset of the block whose key is `key` (found once, right after a header).
size_t BlockOf(const std::string& bytes, std::string_view key) {
  const size_t found = bytes.find(Utf16(key));
  EXPECT_NE(found, std::string::npos) << key;
  EXPECT_EQ(bytes.find(Utf16(key), found + 1), std::string::npos) << key;
  return found == std::string::npos ? 0 : found - 6;
}

void ExpectBlock(const std::string& bytes, std::string_view key, uint16_t length,
                 uint16_t value_length, uint16_t type) {
  SCOPED_TRACE(std::string(key));
  const size_t at = BlockOf(bytes, key);
  EXPECT_EQ(at % 4, 0u);
  EXPECT_EQ(Word(bytes, at), length);
  EXPECT_EQ(Word(bytes, at + 2), value_length);
  EXPECT_EQ(Word(bytes, at + 4), type);
}

TEST(VersionInfo, RoundTripKeepsEveryField) {
  VersionInfo info = Fleetforge();
  info.ProductVersion[3] = 7;  // the two versions are read from their own fields
  info.FileFlags = 0x2;
  info.FileSubtype = 9;
  const std::string bytes = EncodeVersionInfo(info);
  const VersionInfo back = DecodeVersionInfo(bytes);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(back.FileVersion[i], info.FileVersion[i]) << i;
    EXPECT_EQ(back.ProductVersion[i], info.ProductVersion[i]) << i;
  }
  EXPECT_EQ(back.FileFlagsMask, 0x3Fu);
  EXPECT_EQ(back.FileFlags, 0x2u);
  EXPECT_EQ(back.FileOS, 4u);
  EXPECT_EQ(back.FileType, 1u);
  EXPECT_EQ(back.FileSubtype, 9u);
  EXPECT_EQ(back.Language, 0x0409);
  EXPECT_EQ(back.CodePage, 1252);
  EXPECT_EQ(back.Strings, info.Strings);
  EXPECT_EQ(EncodeVersionInfo(back), bytes);

  VersionInfo other;  // another language, no strings at all
  other.Language = 0x0407;
  other.CodePage = 0x04B0;
  const VersionInfo other_back = DecodeVersionInfo(EncodeVersionInfo(other));
  EXPECT_EQ(other_back.Language, 0x0407);
  EXPECT_EQ(other_back.CodePage, 0x04B0);
  EXPECT_TRUE(other_back.Strings.empty());
}

TEST(VersionInfo, HeaderAndFixedInfoLayout) {
  VersionInfo info = Fleetforge();
  const std::string bytes = EncodeVersionInfo(info);
  EXPECT_EQ(Word(bytes, 0), bytes.size());
  EXPECT_EQ(Word(bytes, 2), 52);  // sizeof VS_FIXEDFILEINFO
  EXPECT_EQ(Word(bytes, 4), 0);
  EXPECT_EQ(bytes.substr(6, 32), Utf16("VS_VERSION_INFO"));
  EXPECT_EQ(bytes.substr(38, 2), std::string(2, '\0'));
  EXPECT_EQ(bytes.substr(40, 4), "\xBD\x04\xEF\xFE");
  const uint32_t expected[13] = {0xFEEF04BD, 0x00010000, 0x00000000, 0x00010012, 0x00000000,
                                 0x00010012, 0x3F,       0,          4,          1,
                                 0,          0,          0};
  for (int i = 0; i < 13; ++i) EXPECT_EQ(DWord(bytes, 40 + 4 * i), expected[i]) << "DWORD " << i;
  EXPECT_EQ(BlockOf(bytes, "StringFileInfo"), 92u);

  // Most significant part in the high word, file and product version apart.
  info.FileVersion[0] = 1, info.FileVersion[1] = 2, info.FileVersion[2] = 3;
  info.FileVersion[3] = 4;
  info.ProductVersion[0] = 5, info.ProductVersion[1] = 6, info.ProductVersion[2] = 7;
  info.ProductVersion[3] = 8;
  const std::string other = EncodeVersionInfo(info);
  EXPECT_EQ(DWord(other, 48), 0x00010002u);
  EXPECT_EQ(DWord(other, 52), 0x00030004u);
  EXPECT_EQ(DWord(other, 56), 0x00050006u);
  EXPECT_EQ(DWord(other, 60), 0x00070008u);
}

TEST(VersionInfo, StringAndVarBlocksLayout) {
  const VersionInfo info = Fleetforge();
  const std::string bytes = EncodeVersionInfo(info);
  EXPECT_EQ(BlockOf(bytes, "040904E4"), 128u);
  // 6 header + 24 key + 2 padding + 9 characters of value.
  ExpectBlock(bytes, "FileVersion", 50, 9, 1);
  EXPECT_EQ(bytes.substr(BlockOf(bytes, "FileVersion") + 32, 18), Utf16("0.0.1.18"));
  // An empty value: no value bytes, not even the terminator.
  ExpectBlock(bytes, "LegalTrademarks", 40, 0, 1);
  EXPECT_EQ(bytes.substr(BlockOf(bytes, "LegalCopyright") + 36 + 20, 2),
            "\xA9" + std::string(1, 0));

  // Each entry starts on the boundary after the previous one; the table and the
  // StringFileInfo end where the last entry ends, without its padding.
  size_t end = 128 + 24;  // after the table's header and key
  for (const auto& [name, value] : info.Strings) {
    SCOPED_TRACE(name);
    const size_t at = (end + 3) / 4 * 4;
    EXPECT_EQ(BlockOf(bytes, name), at);
    end = at + Word(bytes, at);
  }
  ExpectBlock(bytes, "040904E4", static_cast<uint16_t>(end - 128), 0, 1);
  ExpectBlock(bytes, "StringFileInfo", static_cast<uint16_t>(end - 92), 0, 1);
  EXPECT_EQ(BlockOf(bytes, "VarFileInfo"), (end + 3) / 4 * 4);

  ExpectBlock(bytes, "VarFileInfo", 68, 0, 1);
  ExpectBlock(bytes, "Translation", 36, 4, 0);
  EXPECT_EQ(bytes.substr(BlockOf(bytes, "Translation") + 32), "\x09\x04\xE4\x04");
  EXPECT_EQ(BlockOf(bytes, "VarFileInfo") + 68, bytes.size());
}

// Decoding must fail with the conversion error, nothing else and no crash.
void ExpectMalformed(const std::string& bytes, const std::string& message_part) {
  try {
    DecodeVersionInfo(bytes);
    ADD_FAILURE() << "decoded without error";
  } catch (const EConvertError& e) {
    EXPECT_NE(e.Message().find(message_part), std::string::npos) << e.Message();
  }
}

TEST(VersionInfo, MalformedInputRaisesConvertError) {
  const std::string good = EncodeVersionInfo(Fleetforge());
  for (size_t size = 0; size < good.size(); ++size) {
    SCOPED_TRACE(size);
    ExpectMalformed(good.substr(0, size), "Invalid version information");
  }
  for (const char* key : {"VS_VERSION_INFO", "StringFileInfo", "040904E4", "CompanyName",
                          "LegalTrademarks", "Comments", "VarFileInfo", "Translation"}) {
    SCOPED_TRACE(key);
    const size_t at = BlockOf(good, key);
    for (uint16_t length : {0, 5, 0xFFFF})
      ExpectMalformed(WithWord(good, at, length), length <= 5 ? "too short" : "runs past the end");
    ExpectMalformed(WithWord(good, at + 2, 0xFFFF), "runs past the end");
    ExpectMalformed(WithWord(good, at + 4, 2), "unknown type");
  }
  const size_t table = BlockOf(good, "040904E4");
  ExpectMalformed(WithByte(good, 40, '\xBC'), "wrong signature");
  ExpectMalformed(WithByte(good, 6, 'W'), "key is 'WS_VERSION_INFO'");
  ExpectMalformed(WithWord(good, 2, 48), "not 52");
  ExpectMalformed(WithByte(good, table + 6 + 8, 'G'), "eight hex digits");
  // 040704E4 against translation 040904E4
  ExpectMalformed(WithByte(good, table + 6 + 6, '7'), "no string table for 040904E4");
  ExpectMalformed(WithWord(good, BlockOf(good, "Translation") + 2, 3),
                  "language and code page pairs");
  // The root key's terminator overwritten: the block ends before another zero.
  ExpectMalformed(WithWord(good, 0, 36), "key not terminated");
  ExpectMalformed(WithWord(good, BlockOf(good, "InternalName") + 32, 0x20AC),
                  "U+20AC is not 8-bit");
}

TEST(VersionInfo, DamagedBytesNeverEscapeTheConversionError) {
  const std::string good = EncodeVersionInfo(Fleetforge());
  for (size_t at = 0; at < good.size(); ++at) {
    for (unsigned char value : {0x00, 0x01, 0x7F, 0xFF}) {
      try {
        DecodeVersionInfo(WithByte(good, at, static_cast<char>(value)));
      } catch (const EConvertError&) {
      }
    }
  }
}

TEST(VersionInfo, EncodeRejectsWhatCannotBeStored) {
  VersionInfo info = Fleetforge();
  info.Strings.push_back({"Comments", std::string("a\0b", 3)});
  EXPECT_THROW(EncodeVersionInfo(info), EConvertError);
  info = Fleetforge();
  info.Strings.push_back({std::string("Na\0me", 5), "x"});
  EXPECT_THROW(EncodeVersionInfo(info), EConvertError);
  info = Fleetforge();
  info.Strings.push_back({"Comments", std::string(40000, 'x')});
  EXPECT_THROW(EncodeVersionInfo(info), EConvertError);
  info.Strings.back().second.resize(32000);  // fits one block
  EXPECT_EQ(DecodeVersionInfo(EncodeVersionInfo(info)).Strings.back().second.size(), 32000u);
}

}  // namespace
}  // namespace host
