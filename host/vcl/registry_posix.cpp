// The registry object's POSIX part: no registry of the system's own, so the
// store is always a registry file, by default below the user's configuration
// folder.
#include "host/vcl/sysregistry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace host::sysreg {

namespace {

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

}  // namespace

AnsiString DefaultFile() {
  AnsiString base;
  // The XDG base directory rules ignore a relative XDG_CONFIG_HOME.
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
    base = config;
  } else {
    base = HomeFolder() + "/.config";
  }
  return base + "/fleetforge/registry.reg";
}

}  // namespace host::sysreg
