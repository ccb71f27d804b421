// Registry files: parsing into the file's own lines, the registry those lines
// make, in-place changes, serializing, and the locked atomic replacement on disk.
#include "host/rtl/regfile.h"

#include "host/rtl/bytes.h"
#include "host/rtl/chars.h"
#include "host/rtl/filelock.h"
#include "host/rtl/quoting.h"
#include "host/rtl/textfile.h"

#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <system_error>
#include <unordered_map>

namespace host {

namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

// Exported hex data wraps so that a line, with its trailing "\", stays within 77
// characters.
constexpr size_t kWrapColumn = 76;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimBlanks(std::string_view text) {
  return TrimRight(TrimLeft(text));
}

bool HasLineBreak(std::string_view text) {
  return text.find('\r') != std::string_view::npos || text.find('\n') != std::string_view::npos;
}

// 1 to 8 hex digits, either case.
bool ParseHex32(std::string_view digits, uint32_t& value) {
  if (digits.empty() || digits.size() > 8) return false;
  value = 0;
  for (char c : digits) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return false;
    value = (value << 4) | static_cast<uint32_t>(digit);
  }
  return true;
}

std::string Hex32(uint32_t value, size_t minDigits) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xFu]);
    value >>= 4;
  } while (value != 0);
  if (text.size() < minDigits) text.insert(0, minDigits - text.size(), '0');
  return text;
}

bool SamePath(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!SameText(a[i], b[i])) return false;
  }
  return true;
}

// prefix is path itself or one of its ancestors.
bool IsSameOrAncestor(const std::vector<std::string>& prefix,
                      const std::vector<std::string>& path) {
  if (prefix.size() > path.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (!SameText(prefix[i], path[i])) return false;
  }
  return true;
}

// ---- UTF-16LE and UTF-8 ---------------------------------------------------

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes UTF-16LE; false (with out holding what was decoded before the fault)
// on an odd length or an unpaired surrogate.
bool Utf16LeToUtf8(std::string_view in, std::string& out) {
  out.clear();
  auto unit = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(in[i])) |
           (static_cast<uint32_t>(static_cast<unsigned char>(in[i + 1])) << 8);
  };
  size_t i = 0;
  while (i + 1 < in.size()) {
    const uint32_t u = unit(i);
    i += 2;
    if (u >= 0xD800 && u < 0xDC00) {
      if (i + 1 >= in.size()) return false;
      const uint32_t low = unit(i);
      if (low < 0xDC00 || low >= 0xE000) return false;
      i += 2;
      AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
    } else if (u >= 0xDC00 && u < 0xE000) {
      return false;
    } else {
      AppendUtf8(out, u);
    }
  }
  return i == in.size();
}

