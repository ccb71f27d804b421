// The host's own units and their initialisation and finalisation sections. A
// package that uses a host unit runs that unit's sections from its own unit
// table; each section works once, under the unit's once-only counter, so the
// host's start-up and every package share one run of the work.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/api.h"

namespace host {

// The host units, in the order a package that uses them all lists them.
HOST_API const std::vector<std::string>& HostUnitNames();
// Whether the host unit has sections of its own.
HOST_API bool HostUnitHasSections(const std::string& unit);
// Runs the unit's initialisation / finalisation under its counter. Units without
// sections are ignored.
HOST_API void HostUnitInitialization(const std::string& unit);
HOST_API void HostUnitFinalization(const std::string& unit);
HOST_API int32_t HostUnitCounter(const std::string& unit);
// How often a host unit's work has actually run (initialisations, finalisations).
HOST_API int32_t HostUnitWorkRuns(const std::string& unit);

// The host's own start-up and shutdown: every unit with sections, in order and
// in reverse.
HOST_API void InitializeHostUnits();
HOST_API void FinalizeHostUnits();

}  // namespace host
