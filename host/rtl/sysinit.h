// The module's start-up unit: the record of the module that includes it, with the
// module's own instance handle, through which the module's units load its
// resources. Every module gets its own record: it is defined here, inline, and a
// module keeps its symbols to itself (hidden visibility and a version script
// that exports nothing but the module's image), so the host library holds none.
// The module's entry point fills the record in and registers it with the run-time.
#pragma once

#include "host/rtl/modules.h"

namespace host {

inline TLibModule& ModuleRecord() {
  static TLibModule record{};
  return record;
}

// The module's own instance handle.
inline HINSTANCE HInstance() {
  return ModuleRecord().Instance;
}

}  // namespace host