// Encodes strict UTF-8 as UTF-16LE; false on anything that is not UTF-8.
bool Utf8ToUtf16Le(std::string_view in, std::string& out) {
  out.clear();
  size_t i = 0;
  auto continuation = [&](size_t at, uint32_t& cp) {
    if (at >= in.size()) return false;
    const auto byte = static_cast<unsigned char>(in[at]);
    if ((byte & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (byte & 0x3F);
    return true;
  };
  while (i < in.size()) {
    const auto lead = static_cast<unsigned char>(in[i]);
    uint32_t cp = 0;
    size_t length = 0;
    if (lead < 0x80) {
      cp = lead;
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      cp = lead & 0x1F;
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      cp = lead & 0x0F;
      length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      cp = lead & 0x07;
      length = 4;
    } else {
      return false;
    }
    for (size_t k = 1; k < length; ++k) {
      if (!continuation(i + k, cp)) return false;
    }
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp < 0xE000)) {
      return false;
    }
    i += length;
    if (cp >= 0x10000) {
      AppendUInt16LE(out, 0xD800 + ((cp - 0x10000) >> 10));
      AppendUInt16LE(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      AppendUInt16LE(out, cp);
    }
  }
  return true;
}

bool IsStringType(uint32_t type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// ---- Key paths -------------------------------------------------------------

enum class PathFault { None, UnknownRoot, EmptyName };

// Splits "ROOT\A\B" into the root's standard name and the components. out's
// strings are reused, so that splitting one path after another allocates little.
PathFault SplitKeyPath(std::string_view text, std::vector<std::string>& out) {
  size_t count = 0;
  auto put = [&](std::string_view part) {
    if (count < out.size()) {
      out[count].assign(part);
    } else {
      out.emplace_back(part);
    }
    ++count;
  };
  size_t start = 0;
  while (true) {
    const size_t slash = text.find('\\', start);
    const std::string_view part = text.substr(
        start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    if (count == 0) {
      for (const std::string& root : RegFile::RootNames()) {
        if (SameText(part, root)) put(root);
      }
      if (count == 0) {
        out.clear();
        return PathFault::UnknownRoot;
      }
    } else {
      if (part.empty()) {
        out.resize(count);
        return PathFault::EmptyName;
      }
      put(part);
    }
    if (slash == std::string_view::npos) {
      out.resize(count);
      return PathFault::None;
    }
    start = slash + 1;
  }
}

const RegKey* WalkConst(const std::vector<RegKey>& roots, const std::vector<std::string>& path) {
  if (path.empty()) return nullptr;
  const RegKey* key = nullptr;
  for (const RegKey& root : roots) {
    if (root.name == path[0]) key = &root;
  }
  for (size_t i = 1; key != nullptr && i < path.size(); ++i) key = key->FindSubkey(path[i]);
  return key;
}

// ---- Formatting ------------------------------------------------------------

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

std::string FormatName(std::string_view name) {
  return name.empty() ? "@" : Quoted(name);
}

// REG_SZ data that "text" can carry: one terminating NUL and no line break.
bool IsPlainString(const RegValue& value) {
  const std::string& data = value.data;
  return value.type == REG_SZ && !data.empty() && data.find('\0') == data.size() - 1 &&
         !HasLineBreak(data);
}

std::string TerminatorOf(const std::string& text) {
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) return "\r\n";
  if (!text.empty() && text.back() == '\n') return "\n";
  return std::string();
}

[[noreturn]] void RaiseUnwritable(const std::string& what) {
  throw ERegistryException("Cannot write " + what + " in this registry file");
}

// ---- Parsing ---------------------------------------------------------------

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
  static int HeaderVersion(std::string_view content) {
    const std::string_view header = TrimRight(content);
    if (header == kHeader4) return 4;
    if (header == kHeader5) return 5;
    return 0;
  }

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

  [[noreturn]] void Fail(int number, const std::string& what) const {
    throw ERegistryException("Registry file " + fileName_ + ", line " + std::to_string(number) +
                             ": " + what);
  }

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
  void Classify(const Physical& physical, RegLine& line) {
    const std::string_view text = TrimLeft(physical.content);
    if (TrimRight(text).empty()) {
      line.kind = RegLineKind::Blank;
      return;
    }
    if (text.front() == ';') {
      line.kind = RegLineKind::Comment;
      return;
    }
    if (text.find('\r') != std::string_view::npos) Fail(physical.number, "stray carriage return");
    if (text.front() == '[') {
      ParseKeyLine(physical.number, text, line);
      return;
    }
    if (text.front() == '"' || text.front() == '@') {
      ParseValueLine(physical.number, text, line);
      return;
    }
    Fail(physical.number, "unexpected text " + QuotedForMessage(std::string(TrimRight(text))));
  }

  void ParseKeyLine(int number, std::string_view text, RegLine& line) {
    const bool deletion = text.size() > 1 && text[1] == '-';
    const size_t start = deletion ? 2 : 1;
    const size_t close = text.rfind(']');
    if (close == std::string_view::npos || close < start) {
      Fail(number, "missing ']' after the key name");
    }
    if (!TrimRight(text.substr(close + 1)).empty()) Fail(number, "text after the key name");
    const std::string_view name = text.substr(start, close - start);
    switch (SplitKeyPath(name, line.path)) {
      case PathFault::UnknownRoot:
        Fail(number, "unknown root key in " + QuotedForMessage(std::string(name)));
      case PathFault::EmptyName:
        Fail(number, "empty key name in " + QuotedForMessage(std::string(name)));
      case PathFault::None:
        break;
    }
    if (deletion && line.path.size() == 1) Fail(number, "a root key cannot be deleted");
    line.kind = deletion ? RegLineKind::KeyDelete : RegLineKind::Key;
    section_ = line.path;
    sectionDeleted_ = deletion;
  }

  // Appends to out a quoted text from text[pos] (the opening quote) with its
  // escapes \\ and \"; pos ends after the closing quote.
  void Quoted(int number, std::string_view text, size_t& pos, std::string& out) const {
    ++pos;
    while (true) {
      if (pos >= text.size()) Fail(number, "missing closing quote");
      const char c = text[pos];
      if (c == '"') {
        ++pos;
        return;
      }
      if (c == '\\') {
        if (pos + 1 >= text.size()) Fail(number, "missing closing quote");
        const char escaped = text[pos + 1];
        if (escaped != '\\' && escaped != '"') {
          Fail(number, std::string("unknown escape \\") + escaped + " in a quoted text");
        }
        out += escaped;
        pos += 2;
      } else {
        // The run of plain characters up to the next quote or backslash at once.
        size_t end = pos + 1;
        while (end < text.size() && text[end] != '"' && text[end] != '\\') ++end;
        out.append(text.substr(pos, end - pos));
        pos = end;
      }
    }
  }

  void ParseValueLine(int number, std::string_view text, RegLine& line) {
    if (section_.empty()) Fail(number, "a value outside of any key");
    if (sectionDeleted_) Fail(number, "a value in the section of a deleted key");
    if (keepLines_) line.path = section_;
    line.name.clear();
    line.value.data.clear();
    size_t pos = 0;
    if (text.front() == '@') {
      pos = 1;
    } else {
      Quoted(number, text, pos, line.name);
    }
    std::string_view rest = TrimLeft(text.substr(pos));
    if (rest.empty() || rest.front() != '=') Fail(number, "missing '=' after the value name");
    rest = TrimRight(TrimLeft(rest.substr(1)));
    line.kind = RegLineKind::Value;
    if (rest == "-") {
      line.kind = RegLineKind::ValueDelete;
      return;
    }
    if (!rest.empty() && rest.front() == '"') {
      size_t end = 0;
      Quoted(number, rest, end, line.value.data);
      if (end != rest.size()) Fail(number, "text after the value");
      line.value.type = REG_SZ;
      line.value.data += '\0';
      return;
    }
    if (StartsWithNoCase(rest, "dword:")) {
      uint32_t value = 0;
      if (!ParseHex32(rest.substr(6), value)) {
        Fail(number, "bad dword value " + QuotedForMessage(std::string(rest.substr(6))));
      }
      line.value.type = REG_DWORD;
      AppendUInt32LE(line.value.data, value);
      return;
    }
    if (!StartsWithNoCase(rest, "hex")) Fail(number, "unknown value data");
    rest.remove_prefix(3);
    uint32_t type = REG_BINARY;
    if (!rest.empty() && rest.front() == '(') {
      const size_t close = rest.find(')');
      if (close == std::string_view::npos || !ParseHex32(rest.substr(1, close - 1), type)) {
        Fail(number, "bad value type in hex(...)");
      }
      rest.remove_prefix(close + 1);
    }
    if (rest.empty() || rest.front() != ':') Fail(number, "missing ':' after hex");
    rest.remove_prefix(1);
    // The data, joined across "\" continuations.
    joined_.clear();
    Physical next;
    while (true) {
      rest = TrimRight(rest);
      if (rest.empty() || rest.back() != '\\') {
        joined_ += rest;
        break;
      }
      rest.remove_suffix(1);
      joined_ += rest;
      if (!Next(next)) Fail(number, "the value continues past the end of the file");
      if (next.content.find('\r') != std::string_view::npos) {
        Fail(next.number, "stray carriage return");
      }
      if (keepLines_) line.text += next.full;
      rest = TrimLeft(next.content);
    }
    line.value.type = type;
    HexBytes(number, joined_, line.value.data);
    if (version_ == 5 && IsStringType(type)) {
      std::string text8;
      if (!Utf16LeToUtf8(line.value.data, text8)) {
        Fail(number, "the data of a hex(" + Hex32(type, 1) + ") value is not UTF-16 text");
      }
      line.value.data = std::move(text8);
    }
  }

  // Appends the bytes of comma-separated hex pairs to bytes.
  void HexBytes(int number, std::string_view joined, std::string& bytes) const {
    if (TrimBlanks(joined).empty()) return;
    const size_t before = bytes.size();
    if (PlainHexBytes(joined, bytes)) return;
    // Something to report: the token by token reading below names it.
    bytes.resize(before);
    size_t start = 0;
    while (true) {
      const size_t comma = joined.find(',', start);
      const std::string_view token = TrimBlanks(joined.substr(
          start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
      uint32_t byte = 0;
      if (token.size() > 2 || !ParseHex32(token, byte)) {
        Fail(number, "bad hex byte " + QuotedForMessage(std::string(token)));
      }
      bytes += static_cast<char>(byte);
      if (comma == std::string_view::npos) return;
      start = comma + 1;
    }
  }

  // HexBytes in one pass for well-formed data (one or two hex digits between
  // commas, blanks around them); false, with some bytes appended, otherwise.
  static bool PlainHexBytes(std::string_view joined, std::string& bytes) {
    size_t i = 0;
    const size_t size = joined.size();
    while (true) {
      while (i < size && IsBlank(joined[i])) ++i;
      const int high = i < size ? HexDigitValue(joined[i]) : -1;
      if (high < 0) return false;
      int byte = high;
      if (++i < size) {
        if (const int low = HexDigitValue(joined[i]); low >= 0) {
          byte = byte * 16 + low;
          ++i;
        }
      }
      while (i < size && IsBlank(joined[i])) ++i;
      bytes += static_cast<char>(byte);
      if (i == size) return true;
      if (joined[i] != ',') return false;
      ++i;
    }
  }

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
FileText DecodeFile(std::string_view bytes, const std::string& fileName, std::string& storage) {
  FileText file;
  file.text = bytes;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    file.utf16 = true;
    if (!Utf16LeToUtf8(bytes.substr(2), storage)) {
      const int line = 1 + static_cast<int>(std::count(storage.begin(), storage.end(), '\n'));
      throw ERegistryException("Registry file " + fileName + ", line " + std::to_string(line) +
                               ": invalid UTF-16 text");
    }
    file.text = storage;
  }
  const std::string_view text = file.text;
  const size_t firstEnd = text.find('\n');
  std::string_view first = text.substr(0, firstEnd);
  if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
  file.version = Parser::HeaderVersion(first);
  if (file.version == 0) {
    throw ERegistryException("Registry file " + fileName + ", line 1: the first line is not \"" +
                             std::string(kHeader4) + "\" or \"" + std::string(kHeader5) + "\"");
  }
  file.eol = firstEnd != std::string_view::npos && firstEnd > 0 && text[firstEnd - 1] == '\r'
                 ? "\r\n"
             : firstEnd != std::string_view::npos ? "\n"
                                                  : "\r\n";
  return file;
}

// What the lines, imported in order, leave in one key (as RegFile::Rebuild,
// for that key alone): a key section of the key or of a key below it makes it
// exist, a deletion of it or of a key above it deletes it with its values.
class KeyReader {
 public:
  explicit KeyReader(std::string_view keyPath) {
    valid_ = SplitKeyPath(keyPath, target_) == PathFault::None;
    result_.exists = valid_ && target_.size() == 1;  // a standard root always exists
  }

  void Apply(const RegLine& line) {
    if (!valid_) return;
    switch (line.kind) {
      case RegLineKind::Key:
        if (IsSameOrAncestor(target_, line.path)) result_.exists = true;
        inKey_ = SamePath(line.path, target_);
        break;
      case RegLineKind::KeyDelete:
        inKey_ = false;
        if (IsSameOrAncestor(line.path, target_)) {
          result_.exists = false;
          result_.values.clear();
          alive_.clear();
          index_.clear();
        }
        break;
      case RegLineKind::Value: {
        if (!inKey_) break;
        folded_.clear();
        for (char c : line.name) folded_ += LowCase(c);
        const auto [found, added] = index_.emplace(folded_, result_.values.size());
        if (added) {
          result_.values.push_back(RegNamedValue{line.name, line.value});
          alive_.push_back(true);
        } else {
          result_.values[found->second].value = line.value;
        }
        break;
      }
      case RegLineKind::ValueDelete: {
        if (!inKey_) break;
        folded_.clear();
        for (char c : line.name) folded_ += LowCase(c);
        const auto found = index_.find(folded_);
        if (found == index_.end()) break;
        alive_[found->second] = false;
        index_.erase(found);
        break;
      }
      default:
        break;
    }
  }

  RegKeyValues Result() {
    RegKeyValues result;
    result.exists = result_.exists;
    for (size_t i = 0; i < result_.values.size(); ++i) {
      if (alive_[i]) result.values.push_back(std::move(result_.values[i]));
    }
    return result;
  }

 private:
  std::vector<std::string> target_;
  bool valid_ = false;
  bool inKey_ = false;  // the current section is the key's
  RegKeyValues result_;
  std::vector<bool> alive_;                        // false for a deleted value
  std::unordered_map<std::string, size_t> index_;  // folded name: index in result_.values
  std::string folded_;
};

// ---- Files -----------------------------------------------------------------

std::string SystemMessage(int error) {
  return std::error_code(error, std::generic_category()).message();
}

[[noreturn]] void RaiseFile(const std::string& path, const std::string& what, int error) {
  throw ERegistryFileIOError("Registry file " + path + ": " + what + " (" + SystemMessage(error) +
                             ")");
}

// The file's bytes; false when it does not exist (nor its folder).
bool ReadBytes(const std::string& path, const std::string& nameForErrors, std::string& bytes) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return false;
    RaiseFile(nameForErrors, "cannot be read", errno);
  }
  try {
    bytes = ReadFileBytes(path);
  } catch (const EInOutError& e) {
    throw ERegistryFileIOError("Registry file " + nameForErrors + ": cannot be read (" +
                               e.Message() + ")");
  }
  return true;
}

}  // namespace

