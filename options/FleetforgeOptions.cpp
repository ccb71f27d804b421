#include "options/FleetforgeOptions.h"

namespace FleetforgeOptions {

TfmOptions* fmOptions = nullptr;
Fleetforge7::UnitGuard Guard;

// The unit has no work of its own at load or unload.
void Initialization() {
  Guard.EnterInitialization();
}
void Finalization() {
  Guard.EnterFinalization();
}

}  // namespace FleetforgeOptions
