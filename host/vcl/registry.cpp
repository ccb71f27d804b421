// The registry object over the current user's registry file, over the system's
// own registry where the platform has one and no file is chosen (sysregistry.h),
// or over an in-memory registry.
//
// Other processes may write the file at any time, so every operation sees the
// file as it is now. An open key is parsed from the file once, and again only
// when the file has changed since (RegFileKey), so that reading the values of a
// key does not parse a large file once for each. Reads never create anything
// (no file, folder or lock file); writes go through UpdateRegFile, which
// replaces the file atomically under its lock and leaves a file it cannot parse
// alone. While a TRegistryTransaction is open, reads and writes see the copy of
// the file that it holds under the lock instead. The system's registry is read
// and written directly, each call on its own. Only HKEY_CURRENT_USER is kept in
// the store: opening a key under another root fails.
#include "host/vcl/registry.h"

#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "host/rtl/regfile.h"
#include "host/vcl/sysregistry.h"

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

// Which store the registry object reads and writes now.
enum class Store { Memory, Transaction, File, System };

// The store in force; the caller holds the state's mutex.
Store StoreInForce(const LocationState& state) {
  if (state.inMemory) return Store::Memory;
  if (state.transaction != nullptr) return Store::Transaction;
  if constexpr (sysreg::kPresent) {
    const char* file = std::getenv(RegistryLocation::kEnvironmentVariable);
    if (state.file.empty() && (file == nullptr || *file == '\0')) return Store::System;
  }
  return Store::File;
}

// The key path in a registry file of the key at path below the root.
AnsiString StorePath(const AnsiString& path) {
  return path.empty() ? AnsiString(kRootName) : AnsiString(kRootName) + "\\" + path;
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

// Whether the key at path below the root exists in the store now.
bool StoredKeyExists(std::unique_ptr<RegFileKey>& cache, const AnsiString& path) {
  const AnsiString storePath = StorePath(path);
  {
    LocationState& state = State();
    std::lock_guard lock(state.mutex);
    switch (StoreInForce(state)) {
      case Store::Memory:
        return state.memory.FindKey(storePath) != nullptr;
      case Store::Transaction:
        return state.transaction->File().FindKey(storePath) != nullptr;
      case Store::System:
        if constexpr (sysreg::kPresent) return sysreg::KeyExists(path);
        break;
      case Store::File:
        break;
    }
  }
  return FileKey(cache, storePath).exists;
}

// The value name of the key at path below the root as the store holds it now.
std::optional<RegValue> StoredValue(std::unique_ptr<RegFileKey>& cache, const AnsiString& path,
                                    const AnsiString& name) {
  const AnsiString storePath = StorePath(path);
  {
    LocationState& state = State();
    std::lock_guard lock(state.mutex);
    const RegValue* value = nullptr;
    switch (StoreInForce(state)) {
      case Store::Memory:
        value = state.memory.FindValue(storePath, name);
        return value == nullptr ? std::nullopt : std::optional<RegValue>(*value);
      case Store::Transaction:
        value = state.transaction->File().FindValue(storePath, name);
        return value == nullptr ? std::nullopt : std::optional<RegValue>(*value);
      case Store::System:
        if constexpr (sysreg::kPresent) return sysreg::ReadValue(path, name);
        break;
      case Store::File:
        break;
    }
  }
  const RegNamedValue* value = FileKey(cache, storePath).FindValue(name);
  return value == nullptr ? std::nullopt : std::optional<RegValue>(value->value);
}

bool SystemStoreInForce() {
  LocationState& state = State();
  std::lock_guard lock(state.mutex);
  return StoreInForce(state) == Store::System;
}

// Read-modify-write of the registry file or the in-memory store; change returns
// whether it changed anything.
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
  return sysreg::DefaultFile();
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

bool RegistryLocation::InSystemRegistry() {
  return SystemStoreInForce();
}

AnsiString RegistryLocation::Description() {
  {
    LocationState& state = State();
    std::lock_guard lock(state.mutex);
    if (state.inMemory) return "memory";
  }
  if (InSystemRegistry()) return kSystemRegistryDescription;
  return CurrentFile();
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
    switch (StoreInForce(state)) {
      case Store::Memory:
      case Store::System:  // each write is stored as it is made
        return;
      case Store::Transaction:
        throw ERegistryException("A registry transaction is already open");
      case Store::File:
        break;
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
  if (!StoredKeyExists(opened, *path)) {
    if (!canCreate) return false;
    if constexpr (sysreg::kPresent) {
      if (SystemStoreInForce()) {
        const AnsiString cause = sysreg::CreateKey(*path);
        if (!cause.empty())
          throw ERegistryException("Failed to create key " + *path + ": " + cause);
        current_path_ = *path;
        open_ = true;
        file_key_.reset();
        return true;
      }
    }
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
  return path && StoredKeyExists(cache, *path);
}

bool TRegistry::ValueExists(const AnsiString& name) {
  return open_ && StoredValue(file_key_, current_path_, name).has_value();
}

bool TRegistry::ReadBool(const AnsiString& name) {
  return ReadInteger(name) != 0;
}

Integer TRegistry::ReadInteger(const AnsiString& name) {
  if (!open_) RaiseGetData(name);
  const std::optional<RegValue> value = StoredValue(file_key_, current_path_, name);
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
  const std::optional<RegValue> value = StoredValue(file_key_, current_path_, name);
  if (!value) RaiseGetData(name);
  if (value->type != REG_SZ && value->type != REG_EXPAND_SZ) RaiseDataType(name);
  return value->data.substr(0, value->data.find('\0'));
}

namespace {

// Stores value under name in the key at path below the root; "Failed to set
// data" when the store cannot take it. A file that cannot be parsed raises its
// own error.
void PutValue(const AnsiString& path, const AnsiString& name, const RegValue& value) {
  if constexpr (sysreg::kPresent) {
    if (SystemStoreInForce()) {
      const AnsiString cause = sysreg::WriteValue(path, name, value);
      if (!cause.empty()) RaiseSetData(name, cause);
      return;
    }
  }
  const AnsiString storePath = StorePath(path);
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
  PutValue(current_path_, name, RegValue::Dword(value ? 1u : 0u));
}

void TRegistry::WriteInteger(const AnsiString& name, Integer value) {
  if (!open_) RaiseSetData(name);
  PutValue(current_path_, name, RegValue::Dword(static_cast<uint32_t>(value)));
}

void TRegistry::WriteString(const AnsiString& name, const AnsiString& value) {
  if (!open_) RaiseSetData(name);
  PutValue(current_path_, name, RegValue::String(value));
}

bool TRegistry::DeleteValue(const AnsiString& name) {
  if (!ValueExists(name)) return false;
  if constexpr (sysreg::kPresent) {
    if (SystemStoreInForce()) return sysreg::DeleteValue(current_path_, name);
  }
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
