// The registry object's Windows part: the system registry of the current user
// (HKEY_CURRENT_USER) is the store when no registry file is chosen. Each call
// opens the key it needs and closes it again, so that every operation sees the
// registry as it is now, as the file store does.
#include "host/vcl/sysregistry.h"

#include "host/rtl/syserror.h"

#include <vector>

#include "host/rtl/winapi.h"

namespace host::sysreg {

namespace {

// An open key of the current user's registry that closes itself.
class OpenedKey {
 public:
  OpenedKey() = default;
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;
  ~OpenedKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  // Opens the existing key; the registry call's result.
  LSTATUS Open(const AnsiString& path, REGSAM access) {
    return ::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, access, &key_);
  }
  // Opens the key, creating it and its missing parents.
  LSTATUS Create(const AnsiString& path, REGSAM access) {
    return ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             access, nullptr, &key_, nullptr);
  }
  ::HKEY get() const { return key_; }

 private:
  ::HKEY key_ = nullptr;
};

bool Missing(LSTATUS status) {
  return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND;
}

AnsiString Cause(LSTATUS status) {
  return status == ERROR_SUCCESS ? AnsiString()
                                 : WindowsErrorMessage(static_cast<uint32_t>(status));
}

}  // namespace

AnsiString DefaultFile() {
  return AnsiString();
}

bool KeyExists(const AnsiString& path) {
  OpenedKey key;
  return key.Open(path, KEY_READ) == ERROR_SUCCESS;
}

AnsiString CreateKey(const AnsiString& path) {
  OpenedKey key;
  return Cause(key.Create(path, KEY_READ));
}

std::optional<RegValue> ReadValue(const AnsiString& path, const AnsiString& name) {
  OpenedKey key;
  LSTATUS status = key.Open(path, KEY_QUERY_VALUE);
  if (Missing(status)) return std::nullopt;
  // The value may grow between the call that asks its size and the one that
  // reads it: ask again then.
  std::vector<BYTE> data;
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (status == ERROR_SUCCESS)
    status = ::RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size);
  while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    data.resize(size);
    status = ::RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_SUCCESS) {
      RegValue value;
      value.type = type;
      value.data.assign(reinterpret_cast<const char*>(data.data()), size);
      return value;
    }
  }
  if (Missing(status)) return std::nullopt;
  throw ERegistryException("Failed to get data for '" + name + "': " + Cause(status));
}

AnsiString WriteValue(const AnsiString& path, const AnsiString& name, const RegValue& value) {
  OpenedKey key;
  LSTATUS status = key.Create(path, KEY_SET_VALUE);
  if (status == ERROR_SUCCESS) {
    status = ::RegSetValueExA(key.get(), name.c_str(), 0, value.type,
                              reinterpret_cast<const BYTE*>(value.data.data()),
                              static_cast<DWORD>(value.data.size()));
  }
  return Cause(status);
}

bool DeleteValue(const AnsiString& path, const AnsiString& name) {
  OpenedKey key;
  return key.Open(path, KEY_SET_VALUE) == ERROR_SUCCESS &&
         ::RegDeleteValueA(key.get(), name.c_str()) == ERROR_SUCCESS;
}

}  // namespace host::sysreg
