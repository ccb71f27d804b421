// The pieces every unit of the package shares: the once-only guard of its
// initialisation and finalisation sections.
#pragma once

#include <cstdint>

namespace Fleetforge7 {

// One signed 32-bit counter per unit, 0 when the module is loaded. The
// initialisation decrements it and works only if it was 0; the finalisation
// increments it and works only if it is 0 afterwards. However often the host
// runs a section, the work runs at the first initialisation and at the matching
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

}  // namespace Fleetforge7
