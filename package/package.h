// The package unit Fleetforge7: the module's own instance handle, through which
// the add-in loads its own resources.
#pragma once

#include "host/rtl/modules.h"

namespace Fleetforge7 {

host::HINSTANCE HInstance();
// The module record the entry point registers with the host run-time.
host::TLibModule& LibModule();

}  // namespace Fleetforge7
