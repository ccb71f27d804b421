// The registry object over the current user's registry file, or over an
// in-memory registry.
//
// Other processes may write the file at any time, so every operation sees the
// file as it is now. An open key is parsed from the file once, and again only
// when the file has changed since (RegFileKey), so that reading the values of a
// key does not parse a large file once for each. Reads never create anything
// (no file, folder or lock file); writes go through UpdateRegFile, which
// replaces the file atomically under its lock and leaves a file it cannot parse
// alone. While a TRegistryTransaction is open, reads and writes see the copy of
// the file that it holds under the lock instead. Only HKEY_CURRENT_USER is kept
// in the store: opening a key under another root fails.
#include "host/vcl/registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "host/rtl/regfile.h"

namespace host {

namespace {

constexpr const char* kRootName = "HKEY_CURRENT_USER";

struct LocationState {
  std::mutex mutex;
  std::string file;  // set by UseFile; "" when not set
  bool inMemory = false;
  RegFile memory;
  LockedRegFile* transaction = nullptr;  // the file held by a TRegistryTransaction
  bool transactionChanged = false;
};

LocationState& State() {
  static LocationState state;
  return state;
}

AnsiString HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return ".";
}

// The key at storePath of the registry file in force, through cache: kept when
// it holds that key of that file, else made anew.
const RegKeyValues& FileKey(std::unique_ptr<RegFileKey>& cache, const AnsiString& storePath) {
  const AnsiString file = RegistryLocation::CurrentFile();
  if (!cache || cache->Path() != file || cache->KeyPath() != storePath) {
    cache = std::make_unique<RegFileKey>(file, storePath);
  }
  return cache->Current();
}

// Whether the key at storePath exists in the store now.
bool StoredKeyExists(std::unique_ptr<RegFileKey>& cache, const AnsiString& storePath) {
  {
    LocationState& state = State();
    std::lock_guard lock(state.mutex);
    if (state.inMemory) return state.memory.FindKey(storePath) != nullptr;
    if (state.transaction != nullptr)
      return state.transaction->File().FindKey(storePath) != nullptr;
  }
  return FileKey(cache, storePath).exists;
}

// The value name of the key at storePath as the store holds it now.
std::optional<RegValue> StoredValue(std::unique_ptr<RegFileKey>& cache, const AnsiString& storePath,
                                    const AnsiString& name) {
  {
    LocationState& state = State();
    std::lock_guard lock(state.mutex);
    if (state.inMemory) {
      const RegValue* value = state.memory.FindValue(storePath, name);
      return value == nullptr ? std::nullopt : std::optional<RegValue>(*value);
    }
    if (state.transaction != nullptr) {
      const RegValue* value = state.transaction->File().FindValue(storePath, name);
      return value == nullptr ? std::nullopt : std::optional<RegValue>(*value);
    }
  }
  const RegNamedValue* value = FileKey(cache, storePath).FindValue(name);
  return value == nullptr ? std::nullopt : std::optional<RegValue>(value->value);
}

// Read-modify-write of the registry; change returns whether it changed anything.
void UpdateStore(const std::function<bool(RegFile&)>& change) {
  LocationState& state = State();
  std::unique_lock lock(state.mutex);
  if (state.inMemory) {
    // Changed on a copy, so a change that fails half-way leaves the store as it was.
    RegFile copy = state.memory;
    if (change(copy)) state.memory = std::move(copy);
    return;
  }
  if (state.transaction != nullptr) {
    RegFile copy = state.transaction->File();
    if (change(copy)) {
      state.transaction->File() = std::move(copy);
      state.transactionChanged = true;
    }
    return;
  }
  lock.unlock();
  UpdateRegFile(RegistryLocation::CurrentFile(), change);
}

// The key path below the root that key names, from the open key (when open) or
// absolute with a leading "\"; nullopt for an empty key name in the path.
std::optional<AnsiString> ResolveKey(const AnsiString& key, bool open, const AnsiString& current) {
  std::string_view name = key;
  const bool absolute = !name.empty() && name.front() == '\\';
  if (absolute) name.remove_prefix(1);
  if (!name.empty() && name.back() == '\\') name.remove_suffix(1);
  AnsiString path = (!absolute && open) ? current : AnsiString();
  if (!name.empty()) {
    if (!path.empty()) path += '\\';
    path += name;
  }
  if (!path.empty() &&
      (path.front() == '\\' || path.back() == '\\' || path.find("\\\\") != AnsiString::npos)) {
    return std::nullopt;
  }
  return path;
}

AnsiString StorePath(const AnsiString& path) {
  return path.empty() ? AnsiString(kRootName) : AnsiString(kRootName) + "\\" + path;
}

[[noreturn]] void RaiseGetData(const AnsiString& name) {
  throw ERegistryException("Failed to get data for '" + name + "'");
}

// cause, when given, names the file and the system's cause of a failed store.
[[noreturn]] void RaiseSetData(const AnsiString& name, const AnsiString& cause = AnsiString()) {
  throw ERegistryException("Failed to set data for '" + name + "'" +
                           (cause.empty() ? AnsiString() : ": " + cause));
}

[[noreturn]] void RaiseDataType(const AnsiString& name) {
  throw ERegistryException("Invalid data type for '" + name + "'");
}

}  // namespace