// ---- Values and keys -------------------------------------------------------

RegValue RegValue::String(std::string_view text) {
  RegValue value;
  value.type = REG_SZ;
  value.data = std::string(text);
  value.data += '\0';
  return value;
}

RegValue RegValue::Dword(uint32_t number) {
  RegValue value;
  value.type = REG_DWORD;
  AppendUInt32LE(value.data, number);
  return value;
}

const RegKey* RegKey::FindSubkey(std::string_view subkeyName) const {
  for (const RegKey& subkey : subkeys) {
    if (SameText(subkey.name, subkeyName)) return &subkey;
  }
  return nullptr;
}

const RegNamedValue* RegKey::FindValue(std::string_view valueName) const {
  for (const RegNamedValue& value : values) {
    if (SameText(value.name, valueName)) return &value;
  }
  return nullptr;
}

bool SameKeys(const RegKey& a, const RegKey& b) {
  if (a.name != b.name || a.values.size() != b.values.size() ||
      a.subkeys.size() != b.subkeys.size()) {
    return false;
  }
  for (const RegNamedValue& value : a.values) {
    const RegNamedValue* other = b.FindValue(value.name);
    if (other == nullptr || other->name != value.name || !(other->value == value.value)) {
      return false;
    }
  }
  for (const RegKey& subkey : a.subkeys) {
    const RegKey* other = b.FindSubkey(subkey.name);
    if (other == nullptr || !SameKeys(subkey, *other)) return false;
  }
  return true;
}

