// The package's export directory: every exported name with its address, in
// the order of the design's groups. The POSIX build hands it to the host's
// loader through HostModuleImage; the Windows build writes the DLL's export
// definitions from it.
#pragma once

#include <vector>

#include "host/rtl/modules.h"

namespace Fleetforge7 {

const std::vector<host::TExportEntry>& ExportTable();

}  // namespace Fleetforge7
