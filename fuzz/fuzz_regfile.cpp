// Registry file parser and writer under arbitrary bytes.
//
// For every input that parses:
//  - serializing the untouched file gives back the input's bytes;
//  - a new file of the same kind, built from nothing but the parsed registry's
//    keys and values, parses back to the same registry (every value type, name
//    and escape goes through the formatter);
//  - changing, adding and deleting values and adding keys in the parsed file
//    gives what the change says (checked against a model of the registry) and
//    the result parses back to the same registry;
//  - reading one key from the bytes gives that key's values as the whole file has
//    them (and whether it exists).
// For every input that does not parse, reading one key fails with the same error.
// Any mismatch aborts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/rtl/bytes.h"
#include "host/rtl/chars.h"
#include "host/rtl/regfile.h"

using host::ERegistryException;
using host::RegFile;
using host::RegKey;
using host::RegNamedValue;
using host::RegValue;

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "registry file round trip: %s\n", what);
  std::abort();
}

void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

bool SameRoots(const std::vector<RegKey>& a, const std::vector<RegKey>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (!host::SameKeys(a[i], b[i])) return false;
  }
  return true;
}

RegFile Reparse(const RegFile& file) {
  try {
    return host::ParseRegFile(host::SerializeRegFile(file), "again.reg");
  } catch (const ERegistryException& e) {
    std::fprintf(stderr, "%s\n", e.what());
    Fail("a written file does not parse");
  }
}

void CheckReparses(const RegFile& file, const char* what) {
  Check(SameRoots(file.Roots(), Reparse(file).Roots()), what);
}

// Every key's full path, parents before children.
void CollectKeys(const RegKey& key, const std::string& path, std::vector<std::string>& out) {
  out.push_back(path);
  for (const RegKey& subkey : key.subkeys) CollectKeys(subkey, path + "\\" + subkey.name, out);
}

// The key at path in a copy of the registry (the model of what a change should do).
RegKey* ModelKey(std::vector<RegKey>& roots, const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t slash = path.find('\\', start);
    parts.push_back(path.substr(start, slash == std::string::npos ? slash : slash - start));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  RegKey* key = nullptr;
  for (RegKey& root : roots) {
    if (root.name == parts[0]) key = &root;
  }
  for (size_t i = 1; key != nullptr && i < parts.size(); ++i) {
    RegKey* next = nullptr;
    for (RegKey& subkey : key->subkeys) {
      if (host::SameText(subkey.name, parts[i])) next = &subkey;
    }
    key = next;
  }
  return key;
}

void ModelSet(RegKey& key, const std::string& name, const RegValue& value) {
  for (RegNamedValue& existing : key.values) {
    if (host::SameText(existing.name, name)) {
      existing.value = value;
      return;
    }
  }
  key.values.push_back(RegNamedValue{name, value});
}

// A value the file does not hold yet, of the same type.
RegValue Changed(const RegValue& value) {
  RegValue changed = value;
  if (value.type == host::REG_DWORD && value.data.size() == 4) {
    changed.data[0] = static_cast<char>(static_cast<unsigned char>(changed.data[0]) ^ 0x5A);
  } else if (value.type == host::REG_SZ && !value.data.empty() && value.data.back() == '\0') {
    changed.data.insert(changed.data.size() - 1, "x\\\"");
  } else {
    changed.data += 'Z';
  }
  return changed;
}

// A value that a version 5 file in 8-bit text cannot take: string data that must
// go in hex form (UTF-16) but is not UTF-8. Every other refusal is a fault.
bool RefusalExpected(const RegFile& file, const RegValue& value) {
  return file.Version() == 5 && !file.Utf16() &&
         (value.type == host::REG_SZ || value.type == host::REG_EXPAND_SZ ||
          value.type == host::REG_MULTI_SZ);
}

// An empty file of the same version and encoding as file.
RegFile EmptyLike(const RegFile& file) {
  const std::string header =
      std::string(file.Version() == 5 ? "Windows Registry Editor Version 5.00" : "REGEDIT4") +
      "\r\n\r\n";
  return host::ParseRegFile(file.Utf16() ? "\xFF\xFE" + host::WidenToUtf16LE(header) : header,
                            "empty.reg");
}