// ---- RegFile ---------------------------------------------------------------

const std::vector<std::string>& RegFile::RootNames() {
  static const std::vector<std::string> names = {
      "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE",
      "HKEY_USERS",        "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
  };
  return names;
}

RegFile::RegFile() {
  RegLine header;
  header.kind = RegLineKind::Header;
  header.text = std::string(kHeader4) + eol_;
  lines_.push_back(header);
  RegLine blank;
  blank.text = eol_;
  lines_.push_back(blank);
  Rebuild();
}

// The registry that importing the lines in order makes. Keys are found through
// one index of (parent, folded name), values through one of (key, folded name),
// so that the time is linear in the lines however many siblings a key has.
void RegFile::Rebuild() {
  struct Node {
    std::string name;
    std::vector<size_t> children;  // in creation order, deleted ones included
    std::vector<RegNamedValue> values;
    std::vector<bool> valueAlive;  // false for a deleted value
    bool deleted = false;
  };
  std::vector<Node> nodes;
  // The index's keys: the owner's node number (8 bytes) and the folded name.
  std::unordered_map<std::string, size_t> subkeyIndex, valueIndex;
  subkeyIndex.reserve(lines_.size());
  valueIndex.reserve(lines_.size());
  std::string indexKey;
  auto makeKey = [&](size_t owner, std::string_view name) -> const std::string& {
    indexKey.assign(reinterpret_cast<const char*>(&owner), sizeof owner);
    for (char c : name) indexKey += LowCase(c);
    return indexKey;
  };
  for (const std::string& name : RootNames()) nodes.push_back(Node{name, {}, {}, {}, false});
  constexpr size_t kNone = static_cast<size_t>(-1);
  // The node at path[0..depth), created when missing with create; kNone when missing.
  auto walk = [&](const std::vector<std::string>& path, size_t depth, bool create) {
    size_t node = kNone;
    for (size_t i = 0; i < RootNames().size(); ++i) {
      if (nodes[i].name == path[0]) node = i;
    }
    for (size_t i = 1; node != kNone && i < depth; ++i) {
      const auto found = subkeyIndex.find(makeKey(node, path[i]));
      if (found != subkeyIndex.end()) {
        node = found->second;
      } else if (create) {
        const size_t child = nodes.size();
        nodes.push_back(Node{path[i], {}, {}, {}, false});
        nodes[node].children.push_back(child);
        subkeyIndex.emplace(indexKey, child);
        node = child;
      } else {
        node = kNone;
      }
    }
    return node;
  };
  size_t current = kNone;
  for (const RegLine& line : lines_) {
    switch (line.kind) {
      case RegLineKind::Key:
        current = walk(line.path, line.path.size(), true);
        break;
      case RegLineKind::KeyDelete: {
        current = kNone;
        const size_t parent = walk(line.path, line.path.size() - 1, false);
        if (parent == kNone) break;
        const auto found = subkeyIndex.find(makeKey(parent, line.path.back()));
        if (found == subkeyIndex.end()) break;
        nodes[found->second].deleted = true;
        subkeyIndex.erase(found);
        break;
      }
      case RegLineKind::Value: {
        if (current == kNone) break;
        Node& key = nodes[current];
        const auto [found, added] =
            valueIndex.emplace(makeKey(current, line.name), key.values.size());
        if (added) {
          key.values.push_back(RegNamedValue{line.name, line.value});
          key.valueAlive.push_back(true);
        } else {
          key.values[found->second].value = line.value;
        }
        break;
      }
      case RegLineKind::ValueDelete: {
        if (current == kNone) break;
        const auto found = valueIndex.find(makeKey(current, line.name));
        if (found == valueIndex.end()) break;
        nodes[current].valueAlive[found->second] = false;
        valueIndex.erase(found);
        break;
      }
      default:
        break;
    }
  }
  // A key is made after its parent, so going backwards every child is complete
  // before it is moved into its parent.
  std::vector<RegKey> keys(nodes.size());
  for (size_t i = nodes.size(); i-- > 0;) {
    Node& node = nodes[i];
    RegKey& key = keys[i];
    key.name = std::move(node.name);
    for (size_t v = 0; v < node.values.size(); ++v) {
      if (node.valueAlive[v]) key.values.push_back(std::move(node.values[v]));
    }
    for (size_t child : node.children) {
      if (!nodes[child].deleted) key.subkeys.push_back(std::move(keys[child]));
    }
  }
  keys.resize(RootNames().size());
  roots_ = std::move(keys);
}

