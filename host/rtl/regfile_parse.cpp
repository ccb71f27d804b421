// Registry file text read into lines: key paths, and the parser that classifies
// each line and reads its data.
#include "host/rtl/regfile_detail.h"

#include "host/rtl/bytes.h"
#include "host/rtl/quoting.h"

namespace host::regfile_detail {

namespace {

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

}  // namespace

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

int Parser::HeaderVersion(std::string_view content) {
  const std::string_view header = TrimRight(content);
  if (header == kHeader4) return 4;
  if (header == kHeader5) return 5;
  return 0;
}

void Parser::Fail(int number, const std::string& what) const {
  throw ERegistryException("Registry file " + fileName_ + ", line " + std::to_string(number) +
                           ": " + what);
}

void Parser::Classify(const Physical& physical, RegLine& line) {
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

void Parser::ParseKeyLine(int number, std::string_view text, RegLine& line) {
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

void Parser::Quoted(int number, std::string_view text, size_t& pos, std::string& out) const {
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

void Parser::ParseValueLine(int number, std::string_view text, RegLine& line) {
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

void Parser::HexBytes(int number, std::string_view joined, std::string& bytes) const {
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

bool Parser::PlainHexBytes(std::string_view joined, std::string& bytes) {
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

}  // namespace host::regfile_detail

namespace host {

using regfile_detail::DecodeFile;
using regfile_detail::FileText;
using regfile_detail::Parser;

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

}  // namespace host
