// The fleetforge command for tests that run it as another user (kNobody). That
// user may not be able to enter the build folder (a clone below /root, mode
// 0700), so they run a copy of the command that any user can reach.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "tests/support/files.h"

namespace fleetforge_test {

// A copy of the command, the host library and the package module, side by side
// as in the build folder, in a scratch folder of the running test below the
// system's folder for temporary files; returns the copy's command. The command
// finds the library through its run path, relative to itself ($ORIGIN), and the
// module beside itself, so the copy uses nothing of the build folder.
inline std::string ReachableCommand() {
  namespace fs = std::filesystem;
  const std::string folder = ScratchFolder("command");
  if (::chmod(folder.c_str(), 0755) != 0) throw std::runtime_error("cannot open " + folder);
  for (const fs::path file : {FLEETFORGE_CLI, FLEETFORGE_HOST_LIBRARY, FLEETFORGE_DEFAULT_PACKAGE})
    fs::copy_file(file, folder / file.filename());  // with its mode
  return folder + "/" + fs::path(FLEETFORGE_CLI).filename().string();
}

}  // namespace fleetforge_test
