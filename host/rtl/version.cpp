#include "host/rtl/version.h"

#include <cstdio>

#include "host/rtl/bytes.h"
#include "host/rtl/chars.h"
#include "host/rtl/sysutils.h"

namespace host {
namespace {

constexpr uint32_t kSignature = 0xFEEF04BD;
constexpr uint32_t kStrucVersion = 0x00010000;
constexpr size_t kFixedInfoSize = 13 * 4;
constexpr size_t kHeaderSize = 6;
constexpr uint16_t kBinary = 0, kText = 1;

size_t Align4(size_t offset) {
  return (offset + 3) & ~size_t{3};
}

std::string Hex4(uint16_t value) {
  char text[5];
  std::snprintf(text, sizeof text, "%04X", unsigned{value});
  return text;
}

std::string TableKey(uint16_t language, uint16_t code_page) {
  return Hex4(language) + Hex4(code_page);
}

[[noreturn]] void Fail(const std::string& what, size_t offset, const std::string& problem) {
  throw EConvertError("Invalid version information: " + what + " at offset " +
                      std::to_string(offset) + ": " + problem);
}

class Writer {
 public:
  // Starts a block on the next 4-byte boundary; returns its offset for End.
  size_t Begin(const std::string& key, size_t value_length, uint16_t type) {
    Pad();
    const size_t start = out_.size();
    Word(0);
    Word(Checked(value_length, key));
    Word(type);
    Text(key, key);
    Pad();
    return start;
  }
  void End(size_t start, const std::string& key) {
    const uint16_t length = Checked(out_.size() - start, key);
    out_[start] = static_cast<char>(length & 0xFF);
    out_[start + 1] = static_cast<char>(length >> 8);
  }
  void Word(uint16_t value) { AppendUInt16LE(out_, value); }
  void DWord(uint32_t value) { AppendUInt32LE(out_, value); }
  // Zero-terminated UTF-16LE, one code unit per byte.
  void Text(const std::string& text, const std::string& owner) {
    if (text.find('\0') != std::string::npos)
      throw EConvertError("Version information: '" + owner + "' holds a zero");
    out_ += WidenToUtf16LE(text);
    Word(0);
  }
  std::string Take() { return std::move(out_); }