const RegKey* RegFile::FindKey(std::string_view keyPath) const {
  std::vector<std::string> path;
  if (SplitKeyPath(keyPath, path) != PathFault::None) return nullptr;
  return WalkConst(roots_, path);
}

const RegValue* RegFile::FindValue(std::string_view keyPath, std::string_view name) const {
  const RegKey* key = FindKey(keyPath);
  if (key == nullptr) return nullptr;
  const RegNamedValue* value = key->FindValue(name);
  return value == nullptr ? nullptr : &value->value;
}

std::vector<std::string> RegFile::CheckedPath(std::string_view keyPath) const {
  std::vector<std::string> path;
  if (SplitKeyPath(keyPath, path) != PathFault::None) {
    throw ERegistryException("Invalid registry key " + QuotedForMessage(std::string(keyPath)));
  }
  for (const std::string& part : path) {
    if (HasLineBreak(part)) RaiseUnwritable("a key name with a line break");
  }
  return path;
}

std::string RegFile::DisplayKeyPath(const std::vector<std::string>& path) const {
  std::string text = path[0];
  const RegKey* key = WalkConst(roots_, {path[0]});
  for (size_t i = 1; i < path.size(); ++i) {
    key = key == nullptr ? nullptr : key->FindSubkey(path[i]);
    text += '\\';
    text += key == nullptr ? path[i] : key->name;
  }
  return text;
}

