// The package's resources: description, package information, compiler options,
// version block (and, with their units, the form images and icon groups).
#pragma once

#include <vector>

#include "host/rtl/modules.h"

namespace Fleetforge7 {

inline constexpr const char* kDescription = "Fleetforge7 v0.0.1 build 18 (2004/9/29)";

const std::vector<host::TResourceEntry>& PackageResources();

}  // namespace Fleetforge7