 private:
  void Pad() { out_.append(Align4(out_.size()) - out_.size(), '\0'); }
  static uint16_t Checked(size_t value, const std::string& key) {
    if (value > 0xFFFF) throw EConvertError("Version information too large at '" + key + "'");
    return static_cast<uint16_t>(value);
  }
  std::string out_;
};

// One block as read, as offsets into the resource: the value is [value, value +
// value_size), the children lie in [children, end).
struct Block {
  std::string key;
  uint16_t type = 0;
  size_t start = 0, value = 0, value_size = 0, children = 0, end = 0;
};

uint16_t WordAt(std::string_view bytes, size_t offset) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                               static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

uint32_t DWordAt(std::string_view bytes, size_t offset) {
  return WordAt(bytes, offset) | uint32_t{WordAt(bytes, offset + 2)} << 16;
}

// UTF-16LE up to the first zero or the end of the range, as 8-bit text.
std::string Narrow(std::string_view bytes, size_t begin, size_t end, const std::string& what) {
  std::string text;
  for (size_t at = begin; at + 2 <= end; at += 2) {
    const uint16_t unit = WordAt(bytes, at);
    if (unit == 0) break;
    if (unit > 0xFF) Fail(what, at, "character U+" + Hex4(unit) + " is not 8-bit");
    text += static_cast<char>(unit);
  }
  return text;
}

// The block at `start`, which must lie within [start, limit).
Block ReadBlock(std::string_view bytes, size_t start, size_t limit, const std::string& parent) {
  const std::string what = "block in " + parent;
  if (limit - start < kHeaderSize) Fail(what, start, "header truncated");
  const size_t length = WordAt(bytes, start);
  if (length < kHeaderSize) Fail(what, start, "length " + std::to_string(length) + " too short");
  if (length > limit - start)
    Fail(what, start, "length " + std::to_string(length) + " runs past the end");
  Block block;
  block.start = start;
  block.end = start + length;
  block.type = WordAt(bytes, start + 4);
  if (block.type != kBinary && block.type != kText) Fail(what, start, "unknown type");
  size_t at = start + kHeaderSize;
  while (at + 2 <= block.end && WordAt(bytes, at) != 0) at += 2;
  if (at + 2 > block.end) Fail(what, start, "key not terminated");
  block.key = Narrow(bytes, start + kHeaderSize, at, what);
  // Text values count characters, binary ones bytes.
  block.value = Align4(at + 2);
  block.value_size = size_t{WordAt(bytes, start + 2)} * (block.type == kText ? 2 : 1);
  if (block.value_size > 0 &&
      (block.value > block.end || block.value_size > block.end - block.value))
    Fail("'" + block.key + "'", start, "value runs past the end of its block");
  block.children = Align4(block.value + block.value_size);
  return block;
}

std::vector<Block> Children(std::string_view bytes, const Block& parent) {
  std::vector<Block> children;
  for (size_t at = parent.children; Align4(at) < parent.end; at = children.back().end)
    children.push_back(ReadBlock(bytes, Align4(at), parent.end, "'" + parent.key + "'"));
  return children;
}

uint32_t ParseTableKey(const Block& table) {
  uint32_t value = 0;
  bool valid = table.key.size() == 8;
  for (char c : table.key) {
    const int digit = HexDigitValue(c);
    valid = valid && digit >= 0;
    value = value << 4 | static_cast<uint32_t>(digit & 0xF);
  }
  if (!valid) Fail("string table '" + table.key + "'", table.start, "key is not eight hex digits");
  return value;
}

}  // namespace

std::string EncodeVersionInfo(const VersionInfo& info) {
  Writer w;
  const size_t root = w.Begin("VS_VERSION_INFO", kFixedInfoSize, kBinary);
  w.DWord(kSignature);
  w.DWord(kStrucVersion);
  for (const uint16_t* v : {info.FileVersion, info.ProductVersion}) {
    w.DWord(uint32_t{v[0]} << 16 | v[1]);
    w.DWord(uint32_t{v[2]} << 16 | v[3]);
  }
  for (uint32_t v : {info.FileFlagsMask, info.FileFlags, info.FileOS, info.FileType,
                     info.FileSubtype, uint32_t{0}, uint32_t{0}})  // the file date: none
    w.DWord(v);
  const size_t string_info = w.Begin("StringFileInfo", 0, kText);
  const std::string key = TableKey(info.Language, info.CodePage);
  const size_t table = w.Begin(key, 0, kText);
  for (const auto& [name, value] : info.Strings) {
    const size_t entry = w.Begin(name, value.empty() ? 0 : value.size() + 1, kText);
    if (!value.empty()) w.Text(value, name);
    w.End(entry, name);
  }
  w.End(table, key);
  w.End(string_info, "StringFileInfo");
  const size_t var_info = w.Begin("VarFileInfo", 0, kText);
  const size_t translation = w.Begin("Translation", 4, kBinary);
  w.Word(info.Language);
  w.Word(info.CodePage);
  w.End(translation, "Translation");
  w.End(var_info, "VarFileInfo");
  w.End(root, "VS_VERSION_INFO");
  return w.Take();
}

VersionInfo DecodeVersionInfo(std::string_view bytes) {
  const Block root = ReadBlock(bytes, 0, bytes.size(), "resource");
  if (root.key != "VS_VERSION_INFO") Fail("root block", 0, "key is '" + root.key + "'");
  if (root.value_size != kFixedInfoSize)
    Fail("fixed file information", 0, "is " + std::to_string(root.value_size) + " bytes, not 52");
  const size_t fixed = root.value;
  if (DWordAt(bytes, fixed) != kSignature) Fail("fixed file information", fixed, "wrong signature");
  VersionInfo info;
  // Each version is two DWORDs, most significant first; in a DWORD the high word is second.
  for (int i = 0; i < 4; ++i) {
    const size_t word = static_cast<size_t>(i ^ 1) * 2;
    info.FileVersion[i] = WordAt(bytes, fixed + 8 + word);
    info.ProductVersion[i] = WordAt(bytes, fixed + 16 + word);
  }
  info.FileFlagsMask = DWordAt(bytes, fixed + 24);
  info.FileFlags = DWordAt(bytes, fixed + 28);
  info.FileOS = DWordAt(bytes, fixed + 32);
  info.FileType = DWordAt(bytes, fixed + 36);
  info.FileSubtype = DWordAt(bytes, fixed + 40);

  std::vector<Block> tables;
  bool translated = false;
  for (const Block& child : Children(bytes, root)) {
    if (child.key == "StringFileInfo") {
      for (Block& table : Children(bytes, child)) tables.push_back(std::move(table));
    } else if (child.key == "VarFileInfo") {
      for (const Block& var : Children(bytes, child)) {
        if (var.key != "Translation" || translated) continue;
        if (var.value_size < 4 || var.value_size % 4 != 0)
          Fail("'Translation'", var.start, "value is not language and code page pairs");
        info.Language = WordAt(bytes, var.value);
        info.CodePage = WordAt(bytes, var.value + 2);
        translated = true;
      }
    }
  }
  if (tables.empty()) return info;
  const Block* table = translated ? nullptr : &tables.front();
  for (const Block& candidate : tables) {
    const uint32_t key = ParseTableKey(candidate);
    if (!table && key == (uint32_t{info.Language} << 16 | info.CodePage)) table = &candidate;
  }
  if (!table)
    Fail("string file information", root.start,
         "no string table for " + TableKey(info.Language, info.CodePage));
  const uint32_t key = ParseTableKey(*table);
  info.Language = static_cast<uint16_t>(key >> 16);
  info.CodePage = static_cast<uint16_t>(key & 0xFFFF);
  for (const Block& entry : Children(bytes, *table))
    info.Strings.emplace_back(entry.key, Narrow(bytes, entry.value, entry.value + entry.value_size,
                                                "'" + entry.key + "'"));
  return info;
}

}  // namespace host