void RebuildFromValues(const RegFile& file, const std::vector<std::string>& keys) {
  RegFile fresh = EmptyLike(file);
  for (const std::string& path : keys) {
    fresh.CreateKey(path);
    for (const RegNamedValue& value : file.FindKey(path)->values) {
      try {
        fresh.SetValue(path, value.name, value.value);
      } catch (const ERegistryException&) {
        Check(RefusalExpected(file, value.value), "a parsed value cannot be written again");
        return;
      }
    }
  }
  Check(SameRoots(file.Roots(), fresh.Roots()), "a rebuilt file holds other values");
  CheckReparses(fresh, "a rebuilt file parses to other values");
}

void ChangeInPlace(RegFile& file, const std::vector<std::string>& keys) {
  constexpr size_t kMaxChanges = 24;
  size_t changes = 0;
  for (const std::string& path : keys) {
    if (changes >= kMaxChanges) break;
    const std::vector<RegNamedValue> values = file.FindKey(path)->values;
    for (size_t i = 0; i < values.size() && changes < kMaxChanges; ++i, ++changes) {
      std::vector<RegKey> model = file.Roots();
      const std::string before = host::SerializeRegFile(file);
      const RegValue changed = Changed(values[i].value);
      try {
        Check(file.SetValue(path, values[i].name, changed), "a change changed nothing");
      } catch (const ERegistryException&) {
        Check(RefusalExpected(file, changed), "a change was refused");
        Check(before == host::SerializeRegFile(file), "a refused change changed the file");
        continue;
      }
      ModelSet(*ModelKey(model, path), values[i].name, changed);
      Check(SameRoots(model, file.Roots()), "a change did something else");
      CheckReparses(file, "a changed file parses to other values");
    }
    // A new value at the end of the key's section, a new subkey, a deletion.
    std::vector<RegKey> model = file.Roots();
    const std::string name = "Fuzz \"new\" \\value";
    const bool existed = file.FindValue(path, name) != nullptr;
    const bool added = file.SetValue(path, name, RegValue::Dword(7));
    Check(added || existed, "a new value was not added");
    Check(*file.FindValue(path, name) == RegValue::Dword(7), "a new value was not set");
    ModelSet(*ModelKey(model, path), name, RegValue::Dword(7));
    if (file.CreateKey(path + "\\Fuzz]Key")) {
      ModelKey(model, path)->subkeys.push_back(RegKey{"Fuzz]Key", {}, {}});
    }
    if (!values.empty()) {
      Check(file.DeleteValue(path, values[0].name), "a deletion deleted nothing");
      RegKey* key = ModelKey(model, path);
      for (auto it = key->values.begin(); it != key->values.end(); ++it) {
        if (host::SameText(it->name, values[0].name)) {
          key->values.erase(it);
          break;
        }
      }
    }
    Check(SameRoots(model, file.Roots()), "an addition or deletion did something else");
    CheckReparses(file, "a file with additions parses to other values");
    ++changes;
  }
}

// Some of the file's keys (and one it does not hold), each read alone.
void ReadKeysAlone(std::string_view bytes, const RegFile& file,
                   const std::vector<std::string>& keys) {
  std::vector<std::string> paths;
  const size_t step = std::max<size_t>(1, keys.size() / 12);
  for (size_t i = 0; i < keys.size(); i += step) paths.push_back(keys[i]);
  paths.push_back("HKEY_CURRENT_USER\\Fuzz]Key\\Missing");
  for (const std::string& path : paths) {
    const host::RegKeyValues one = host::ReadRegKey(bytes, path, "fuzz.reg");
    const RegKey* whole = file.FindKey(path);
    Check(one.exists == (whole != nullptr), "one key read alone exists otherwise");
    if (whole == nullptr) continue;
    Check(one.values.size() == whole->values.size(), "one key read alone has other values");
    for (size_t i = 0; i < one.values.size(); ++i) {
      Check(one.values[i].name == whole->values[i].name &&
                one.values[i].value == whole->values[i].value,
            "one key read alone has other values");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  RegFile file;
  try {
    file = host::ParseRegFile(bytes, "fuzz.reg");
  } catch (const ERegistryException& e) {
    try {
      host::ReadRegKey(bytes, "HKEY_CURRENT_USER\\Software", "fuzz.reg");
    } catch (const ERegistryException& one) {
      Check(one.Message() == e.Message(), "one key read alone fails otherwise");
      return 0;
    }
    Fail("one key read alone does not fail");
  }
  if (size > 0) Check(host::SerializeRegFile(file) == bytes, "an untouched file changed");
  std::vector<std::string> keys;
  for (const RegKey& root : file.Roots()) CollectKeys(root, root.name, keys);
  ReadKeysAlone(bytes, file, keys);
  RebuildFromValues(file, keys);
  ChangeInPlace(file, keys);
  return 0;
}
