// The floor under the idle tick on the system's windows: the one call of the
// system that the add-in's bar makes every tick, timed on a bare window of the
// system's own (no host, the default window procedure).
#pragma once

namespace fleetforge_bench {

// The median time, in nanoseconds, of SetWindowPos(HWND_TOPMOST, no move, no
// size, no activation) on a shown top-most popup that is already in front,
// over the given number of calls, the system's events read after each; 0 if
// the window cannot be made.
double TopMostCallNs(int calls);

}  // namespace fleetforge_bench