void RegFile::EnsureTerminated(size_t index) {
  std::string& text = lines_[index].text;
  if (!text.empty() && text.back() == '\n') return;
  // A last line cut after its carriage return gets just the missing line feed.
  if (!text.empty() && text.back() == '\r')
    text += '\n';
  else
    text += eol_;
}

// Adds "[path]" and a blank line at the end of the file (after a blank line,
// when the file does not end in one); the index of the key line.
size_t RegFile::AppendSection(const std::vector<std::string>& path) {
  const std::string name = DisplayKeyPath(path);
  RegLine key;
  key.kind = RegLineKind::Key;
  key.text = "[" + name + "]" + eol_;
  std::string encoded;
  if (utf16_ && !Utf8ToUtf16Le(key.text, encoded)) RaiseUnwritable("a key name that is not UTF-8");
  SplitKeyPath(name, key.path);
  RegLine blank;
  blank.text = eol_;
  EnsureTerminated(lines_.size() - 1);
  if (lines_.back().kind != RegLineKind::Blank) lines_.push_back(blank);
  lines_.push_back(key);
  lines_.push_back(blank);
  return lines_.size() - 2;
}

RegLine RegFile::MakeValueLine(const std::vector<std::string>& path, std::string_view name,
                               const RegValue& value, const std::string& lineEnd) const {
  if (HasLineBreak(name)) RaiseUnwritable("a value name with a line break");
  RegLine line;
  line.kind = RegLineKind::Value;
  line.path = path;
  line.name = std::string(name);
  line.value = value;
  std::string text = FormatName(name) + "=";
  if (IsPlainString(value)) {
    text += Quoted(std::string_view(value.data).substr(0, value.data.size() - 1));
  } else if (value.type == REG_DWORD && value.data.size() == 4) {
    uint32_t number = 0;
    for (int i = 3; i >= 0; --i) {
      number = (number << 8) | static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
    }
    text += "dword:" + Hex32(number, 8);
  } else {
    std::string bytes = value.data;
    if (version_ == 5 && IsStringType(value.type) && !Utf8ToUtf16Le(value.data, bytes)) {
      RaiseUnwritable("string data that is not UTF-8");
    }
    text += value.type == REG_BINARY ? std::string("hex:") : "hex(" + Hex32(value.type, 1) + "):";
    static constexpr char kDigits[] = "0123456789abcdef";
    bool lineHasByte = false;
    size_t lineStart = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
      const auto byte = static_cast<unsigned char>(bytes[i]);
      std::string piece{kDigits[byte >> 4], kDigits[byte & 0xF]};
      if (i + 1 < bytes.size()) piece += ',';
      if (lineHasByte && text.size() - lineStart + piece.size() > kWrapColumn) {
        text += "\\" + eol_;
        lineStart = text.size();
        text += "  ";
      }
      text += piece;
      lineHasByte = true;
    }
  }
  text += lineEnd;
  std::string encoded;
  if (utf16_ && !Utf8ToUtf16Le(text, encoded)) RaiseUnwritable("text that is not UTF-8");
  line.text = std::move(text);
  return line;
}

