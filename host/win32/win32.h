// The window system and the Win32 calls the add-in makes: top-level windows in
// z-order with a top-most band, window regions, hit testing, the work area and
// classic-theme system metrics that follow from a screen description.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
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

// The metrics by name, as the state and the command line name them.
struct MetricName {
  const char* Name;
  int Index;
};
inline constexpr MetricName kMetricNames[] = {
    {"SM_CXSCREEN", SM_CXSCREEN},         {"SM_CYSCREEN", SM_CYSCREEN},
    {"SM_CYCAPTION", SM_CYCAPTION},       {"SM_CXBORDER", SM_CXBORDER},
    {"SM_CYBORDER", SM_CYBORDER},         {"SM_CXDLGFRAME", SM_CXDLGFRAME},
    {"SM_CYDLGFRAME", SM_CYDLGFRAME},     {"SM_CYMENU", SM_CYMENU},
    {"SM_CXFULLSCREEN", SM_CXFULLSCREEN}, {"SM_CYFULLSCREEN", SM_CYFULLSCREEN},
    {"SM_CXFRAME", SM_CXFRAME},           {"SM_CYFRAME", SM_CYFRAME},
    {"SM_CYSMCAPTION", SM_CYSMCAPTION},   {"SM_CXMINIMIZED", SM_CXMINIMIZED},
    {"SM_CYMINIMIZED", SM_CYMINIMIZED},   {"SM_CXMAXIMIZED", SM_CXMAXIMIZED},
    {"SM_CYMAXIMIZED", SM_CYMAXIMIZED}};

// Window styles (GetWindowLong GWL_STYLE and GWL_EXSTYLE), as the host gives
// them to a form's window.
constexpr uint32_t WS_POPUP = 0x80000000u;
constexpr uint32_t WS_MINIMIZE = 0x20000000u;
constexpr uint32_t WS_VISIBLE = 0x10000000u;
constexpr uint32_t WS_DISABLED = 0x08000000u;
constexpr uint32_t WS_MAXIMIZE = 0x01000000u;
constexpr uint32_t WS_CAPTION = 0x00C00000u;  // WS_BORDER | WS_DLGFRAME
constexpr uint32_t WS_BORDER = 0x00800000u;
constexpr uint32_t WS_DLGFRAME = 0x00400000u;
constexpr uint32_t WS_SYSMENU = 0x00080000u;
constexpr uint32_t WS_THICKFRAME = 0x00040000u;
constexpr uint32_t WS_MINIMIZEBOX = 0x00020000u;
constexpr uint32_t WS_MAXIMIZEBOX = 0x00010000u;
constexpr uint32_t WS_EX_DLGMODALFRAME = 0x00000001u;
constexpr uint32_t WS_EX_TOPMOST = 0x00000008u;
constexpr uint32_t WS_EX_TOOLWINDOW = 0x00000080u;
constexpr uint32_t WS_EX_CONTEXTHELP = 0x00000400u;

// Messages of the system's controls that the host's controls send and read.
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_CLICK = 0x00F5;
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_REPLACESEL = 0x00C2;
constexpr UINT BST_CHECKED = 1;

// The class names and styles of the system's controls (GetWindowLong GWL_STYLE).
constexpr uint32_t WS_CHILD = 0x40000000u;
constexpr uint32_t WS_TABSTOP = 0x00010000u;
constexpr uint32_t BS_PUSHBUTTON = 0x0000u;
constexpr uint32_t BS_DEFPUSHBUTTON = 0x0001u;
constexpr uint32_t BS_AUTOCHECKBOX = 0x0003u;
constexpr uint32_t ES_AUTOHSCROLL = 0x0080u;
constexpr uint32_t UDS_SETBUDDYINT = 0x0002u;
constexpr uint32_t UDS_ARROWKEYS = 0x0020u;
constexpr uint32_t UDS_NOTHOUSANDS = 0x0080u;
constexpr uint32_t TCS_FLATBUTTONS = 0x0008u;
constexpr uint32_t TCS_HOTTRACK = 0x0040u;
constexpr uint32_t TCS_BUTTONS = 0x0100u;
constexpr uint32_t TCS_MULTILINE = 0x0200u;
constexpr uint32_t TCS_RAGGEDRIGHT = 0x0800u;

struct WindowStyle {
  uint32_t Style = 0;
  uint32_t ExStyle = 0;
  bool operator==(const WindowStyle&) const = default;
};

// What a control of the system tells the host's control it stands for.
enum class ControlNotice {
  Clicked,   // a button or check box was pressed (BN_CLICKED)
  Changed,   // an edit's text changed (EN_CHANGE)
  Scrolled,  // an up-down's arrows moved its position
  Selected,  // a tab control's selected tab changed (TCN_SELCHANGE)
};

class HOST_API ControlClient {
 public:
  virtual ~ControlClient() = default;
  virtual void ControlNotified(ControlNotice notice) = 0;
};

