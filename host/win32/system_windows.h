// The system's own windows as the window system's back end (the Windows build):
// top-level windows of a window class of the host, made, styled, placed and
// read through user32 and gdi32.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>

#include "host/win32/win32.h"

namespace host {

// The system's windows cannot be had (no display to open).
class HOST_API NoWindowSystem : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Draws a window's client area: the window's client, the device context
// (an HDC) and where the client area's origin lies in window coordinates.
using WindowPainter = std::function<void(WindowClient& client, void* dc, TPoint clientOrigin)>;

#ifdef _WIN32
// The system's back end; raises NoWindowSystem when no window can be made.
HOST_API std::unique_ptr<WindowSystem> MakeSystemWindowSystem();
// What draws the windows' client areas (the IDE's drawing code).
HOST_API void SetWindowPainter(WindowPainter painter);
#endif

}  // namespace host