bool RegFile::CreateKey(std::string_view keyPath) {
  const std::vector<std::string> path = CheckedPath(keyPath);
  if (WalkConst(roots_, path) != nullptr) return false;
  AppendSection(path);
  Rebuild();
  return true;
}

bool RegFile::SetValue(std::string_view keyPath, std::string_view name, const RegValue& value) {
  const std::vector<std::string> path = CheckedPath(keyPath);
  RegLine fresh = MakeValueLine(path, name, value, eol_);
  if (const RegKey* key = WalkConst(roots_, path)) {
    const RegNamedValue* current = key->FindValue(name);
    if (current != nullptr && current->value == value) return false;
  }
  // The last line that decides this value: a line of it, or a deletion of its key.
  size_t last = lines_.size();
  for (size_t i = 0; i < lines_.size(); ++i) {
    const RegLine& line = lines_[i];
    if ((line.kind == RegLineKind::Value || line.kind == RegLineKind::ValueDelete) &&
        SamePath(line.path, path) && SameText(line.name, name)) {
      last = i;
    } else if (line.kind == RegLineKind::KeyDelete && IsSameOrAncestor(line.path, path)) {
      last = i;
    }
  }
  if (last < lines_.size() && lines_[last].kind == RegLineKind::Value) {
    // Re-format that line in place, keeping its spelling of the name and its line end.
    const RegLine& old = lines_[last];
    lines_[last] = MakeValueLine(old.path, old.name, value, TerminatorOf(old.text));
    Rebuild();
    return true;
  }
  // Otherwise the value goes at the end of the key's last section, when that
  // section comes after the deciding line; else into a new section.
  size_t section = lines_.size();
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == RegLineKind::Key && SamePath(lines_[i].path, path)) section = i;
  }
  auto sectionEnd = [&](size_t start) {
    size_t end = start + 1;
    while (end < lines_.size() && lines_[end].kind != RegLineKind::Key &&
           lines_[end].kind != RegLineKind::KeyDelete) {
      ++end;
    }
    return end;
  };
  if (section == lines_.size() || (last < lines_.size() && sectionEnd(section) <= last)) {
    section = AppendSection(path);
  }
  size_t at = section + 1;
  for (size_t i = section + 1; i < sectionEnd(section); ++i) {
    if (lines_[i].kind == RegLineKind::Value || lines_[i].kind == RegLineKind::ValueDelete) {
      at = i + 1;
    }
  }
  EnsureTerminated(at - 1);
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(fresh));
  Rebuild();
  return true;
}

bool RegFile::DeleteValue(std::string_view keyPath, std::string_view name) {
  std::vector<std::string> path;
  if (SplitKeyPath(keyPath, path) != PathFault::None) return false;
  bool changed = false;
  // Remove the deciding line until no earlier line of the value shows through.
  while (true) {
    const RegKey* key = WalkConst(roots_, path);
    if (key == nullptr || key->FindValue(name) == nullptr) return changed;
    size_t last = lines_.size();
    for (size_t i = 0; i < lines_.size(); ++i) {
      const RegLine& line = lines_[i];
      if (line.kind == RegLineKind::Value && SamePath(line.path, path) &&
          SameText(line.name, name)) {
        last = i;
      }
    }
    if (last == lines_.size()) return changed;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(last));
    Rebuild();
    changed = true;
  }
}

RegFile ParseRegFile(std::string_view bytes, const std::string& fileNameForErrors) {
  RegFile file;
  if (bytes.empty()) return file;
  std::string decoded;
  const FileText text = DecodeFile(bytes, fileNameForErrors, decoded);
  file.utf16_ = text.utf16;
  file.version_ = text.version;
  file.eol_ = text.eol;
  file.lines_.clear();
  Parser parser(text.text, fileNameForErrors, text.version, true);
  parser.Run([&](RegLine& line) { file.lines_.push_back(std::move(line)); });
  file.Rebuild();
  return file;
}

const RegNamedValue* RegKeyValues::FindValue(std::string_view name) const {
  for (const RegNamedValue& value : values) {
    if (SameText(value.name, name)) return &value;
  }
  return nullptr;
}

RegKeyValues ReadRegKey(std::string_view bytes, std::string_view keyPath,
                        const std::string& fileNameForErrors) {
  KeyReader reader(keyPath);
  if (bytes.empty()) return reader.Result();
  std::string decoded;
  const FileText text = DecodeFile(bytes, fileNameForErrors, decoded);
  Parser parser(text.text, fileNameForErrors, text.version, false);
  parser.Run([&](const RegLine& line) { reader.Apply(line); });
  return reader.Result();
}

std::string SerializeRegFile(const RegFile& file) {
  std::string text;
  for (const RegLine& line : file.lines_) text += line.text;
  if (!file.utf16_) return text;
  std::string encoded;
  if (!Utf8ToUtf16Le(text, encoded)) {
    throw ERegistryException("Registry file text is not UTF-8");  // every line was checked
  }
  return "\xFF\xFE" + encoded;
}