// A menu as the system's menu bar shows it: captions with their & markers, and
// the command that WM_COMMAND brings back when an entry without sub-entries is
// chosen.
struct MenuEntry {
  std::string Caption;
  UINT Command = 0;
  bool Enabled = true;
  std::vector<MenuEntry> Items;
};

// The keys the script and the dialogs know.
enum class DialogKey { Enter, Escape };

// What a window tells its owner (a form) about the system's events.
class HOST_API WindowClient {
 public:
  virtual ~WindowClient() = default;
  // A click at a point in window coordinates (from the window's top-left corner).
  virtual void WindowClicked(int32_t x, int32_t y) = 0;
  // The window became the active window, or stopped being it.
  virtual void WindowActivated(bool active) { (void)active; }
  // Someone else (a user's drag, another program) moved or sized the window.
  virtual void WindowMoved(const TRect& bounds) { (void)bounds; }
  // The system asks the window to close (its close box, another program).
  virtual void WindowCloseRequested() {}
  // The entry of the window's menu with this command was chosen.
  virtual void MenuCommand(UINT command) { (void)command; }
  // Whether Tab, Enter and Esc in the window go to its controls as in a dialog.
  virtual bool TakesDialogKeys() const { return false; }
  // Enter or Esc in a window that takes dialog keys (no button took it).
  virtual void DialogKeyPressed(DialogKey key) { (void)key; }
  // The application became the active one, or another application did.
  virtual void ApplicationActivated(bool active) { (void)active; }
  // Whether the window stands for the application (its task bar button): it
  // goes iconic when the application is minimised, where the others hide.
  virtual bool IsApplicationWindow() const { return false; }
  // The user restored the minimised application from its window (the task bar
  // button, the iconic window's restore command).
  virtual void ApplicationRestoreRequested() {}
};

struct WindowInfo {
  HWND Handle = 0;
  WindowClient* Client = nullptr;
  TRect Bounds;  // screen coordinates
  bool Visible = false;
  bool Enabled = true;
  bool TopMost = false;
  // Off screen: minimised itself (Iconic) or with its application.
  bool Minimized = false;
  bool Iconic = false;
  bool Zoomed = false;
  WindowStyle Styles;
  std::optional<TRect> Region;  // window coordinates; nullopt: the whole window
};

// The desktop: one primary display with its work area, and the top-level
// windows. Two back ends: the model (a screen described by the session, with a
// task bar; no window of any system is made) and, in the Windows build, the
// system's own windows (user32). The forms reach every window effect through
// this, so the add-in's calls act on whichever back end the session chose.
class HOST_API WindowSystem {
 public:
  // The back end in use; the model until another is chosen.
  static WindowSystem& Instance();
  // Chooses the back end for the sessions that follow (nullptr: the model).
  static void Use(std::unique_ptr<WindowSystem> backend);
  virtual ~WindowSystem() = default;

  // "model" or "system".
  virtual const char* Name() const = 0;
  // Forgets every window and region (a new session). The system's back end
  // takes the screen from the system and keeps only the description's defaults.
  virtual void Reset(const ScreenDescription& screen) = 0;

  // Metrics that differ from the classic theme's (SM_... index to value), e.g.
  // to give the model another system's; the system's back end has its own.
  virtual void SetMetrics(const std::map<int, int>& metrics) { (void)metrics; }

  virtual const ScreenDescription& Screen() const = 0;
  virtual TRect WorkArea() const = 0;
  // The task bar's rectangle; empty where the system draws its own.
  virtual TRect TaskbarRect() const = 0;
  virtual int GetMetric(int index) const = 0;

  // A hidden top-level window of the style, with its caption text.
  virtual HWND CreateWindow(WindowClient* client, const TRect& bounds, const WindowStyle& style,
                            const std::string& text) = 0;
  HWND CreateWindow(WindowClient* client, const TRect& bounds) {
    return CreateWindow(client, bounds, WindowStyle{WS_POPUP, 0}, "");
  }
  virtual void DestroyWindow(HWND window) = 0;
  virtual bool IsWindow(HWND window) const = 0;
  virtual std::optional<WindowInfo> Info(HWND window) const = 0;
  // Info(window)->Visible, for less.
  virtual bool IsShown(HWND window) const {
    const std::optional<WindowInfo> info = Info(window);
    return info && info->Visible;
  }

