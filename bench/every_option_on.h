// The settings the benchmarks time the add-in with: every switch on and a
// 300-pixel Object Inspector, stored in a registry in memory as the options
// record names them.
#pragma once

#include "global/OptionsRecord.h"
#include "host/vcl/registry.h"

namespace fleetforge_bench {

inline void StoreEveryOptionOn() {
  host::RegistryLocation::UseMemory();
  host::TRegistry registry;
  registry.OpenKey(FleetforgeGlobal::kRegistryKey, true);
  for (const FleetforgeGlobal::TOptionValue& value : FleetforgeGlobal::kOptionValues) {
    if (value.Switch != nullptr)
      registry.WriteBool(value.Name, true);
    else
      registry.WriteInteger(value.Name, 300);
  }
}

}  // namespace fleetforge_bench
