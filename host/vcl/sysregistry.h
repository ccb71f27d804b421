// The registry object's platform part (not part of the host's interface): where
// the registry file lives by default, and the system's own registry of the
// current user on a platform that has one (registry_posix.cpp,
// registry_win32.cpp).
//
// Key paths here are below HKEY_CURRENT_USER, components joined by "\" ("" is
// the root itself), already checked by the registry object.
#pragma once

#include <optional>

#include "host/rtl/regfile.h"
#include "host/rtl/sysutils.h"

namespace host::sysreg {

// Whether the platform has a registry of its own, which is the store when no
// registry file is chosen.
#ifdef _WIN32
inline constexpr bool kPresent = true;
#else
inline constexpr bool kPresent = false;
#endif

// The registry file used when none is chosen; "" when the platform's registry
// is the store then.
AnsiString DefaultFile();

// The functions below exist where kPresent is true. They raise
// ERegistryException "<what failed>: <the system's cause>" only where noted.

// Whether the key exists (and may be read).
bool KeyExists(const AnsiString& path);
// Creates the key and its missing parents; "" or the system's cause of a failure.
AnsiString CreateKey(const AnsiString& path);
// The value, or nullopt when it (or its key) does not exist; a read that the
// system refuses otherwise raises "Failed to get data for 'name': <cause>".
std::optional<RegValue> ReadValue(const AnsiString& path, const AnsiString& name);
// Stores the value, making the key when missing; "" or the system's cause.
AnsiString WriteValue(const AnsiString& path, const AnsiString& name, const RegValue& value);
// Whether a value was deleted.
bool DeleteValue(const AnsiString& path, const AnsiString& name);

}  // namespace host::sysreg
