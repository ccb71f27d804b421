// Registry files as edited: values and keys, the registry a file's lines make,
// in-place changes, and serializing.
#include "host/rtl/regfile_detail.h"

#include "host/rtl/bytes.h"
#include "host/rtl/quoting.h"

#include <unordered_map>

namespace host::regfile_detail {

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

}  // namespace host::regfile_detail

namespace host {

using regfile_detail::Hex32;
using regfile_detail::IsSameOrAncestor;
using regfile_detail::IsStringType;
using regfile_detail::kHeader4;
using regfile_detail::PathFault;
using regfile_detail::SamePath;
using regfile_detail::SplitKeyPath;
using regfile_detail::Utf8ToUtf16Le;

namespace {

// Exported hex data wraps so that a line, with its trailing "\", stays within 77
// characters.
constexpr size_t kWrapColumn = 76;

bool HasLineBreak(std::string_view text) {
  return text.find('\r') != std::string_view::npos || text.find('\n') != std::string_view::npos;
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

}  // namespace host