RegFile LoadRegFile(const std::string& path) {
  std::string bytes;
  if (!ReadBytes(path, path, bytes)) return RegFile();
  return ParseRegFile(bytes, path);
}

// ---- One key of a file, read again only when the file changed ------------

namespace {

int64_t NowNs() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

uint64_t HashOf(std::string_view bytes) {
  return std::hash<std::string_view>{}(bytes);
}

}  // namespace

RegFileKey::RegFileKey(std::string path, std::string keyPath, int settleSeconds)
    : path_(std::move(path)), keyPath_(std::move(keyPath)), settleSeconds_(settleSeconds) {}

RegFileKey::StampResult RegFileKey::TakeStamp(Stamp& stamp) const {
  struct stat info {};
  if (::stat(path_.c_str(), &info) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? StampResult::Missing : StampResult::Error;
  }
  stamp.device = static_cast<uint64_t>(info.st_dev);
  stamp.inode = static_cast<uint64_t>(info.st_ino);
  stamp.size = static_cast<uint64_t>(info.st_size);
#ifdef _WIN32
  // Whole seconds only: the settling time covers what a finer stamp would tell.
  stamp.modified = static_cast<int64_t>(info.st_mtime);
  stamp.changed = static_cast<int64_t>(info.st_ctime);
#else
  stamp.modified = static_cast<int64_t>(info.st_mtim.tv_sec);
  stamp.modifiedNs = static_cast<int64_t>(info.st_mtim.tv_nsec);
  stamp.changed = static_cast<int64_t>(info.st_ctim.tv_sec);
  stamp.changedNs = static_cast<int64_t>(info.st_ctim.tv_nsec);
#endif
  return StampResult::Present;
}

// Whether no write after now can leave stamp as it is: its last modification
// and status change lie more than the settling time before now.
bool RegFileKey::Settled(const Stamp& stamp, int64_t now) const {
  const int64_t latest = std::max(stamp.modified * 1000000000 + stamp.modifiedNs,
                                  stamp.changed * 1000000000 + stamp.changedNs);
  return latest < now - int64_t{settleSeconds_} * 1000000000;
}

const RegKeyValues& RegFileKey::Current() {
  if (!loaded_) {
    Load();
    return key_;
  }
  Stamp now;
  const StampResult result = TakeStamp(now);
  if (!present_ && result == StampResult::Missing) return key_;
  if (present_ && result == StampResult::Present && now == stamp_) {
    if (settled_) return key_;
    // The status cannot tell yet: compare the bytes.
    const int64_t clock = NowNs();
    std::string bytes;
    if (ReadBytes(path_, path_, bytes) && bytes.size() == stamp_.size && HashOf(bytes) == hash_) {
      Stamp after;
      if (TakeStamp(after) == StampResult::Present && after == stamp_) {
        settled_ = Settled(stamp_, clock);
        return key_;
      }
    }
  }
  Load();
  return key_;
}

// Reads the file and the key. The status taken before the read is kept only
// when it is the same after it; otherwise the next use reads again.
void RegFileKey::Load() {
  loaded_ = false;
  const int64_t clock = NowNs();
  Stamp before;
  const StampResult beforeResult = TakeStamp(before);
  std::string bytes;
  const bool present = ReadBytes(path_, path_, bytes);
  ++reads_;
  key_ = ReadRegKey(present ? std::string_view(bytes) : std::string_view(), keyPath_, path_);
  Stamp after;
  const StampResult afterResult = TakeStamp(after);
  present_ = present;
  if (!present) {
    loaded_ = beforeResult == StampResult::Missing && afterResult == StampResult::Missing;
    return;
  }
  if (beforeResult != StampResult::Present || afterResult != StampResult::Present ||
      !(before == after) || before.size != bytes.size()) {
    return;
  }
  stamp_ = before;
  settled_ = Settled(stamp_, clock);
  hash_ = settled_ ? 0 : HashOf(bytes);
  loaded_ = true;
}

LockedRegFile::LockedRegFile(const std::string& path) : path_(path) {
  try {
    lock_ = std::make_unique<TLockedFile>(path, true);
  } catch (const EInOutError& e) {
    throw ERegistryFileIOError(e.Message());
  }
  std::string bytes;
  if (ReadBytes(lock_->Target(), path, bytes)) file_ = ParseRegFile(bytes, path);
}

LockedRegFile::~LockedRegFile() = default;

void LockedRegFile::Save() {
  try {
    lock_->Replace(SerializeRegFile(file_), 0600);  // a new registry file is the user's alone
  } catch (const EInOutError& e) {
    throw ERegistryFileIOError(e.Message());
  }
}

void UpdateRegFile(const std::string& path, const std::function<bool(RegFile&)>& change) {
  LockedRegFile locked(path);
  if (change(locked.File())) locked.Save();
}

}  // namespace host
