// What the parts of the registry file code share (not part of the host's
// interface). The parts, each in its own file:
//  - regfile_text.cpp: a file's bytes as text (UTF-16LE or 8-bit), its header's
//    version and its line end;
//  - regfile_parse.cpp: key paths, and the text read into classified lines;
//  - regfile_model.cpp: values and keys, the editable file (RegFile) and its
//    serializing;
//  - regfile_key.cpp: one key read without keeping the lines, and kept while the
//    file does not change (RegFileKey);
//  - regfile_disk.cpp: a file's bytes on disk, and its read-change-write under
//    the writers' lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/rtl/chars.h"
#include "host/rtl/regfile.h"

namespace host::regfile_detail {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

// value in lower-case hex digits, at least minDigits of them (regfile_model.cpp).
std::string Hex32(uint32_t value, size_t minDigits);

inline bool SamePath(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!SameText(a[i], b[i])) return false;
  }
  return true;
}

// prefix is path itself or one of its ancestors.
inline bool IsSameOrAncestor(const std::vector<std::string>& prefix,
                             const std::vector<std::string>& path) {
  if (prefix.size() > path.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (!SameText(prefix[i], path[i])) return false;
  }
  return true;
}

inline bool IsStringType(uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// ---- UTF-16LE and UTF-8 (regfile_text.cpp) --------------------------------

// Decodes UTF-16LE; false (with out holding what was decoded before the fault)
// on an odd length or an unpaired surrogate.
bool Utf16LeToUtf8(std::string_view in, std::string& out);

// Encodes strict UTF-8 as UTF-16LE; false on anything that is not UTF-8.
bool Utf8ToUtf16Le(std::string_view in, std::string& out);

// A file's text: UTF-16 decoded (into storage), the version its header names and
// the line end of its first line (that added lines use).
struct FileText {
  std::string_view text;
  int version = 4;
  bool utf16 = false;
  std::string eol;
};

// Raises ERegistryException when the bytes are not UTF-16 after a byte order
// mark, or when the first line is no header.
FileText DecodeFile(std::string_view bytes, const std::string& fileName, std::string& storage);

// ---- Key paths (regfile_parse.cpp) -----------------------------------------

enum class PathFault { None, UnknownRoot, EmptyName };

// Splits "ROOT\A\B" into the root's standard name and the components. out's
// strings are reused, so that splitting one path after another allocates little.
PathFault SplitKeyPath(std::string_view text, std::vector<std::string>& out);

// ---- Parsing (regfile_parse.cpp) -------------------------------------------

// Reads a file's text line by line and hands each line, classified and with its
// data read, to a sink. With keepLines every line keeps its exact text and the
// key of its section (what a RegFile is made of); without, only what a reader of
// values needs is filled in, and one RegLine is reused for every line, so that
// reading allocates next to nothing per line.
class Parser {
 public:
  Parser(std::string_view text, const std::string& fileName, int version, bool keepLines)
      : text_(text), fileName_(fileName), version_(version), keepLines_(keepLines) {}

  // The header line; the version it names.
  static int HeaderVersion(std::string_view content);

  // Calls sink(RegLine&) for every line, the header first. The sink may take
  // the line's contents.
  template <class Sink>
  void Run(Sink&& sink) {
    Physical physical;
    RegLine line;
    bool header = true;
    while (Next(physical)) {
      if (keepLines_) {
        line = RegLine();
        line.text = std::string(physical.full);
      }
      line.lineNumber = physical.number;
      if (header) {
        line.kind = RegLineKind::Header;
        header = false;
      } else {
        Classify(physical, line);
      }
      sink(line);
    }
  }

  [[noreturn]] void Fail(int number, const std::string& what) const;

 private:
  struct Physical {
    std::string_view full;     // with its line end
    std::string_view content;  // without it
    int number = 0;
  };

  // The next physical line; false at the end of the text.
  bool Next(Physical& line) {
    if (pos_ >= text_.size()) return false;
    const size_t newline = text_.find('\n', pos_);
    line.number = ++number_;
    if (newline == std::string_view::npos) {
      // A last line without its line feed; a carriage return there still ends it.
      line.full = text_.substr(pos_);
      line.content = line.full;
      pos_ = text_.size();
    } else {
      line.full = text_.substr(pos_, newline + 1 - pos_);
      line.content = line.full.substr(0, line.full.size() - 1);
      pos_ = newline + 1;
    }
    if (!line.content.empty() && line.content.back() == '\r') line.content.remove_suffix(1);
    return true;
  }

  // Fills line from physical (and the continuation lines that follow it).
  void Classify(const Physical& physical, RegLine& line);
  void ParseKeyLine(int number, std::string_view text, RegLine& line);
  // Appends to out a quoted text from text[pos] (the opening quote) with its
  // escapes \\ and \"; pos ends after the closing quote.
  void Quoted(int number, std::string_view text, size_t& pos, std::string& out) const;
  void ParseValueLine(int number, std::string_view text, RegLine& line);
  // Appends the bytes of comma-separated hex pairs to bytes.
  void HexBytes(int number, std::string_view joined, std::string& bytes) const;
  // HexBytes in one pass for well-formed data (one or two hex digits between
  // commas, blanks around them); false, with some bytes appended, otherwise.
  static bool PlainHexBytes(std::string_view joined, std::string& bytes);

  std::string_view text_;
  size_t pos_ = 0;  // where the next physical line starts
  int number_ = 0;  // the number of the last physical line read
  const std::string& fileName_;
  int version_;
  bool keepLines_;
  std::vector<std::string> section_;  // the key of the current section
  bool sectionDeleted_ = false;
  std::string joined_;  // the hex data of the value being read
};

// ---- Files (regfile_disk.cpp) ----------------------------------------------

// The file's bytes; false when it does not exist (nor its folder). Raises
// ERegistryFileIOError when it cannot be read.
bool ReadBytes(const std::string& path, const std::string& nameForErrors, std::string& bytes);

}  // namespace host::regfile_detail