// ---- RegistryLocation ------------------------------------------------------

AnsiString RegistryLocation::DefaultFile() {
  AnsiString base;
  // The XDG base directory rules ignore a relative XDG_CONFIG_HOME.
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
    base = config;
  } else {
    base = HomeFolder() + "/.config";
  }
  return base + "/fleetforge/registry.reg";
}

AnsiString RegistryLocation::CurrentFile() {
  {
    LocationState& state = State();
    std::lock_guard lock(state.mutex);
    if (!state.file.empty()) return state.file;
  }
  if (const char* file = std::getenv(kEnvironmentVariable); file != nullptr && *file != '\0') {
    return file;
  }
  return DefaultFile();
}

void RegistryLocation::UseFile(const AnsiString& path) {
  LocationState& state = State();
  std::lock_guard lock(state.mutex);
  state.file = path;
  state.inMemory = false;
}

void RegistryLocation::UseMemory() {
  LocationState& state = State();
  std::lock_guard lock(state.mutex);
  state.inMemory = true;
  state.memory = RegFile();
}

bool RegistryLocation::InMemory() {
  LocationState& state = State();
  std::lock_guard lock(state.mutex);
  return state.inMemory;
}

void RegistryLocation::Reset() {
  LocationState& state = State();
  std::lock_guard lock(state.mutex);
  state.file.clear();
  state.inMemory = false;
  state.memory = RegFile();
}

// ---- TRegistryTransaction --------------------------------------------------

TRegistryTransaction::TRegistryTransaction() {
  LocationState& state = State();
  {
    std::lock_guard lock(state.mutex);
    if (state.inMemory) return;
    if (state.transaction != nullptr) {
      throw ERegistryException("A registry transaction is already open");
    }
  }
  file_ = std::make_unique<LockedRegFile>(RegistryLocation::CurrentFile());
  std::lock_guard lock(state.mutex);
  state.transaction = file_.get();
  state.transactionChanged = false;
}

TRegistryTransaction::~TRegistryTransaction() {
  if (!file_) return;
  LocationState& state = State();
  std::lock_guard lock(state.mutex);
  state.transaction = nullptr;
  state.transactionChanged = false;
}

void TRegistryTransaction::Commit() {
  if (!file_) return;
  LocationState& state = State();
  std::lock_guard lock(state.mutex);
  if (!state.transactionChanged) return;
  try {
    file_->Save();
  } catch (const ERegistryFileIOError& e) {
    throw ERegistryException("Failed to write the registry: " + e.Message());
  }
  state.transactionChanged = false;
}

// ---- TRegistry -------------------------------------------------------------

TRegistry::TRegistry() = default;
TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(HKEY root) {
  CloseKey();
  root_ = root;
}

