// The host's own units and their initialisation and finalisation sections, and
// the once-only guard every unit's sections run under. A package that uses a host
// unit runs that unit's sections from its own unit table; each section works
// once, under the unit's guard, so the host's start-up and every package share
// one run of the work.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/api.h"

namespace host {

// A unit's once-only guard: one signed 32-bit counter, 0 when the module is
// loaded. The initialisation decrements it and works only if it was 0; the
// finalisation increments it and works only if it is 0 afterwards. However often
// a section is run, the work runs at the first initialisation and at the matching
// last finalisation. (The counter moves by unsigned arithmetic: it cannot overflow.)
class UnitGuard {
 public:
  bool EnterInitialization() {
    const bool first = counter_ == 0;
    counter_ = static_cast<int32_t>(static_cast<uint32_t>(counter_) - 1u);
    return first;
  }
  bool EnterFinalization() {
    counter_ = static_cast<int32_t>(static_cast<uint32_t>(counter_) + 1u);
    return counter_ == 0;
  }
  int32_t Counter() const { return counter_; }

 private:
  int32_t counter_ = 0;
};

// How many host units there are (the length of HostUnitNames()).
constexpr size_t kHostUnitCount = 83;
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
