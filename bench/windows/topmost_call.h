// The floor under the idle tick on the system's windows: the one call of the
// system that the add-in's bar makes every tick, timed on a bare window of the
// system's own (no host, the default window procedure).
#pragma once

#include <vector>

namespace fleetforge_bench {

// The times, in nanoseconds, of the given number of SetWindowPos(HWND_TOPMOST,
// no move, no size, no activation) calls on a shown top-most popup that is
// already in front, the system's events read after each; none if the window
// cannot be made.
std::vector<double> TopMostCallNs(int calls);

}  // namespace fleetforge_bench