bool TRegistry::OpenKey(const AnsiString& key, bool canCreate) {
  if (root_ != HKEY_CURRENT_USER) return false;
  const std::optional<AnsiString> path = ResolveKey(key, open_, current_path_);
  if (!path) return false;
  const AnsiString storePath = StorePath(*path);
  // Becomes the open key's, so that its reads need no new parse.
  std::unique_ptr<RegFileKey> opened;
  if (!StoredKeyExists(opened, storePath)) {
    if (!canCreate) return false;
    bool refused = false;
    try {
      UpdateStore([&](RegFile& file) {
        try {
          return file.CreateKey(storePath);
        } catch (const ERegistryException&) {  // a key name this file cannot hold
          refused = true;
          return false;
        }
      });
    } catch (const ERegistryFileIOError& e) {
      throw ERegistryException("Failed to create key " + *path + ": " + e.Message());
    }
    if (refused) return false;
    opened.reset();  // read again after the change
  }
  current_path_ = *path;
  open_ = true;
  file_key_ = std::move(opened);
  return true;
}

void TRegistry::CloseKey() {
  current_path_.clear();
  open_ = false;
  file_key_.reset();
}

bool TRegistry::KeyExists(const AnsiString& key) {
  if (root_ != HKEY_CURRENT_USER) return false;
  const std::optional<AnsiString> path = ResolveKey(key, open_, current_path_);
  std::unique_ptr<RegFileKey> cache;
  return path && StoredKeyExists(cache, StorePath(*path));
}

bool TRegistry::ValueExists(const AnsiString& name) {
  return open_ && StoredValue(file_key_, StorePath(current_path_), name).has_value();
}

bool TRegistry::ReadBool(const AnsiString& name) {
  return ReadInteger(name) != 0;
}

Integer TRegistry::ReadInteger(const AnsiString& name) {
  if (!open_) RaiseGetData(name);
  const std::optional<RegValue> value = StoredValue(file_key_, StorePath(current_path_), name);
  if (!value) RaiseGetData(name);
  if (value->type != REG_DWORD) RaiseDataType(name);
  if (value->data.size() != 4) RaiseGetData(name);
  uint32_t number = 0;
  for (int i = 3; i >= 0; --i) {
    number = (number << 8) | static_cast<unsigned char>(value->data[static_cast<size_t>(i)]);
  }
  return static_cast<Integer>(number);
}

AnsiString TRegistry::ReadString(const AnsiString& name) {
  if (!open_) RaiseGetData(name);
  const std::optional<RegValue> value = StoredValue(file_key_, StorePath(current_path_), name);
  if (!value) RaiseGetData(name);
  if (value->type != REG_SZ && value->type != REG_EXPAND_SZ) RaiseDataType(name);
  return value->data.substr(0, value->data.find('\0'));
}

namespace {

// Stores value under name in the key at storePath; "Failed to set data" when the
// file cannot take it. A file that cannot be parsed raises its own error.
void PutValue(const AnsiString& storePath, const AnsiString& name, const RegValue& value) {
  bool refused = false;
  try {
    UpdateStore([&](RegFile& file) {
      try {
        return file.SetValue(storePath, name, value);
      } catch (const ERegistryException&) {
        refused = true;
        return false;
      }
    });
  } catch (const ERegistryFileIOError& e) {
    RaiseSetData(name, e.Message());
  }
  if (refused) RaiseSetData(name);
}

}  // namespace

void TRegistry::WriteBool(const AnsiString& name, bool value) {
  if (!open_) RaiseSetData(name);
  PutValue(StorePath(current_path_), name, RegValue::Dword(value ? 1u : 0u));
}

void TRegistry::WriteInteger(const AnsiString& name, Integer value) {
  if (!open_) RaiseSetData(name);
  PutValue(StorePath(current_path_), name, RegValue::Dword(static_cast<uint32_t>(value)));
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value) {
  if (!open_) RaiseSetData(name);
  PutValue(StorePath(current_path_), name, RegValue::String(value));
}

bool TRegistry::DeleteValue(const AnsiString& name) {
  if (!ValueExists(name)) return false;
  const AnsiString storePath = StorePath(current_path_);
  bool deleted = false;
  try {
    UpdateStore([&](RegFile& file) { return deleted = file.DeleteValue(storePath, name); });
  } catch (const ERegistryFileIOError&) {
    return false;
  }
  return deleted;
}

}  // namespace host