  virtual void SetBounds(HWND window, const TRect& bounds) = 0;
  virtual void SetStyle(HWND window, const WindowStyle& style) = 0;
  virtual void SetText(HWND window, const std::string& text) = 0;
  // The icon the window shows (its caption, the task bar): a host icon handle.
  virtual void SetIcon(HWND window, HICON icon) = 0;
  // The window's client area is to be drawn again.
  virtual void Invalidate(HWND window) = 0;
  // Shows (on top of its band) or hides a window. Hiding the active window
  // activates the next visible, enabled window. A disabled window asked to be
  // shown and activated is shown behind the active window, which stays active.
  virtual void Show(HWND window, bool visible, bool activate) = 0;
  virtual void SetEnabled(HWND window, bool enabled) = 0;
  // Takes the window off screen with its minimised application, or back.
  virtual void SetMinimized(HWND window, bool minimized) = 0;
  // The window's own state: minimised (iconic), maximised (zoomed) or normal.
  virtual void SetWindowState(HWND window, bool iconic, bool zoomed) = 0;
  virtual void BringToFront(HWND window) = 0;
  // ShowWindow and SetWindowPos as the add-in calls them.
  virtual BOOL ShowWindow(HWND window, int command) = 0;
  virtual bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy,
                            UINT flags) = 0;

  virtual HWND ActiveWindow() const = 0;
  // Makes a window the active one; a disabled window is not activated.
  virtual void Activate(HWND window) = 0;
  // Visible windows from the front to the back: the top-most band first.
  virtual std::vector<HWND> ZOrder() const = 0;
  // Activates the front-most visible, enabled window other than except, if any.
  void ActivateFront(HWND except);
  // The window that a click at a screen point reaches, or 0: the front-most
  // visible, not minimised window whose region holds the point, if it is enabled.
  HWND WindowFromPoint(int32_t x, int32_t y) const;
  // Delivers a click at a screen point (activating the window it reaches);
  // returns that window, or 0. The system's back end gives the click to the
  // system's control under the point, if any, as the mouse would.
  virtual HWND Click(int32_t x, int32_t y);

  // ---- The system's controls and menus ----
  // The model has none: the host draws its controls and menus itself and hit
  // tests their clicks. The system's back end makes the menu bar and the
  // buttons, check boxes, edits, up-downs and tab controls the system's own,
  // children of their form's window; each is told what the person does to it.
  virtual bool HasSystemControls() const { return false; }
  // A control of the class (a system class name: "BUTTON", "EDIT", ...) in the
  // window's client area (bounds in client coordinates), hidden; 0 without.
  virtual HWND CreateControl(HWND window, const char* className, uint32_t style,
                             const TRect& bounds, const std::string& text, ControlClient* client) {
    (void)window, (void)className, (void)style, (void)bounds, (void)text, (void)client;
    return 0;
  }
  virtual void DestroyControl(HWND control) { (void)control; }
  // Each of these changes nothing when the control already has the value.
  virtual void PlaceControl(HWND control, const TRect& bounds, bool visible) {
    (void)control, (void)bounds, (void)visible;
  }
  virtual void SetControlStyle(HWND control, uint32_t style) { (void)control, (void)style; }
  virtual void SetControlText(HWND control, const std::string& text) { (void)control, (void)text; }
  virtual void EnableControl(HWND control, bool enabled) { (void)control, (void)enabled; }
  virtual std::string ControlText(HWND control) const {
    (void)control;
    return {};
  }
  virtual intptr_t SendControlMessage(HWND control, UINT message, uintptr_t w, intptr_t l) {
    (void)control, (void)message, (void)w, (void)l;
    return 0;
  }
  // The control gets the keyboard focus.
  virtual void FocusControl(HWND control) { (void)control; }
  // The window's menu bar (nullptr: none).
  virtual void SetMenu(HWND window, const std::vector<MenuEntry>* menu) {
    (void)window, (void)menu;
  }
  // Sends the window the command the system sends when a person chooses the
  // entry; false where the back end has no menus.
  virtual bool SendMenuCommand(HWND window, UINT command) {
    (void)window, (void)command;
    return false;
  }
  // The key, pressed as a person presses it, to the control with the keyboard
  // focus (or the active window); false where the back end takes no keys.
  virtual bool PressKey(DialogKey key) {
    (void)key;
    return false;
  }
  // The system's own modal message box, while waiting() is called again and
  // again for the session's input; nullopt where the back end has none.
  virtual std::optional<int> MessageBox(const std::string& text, const std::string& caption,
                                        UINT flags, const std::function<void()>& waiting) {
    (void)text, (void)caption, (void)flags, (void)waiting;
    return std::nullopt;
  }

  // Regions (CreateRectRgn / SetWindowRgn / DeleteObject).
  virtual HRGN CreateRegion(const TRect& rect) = 0;
  virtual std::optional<TRect> RegionRect(HRGN region) const = 0;
  virtual bool DeleteRegion(HRGN region) = 0;
  // Hands a region to a window; the window owns it afterwards (0: no region).
  virtual bool AssignRegion(HWND window, HRGN region) = 0;
  // Regions made and neither deleted nor handed to a window.
  virtual size_t RegionCount() const = 0;

  // Delivers the system's pending events to the windows' clients.
  virtual void ProcessEvents() {}
  // Waits until an event of the system is pending or the time is up.
  virtual void WaitForEvents(int64_t ms) { (void)ms; }
};

// The model window system (a new one, for a back end of its own).
HOST_API std::unique_ptr<WindowSystem> MakeModelWindowSystem();

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
