// The window system and the Win32 calls the add-in makes: top-level windows in
// z-order with a top-most band, window regions, hit testing, the work area and
// classic-theme system metrics that follow from a screen description.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/api.h"

namespace host {

using BOOL = int32_t;
using UINT = uint32_t;
using HWND = uint32_t;  // window handle; 0 is no window
using HRGN = uint32_t;  // region handle; 0 is no region
using HICON = uint32_t;
using HINSTANCE = uintptr_t;
using HMODULE = HINSTANCE;
constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

struct TPoint {
  int32_t X = 0, Y = 0;
};

// The window system keeps a window's position within -32768..32767 and its size
// within 0..32767, whatever it is asked for, so its right and bottom edges always
// fit in 32 bits and never lie before its left and top edges.
constexpr int32_t kMinWindowPosition = -32768;
constexpr int32_t kMaxWindowPosition = 32767;
constexpr int32_t kMaxWindowSize = 32767;
constexpr int32_t ClampWindowPosition(int64_t v) {
  return static_cast<int32_t>(v < kMinWindowPosition   ? kMinWindowPosition
                              : v > kMaxWindowPosition ? kMaxWindowPosition
                                                       : v);
}
constexpr int32_t ClampWindowSize(int64_t v) {
  return static_cast<int32_t>(v < 0 ? 0 : v > kMaxWindowSize ? kMaxWindowSize : v);
}

struct TRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  // Worked out in 64 bits: any two 32-bit edges give a width that fits, or the
  // nearest 32-bit value.
  int32_t Width() const { return Span(Left, Right); }
  int32_t Height() const { return Span(Top, Bottom); }
  bool Contains(int32_t x, int32_t y) const {
    return x >= Left && x < Right && y >= Top && y < Bottom;
  }
  bool operator==(const TRect&) const = default;
  // A window's rectangle at left, top of width x height, each first brought into
  // the window system's range.
  static constexpr TRect OfWindow(int64_t left, int64_t top, int64_t width, int64_t height) {
    const int32_t l = ClampWindowPosition(left), t = ClampWindowPosition(top);
    return {l, t, l + ClampWindowSize(width), t + ClampWindowSize(height)};
  }

 private:
  static constexpr int32_t Span(int32_t from, int32_t to) {
    const int64_t span = int64_t{to} - from;
    return static_cast<int32_t>(span > INT32_MAX ? INT32_MAX : span < INT32_MIN ? INT32_MIN : span);
  }
};

constexpr UINT SPI_GETWORKAREA = 48;

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CYSMCAPTION = 51;
constexpr int SM_CXMINIMIZED = 57;
constexpr int SM_CYMINIMIZED = 58;
constexpr int SM_CXMAXIMIZED = 61;
constexpr int SM_CYMAXIMIZED = 62;

constexpr HWND HWND_TOP = 0;
constexpr HWND HWND_BOTTOM = 1;
constexpr HWND HWND_TOPMOST = 0xFFFFFFFFu;    // (HWND)-1
constexpr HWND HWND_NOTOPMOST = 0xFFFFFFFEu;  // (HWND)-2

constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

enum class TaskbarEdge { Bottom, Top, Left, Right };

struct ScreenDescription {
  int32_t Width = 1024;
  int32_t Height = 768;
  TaskbarEdge Edge = TaskbarEdge::Bottom;
  int32_t TaskbarThickness = 30;
};

// What a window tells its owner (a form) about input that reaches it.
class HOST_API WindowClient {
 public:
  virtual ~WindowClient() = default;
  // A click at a point in window coordinates (from the window's top-left corner).
  virtual void WindowClicked(int32_t x, int32_t y) = 0;
  // The window became the active window, or stopped being it.
  virtual void WindowActivated(bool active) { (void)active; }
};

struct WindowInfo {
  HWND Handle = 0;
  WindowClient* Client = nullptr;
  TRect Bounds;  // screen coordinates
  bool Visible = false;
  bool Enabled = true;
  bool TopMost = false;
  bool Minimized = false;
  std::optional<TRect> Region;  // window coordinates; nullopt: the whole window
};

// The desktop: one primary display with a task bar, and the top-level windows.
class HOST_API WindowSystem {
 public:
  static WindowSystem& Instance();

  const ScreenDescription& Screen() const { return screen_; }
  TRect WorkArea() const;
  TRect TaskbarRect() const;
  int GetMetric(int index) const;

  HWND CreateWindow(WindowClient* client, const TRect& bounds);
  void DestroyWindow(HWND window);
  bool IsWindow(HWND window) const;
  const WindowInfo* Info(HWND window) const;

  void SetBounds(HWND window, const TRect& bounds);
  // Shows (on top of its band) or hides a window. Hiding the active window
  // activates the next visible, enabled window. A disabled window asked to be
  // shown and activated is shown behind the active window, which stays active.
  void Show(HWND window, bool visible, bool activate);
  void SetEnabled(HWND window, bool enabled);
  void SetMinimized(HWND window, bool minimized);
  void BringToFront(HWND window);
  bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
  void SetRegion(HWND window, std::optional<TRect> region);

  HWND ActiveWindow() const { return active_; }
  // Makes a window the active one; a disabled window is not activated.
  void Activate(HWND window);
  // Activates the front-most visible, enabled window other than except, if any.
  void ActivateFront(HWND except);
  // Visible windows from the front to the back: the top-most band first.
  std::vector<HWND> ZOrder() const;
  // The window that a click at a screen point reaches, or 0: the front-most
  // visible, enabled, not minimised window whose region holds the point.
  HWND WindowFromPoint(int32_t x, int32_t y) const;
  // Delivers a click at a screen point; returns the window it reached, or 0.
  HWND Click(int32_t x, int32_t y);

  // Regions (CreateRectRgn / SetWindowRgn / DeleteObject).
  HRGN CreateRegion(const TRect& rect);
  std::optional<TRect> RegionRect(HRGN region) const;
  bool DeleteRegion(HRGN region);
  // Hands a region to a window; the window owns it afterwards.
  bool AssignRegion(HWND window, HRGN region);
  size_t RegionCount() const { return regions_.size(); }

  // Forgets every window and region (a new session).
  void Reset(const ScreenDescription& screen);

 private:
  WindowSystem() = default;
  WindowInfo* Find(HWND window);
  void Raise(HWND window);

  ScreenDescription screen_;
  std::map<HWND, WindowInfo> windows_;
  std::vector<HWND> order_;  // front first, regardless of band
  std::map<HRGN, TRect> regions_;
  HWND next_window_ = 0x10;
  HRGN next_region_ = 0x100;
  HWND active_ = 0;
};

// ---- The Win32 calls -------------------------------------------------------
HOST_API BOOL SystemParametersInfo(UINT action, UINT param, void* data, UINT winIni);
HOST_API int GetSystemMetrics(int index);
HOST_API HRGN CreateRectRgn(int left, int top, int right, int bottom);
HOST_API int SetWindowRgn(HWND window, HRGN region, BOOL redraw);
HOST_API BOOL DeleteObject(HRGN object);
HOST_API BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
HOST_API BOOL ShowWindow(HWND window, int command);
HOST_API BOOL IsWindowVisible(HWND window);

}  // namespace host
