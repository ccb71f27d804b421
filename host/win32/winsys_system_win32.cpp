// The system's windows: each form's window is a top-level window of the host's
// window class, and every call on it is the system's own. The host's handles are
// the system's (window and GDI handles hold 32 significant bits, sign-extended).
#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/rtl/modules.h"
#include "host/vcl/graphics.h"
#include "host/win32/system_windows.h"
#include "host/win32/win32.h"

namespace host {
namespace {
// The host's names for the places in the z-order, which the system's headers
// define as macros of their own.
constexpr HWND kHostTopMost = HWND_TOPMOST;
constexpr HWND kHostNoTopMost = HWND_NOTOPMOST;
constexpr HWND kHostTop = HWND_TOP;
constexpr HWND kHostBottom = HWND_BOTTOM;
}  // namespace
}  // namespace host

// After the host's headers (see host/rtl/winapi.h); the host's window system has
// a CreateWindow of its own.
#include "host/rtl/winapi.h"
#undef CreateWindow
#undef MessageBox
#include <commctrl.h>

namespace host {

namespace {

constexpr const char* kWindowClass = "FleetforgeForm";

::HWND Sys(HWND h) {
  return reinterpret_cast<::HWND>(static_cast<intptr_t>(static_cast<int32_t>(h)));
}
HWND Host(::HWND h) {
  return static_cast<HWND>(reinterpret_cast<uintptr_t>(h));
}
::HRGN SysRegion(HRGN h) {
  return reinterpret_cast<::HRGN>(static_cast<intptr_t>(static_cast<int32_t>(h)));
}
HRGN HostRegion(::HRGN h) {
  return static_cast<HRGN>(reinterpret_cast<uintptr_t>(h));
}
TRect FromRect(const RECT& r) {
  return {static_cast<int32_t>(r.left), static_cast<int32_t>(r.top), static_cast<int32_t>(r.right),
          static_cast<int32_t>(r.bottom)};
}

WindowPainter& Painter() {
  static WindowPainter painter;
  return painter;
}

// An icon of the system made from a host icon's image at one size: a 32-bit
// colour bitmap whose alpha the mask follows.
::HICON MakeSystemIcon(HICON icon, int32_t size) {
  TIcon source;
  source.SetHandle(icon);
  IconPixels image;
  try {
    image = source.ImageForSize(size);
  } catch (const std::exception&) {
    return nullptr;  // an icon that cannot be read shows none
  }
  if (image.Empty()) return nullptr;
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof header;
  header.bV5Width = image.Width;
  header.bV5Height = -image.Height;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  ::HBITMAP colour = ::CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header),
                                        DIB_RGB_COLORS, &bits, nullptr, 0);
  ::ReleaseDC(nullptr, screen);
  if (colour == nullptr) return nullptr;
  std::copy(image.Pixels.begin(), image.Pixels.end(), static_cast<uint32_t*>(bits));
  ::HBITMAP mask = ::CreateBitmap(image.Width, image.Height, 1, 1, nullptr);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour;
  info.hbmMask = mask;
  ::HICON result = ::CreateIconIndirect(&info);
  ::DeleteObject(colour);
  ::DeleteObject(mask);
  return result;
}

class SystemWindowSystem final : public WindowSystem {
 public:
  SystemWindowSystem();
  ~SystemWindowSystem() override;

  const char* Name() const override { return "system"; }
  void Reset(const ScreenDescription& screen) override;
  const ScreenDescription& Screen() const override { return screen_; }
  TRect WorkArea() const override;
  TRect TaskbarRect() const override { return {}; }
  int GetMetric(int index) const override { return ::GetSystemMetrics(index); }
  HWND CreateWindow(WindowClient* client, const TRect& bounds, const WindowStyle& style,
                    const std::string& text) override;
  void DestroyWindow(HWND window) override;
  bool IsWindow(HWND window) const override { return windows_.count(window) != 0; }
  bool IsShown(HWND window) const override;
  std::optional<WindowInfo> Info(HWND window) const override;
  void SetBounds(HWND window, const TRect& bounds) override;
  void SetStyle(HWND window, const WindowStyle& style) override;
  void SetText(HWND window, const std::string& text) override;
  void SetIcon(HWND window, HICON icon) override;
  void Invalidate(HWND window) override;
  void Show(HWND window, bool visible, bool activate) override;
  void SetEnabled(HWND window, bool enabled) override;
  void SetMinimized(HWND window, bool minimized) override;
  void SetWindowState(HWND window, bool iconic, bool zoomed) override;
  void BringToFront(HWND window) override;
  BOOL ShowWindow(HWND window, int command) override;
  bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy,
                    UINT flags) override;
  HWND ActiveWindow() const override;
  void Activate(HWND window) override;
  std::vector<HWND> ZOrder() const override;
  HRGN CreateRegion(const TRect& rect) override;
  std::optional<TRect> RegionRect(HRGN region) const override;
  bool DeleteRegion(HRGN region) override;
  bool AssignRegion(HWND window, HRGN region) override;
  size_t RegionCount() const override { return regions_.size(); }
  void ProcessEvents() override;
  void WaitForEvents(int64_t ms) override;

  HWND Click(int32_t x, int32_t y) override;
  bool HasSystemControls() const override { return true; }
  HWND CreateControl(HWND window, const char* className, uint32_t style, const TRect& bounds,
                     const std::string& text, ControlClient* client) override;
  void DestroyControl(HWND control) override;
  void PlaceControl(HWND control, const TRect& bounds, bool visible) override;
  void SetControlStyle(HWND control, uint32_t style) override;
  void SetControlText(HWND control, const std::string& text) override;
  void EnableControl(HWND control, bool enabled) override;
  std::string ControlText(HWND control) const override;
  intptr_t SendControlMessage(HWND control, UINT message, uintptr_t w, intptr_t l) override;
  void FocusControl(HWND control) override;
  void SetMenu(HWND window, const std::vector<MenuEntry>* menu) override;
  bool SendMenuCommand(HWND window, UINT command) override;
  bool PressKey(DialogKey key) override;
  std::optional<int> MessageBox(const std::string& text, const std::string& caption, UINT flags,
                                const std::function<void()>& waiting) override;

  static LRESULT CALLBACK WindowProc(::HWND hwnd, UINT message, WPARAM w, LPARAM l);

 private:
  struct Window {
    WindowClient* Client = nullptr;
    bool WithApplication = false;      // hidden with its minimised application
    bool ShowWithApplication = false;  // and shown again when it is restored
  };
  WindowClient* ClientOf(::HWND hwnd) const;
  ControlClient* ControlOf(::HWND hwnd) const;
  void DestroyAll();
  // Forgets the controls in a window that goes.
  void ForgetControls(::HWND window);
  // Whether the message is a key for a dialog (a modal form, a message box),
  // and if so gives it to the dialog.
  bool DialogMessage(MSG& msg);
  void Notify(::HWND control, ControlNotice notice);
  // Runs what reads the display's events (PeekMessage, a wait) and puts the
  // windows back in the order they had, unless someone reordered them through
  // the system's window positions (a user's click, another program): Wine's
  // X11 driver restacks windows that moved, with no message about it.
  template <typename Reading>
  void KeepingOrder(Reading&& reading);
  template <typename Reading>
  void KeepingZOrder(Reading&& reading);
  // Wine's X11 driver raises an activated window's X window above the top-most
  // ones, which then stay above it only in the system's z-order: clicks and the
  // screen go to the window that covers them. Taking each top-most window out
  // of its band and back puts its X window on top again.
  void RaiseTopMost();

  ScreenDescription screen_;
  std::map<HWND, Window> windows_;
  std::set<HRGN> regions_;
  std::map<HICON, std::pair<::HICON, ::HICON>> icons_;  // big and small, by host icon
  std::map<HWND, ControlClient*> controls_;
  std::map<HWND, std::vector<MenuEntry>> menus_;  // what each window's menu bar shows
  UINT next_control_id_ = 100;
  bool reordered_ = false;  // a window's z-order changed through its window position
  bool moved_ = false;      // a window moved, sized or changed its frame since the last reading
  bool activated_ = false;  // a window that is not top-most became active
};

SystemWindowSystem* current = nullptr;

SystemWindowSystem::SystemWindowSystem() {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = &SystemWindowSystem::WindowProc;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kWindowClass;
  if (::RegisterClassExA(&wc) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw NoWindowSystem("cannot register the host's window class");
  // A window that cannot be made means there is no display to show it on.
  ::HWND probe = ::CreateWindowExA(0, kWindowClass, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   wc.hInstance, nullptr);
  if (probe == nullptr) throw NoWindowSystem("no window of the system can be made (no display)");
  ::DestroyWindow(probe);
  current = this;
  Reset(ScreenDescription{});
}

SystemWindowSystem::~SystemWindowSystem() {
  DestroyAll();
  if (current == this) current = nullptr;
}

void SystemWindowSystem::DestroyAll() {
  const std::map<HWND, Window> windows = std::move(windows_);
  windows_.clear();
  controls_.clear();
  menus_.clear();
  for (const auto& [h, w] : windows) ::DestroyWindow(Sys(h));
  for (HRGN r : regions_) ::DeleteObject(SysRegion(r));
  regions_.clear();
  for (const auto& [h, pair] : icons_) {
    if (pair.first) ::DestroyIcon(pair.first);
    if (pair.second) ::DestroyIcon(pair.second);
  }
  icons_.clear();
}

void SystemWindowSystem::Reset(const ScreenDescription& screen) {
  DestroyAll();
  ProcessEvents();
  // The screen is the system's; it draws its own task bar, if any.
  screen_ = screen;
  screen_.Width = ::GetSystemMetrics(SM_CXSCREEN);
  screen_.Height = ::GetSystemMetrics(SM_CYSCREEN);
  screen_.TaskbarThickness = 0;
}

TRect SystemWindowSystem::WorkArea() const {
  RECT r{};
  ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
  return FromRect(r);
}

WindowClient* SystemWindowSystem::ClientOf(::HWND hwnd) const {
  auto it = windows_.find(Host(hwnd));
  return it == windows_.end() ? nullptr : it->second.Client;
}

ControlClient* SystemWindowSystem::ControlOf(::HWND hwnd) const {
  auto it = controls_.find(Host(hwnd));
  return it == controls_.end() ? nullptr : it->second;
}

HWND SystemWindowSystem::CreateWindow(WindowClient* client, const TRect& bounds,
                                      const WindowStyle& style, const std::string& text) {
  const TRect b = TRect::OfWindow(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
  // The system's controls in the window are drawn over the host's painting.
  ::HWND hwnd = ::CreateWindowExA(
      style.ExStyle, kWindowClass, text.c_str(),
      (style.Style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE)) | WS_CLIPCHILDREN, b.Left, b.Top,
      b.Width(), b.Height(), nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
  if (hwnd == nullptr)
    throw EOutOfResources("Error creating window: the system made no window (" +
                          std::to_string(::GetLastError()) + ")");
  const HWND h = Host(hwnd);
  windows_[h].Client = client;
  // The system may have placed a captioned window other than asked (its least
  // size); the window is where the form says.
  SetBounds(h, b);
  return h;
}

void SystemWindowSystem::DestroyWindow(HWND window) {
  if (windows_.erase(window) == 0) return;
  ForgetControls(Sys(window));
  menus_.erase(window);
  ::DestroyWindow(Sys(window));  // its menu and controls with it
}

void SystemWindowSystem::ForgetControls(::HWND window) {
  ::EnumChildWindows(
      window,
      [](::HWND child, LPARAM self) {
        reinterpret_cast<SystemWindowSystem*>(self)->controls_.erase(Host(child));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(this));
}

std::optional<WindowInfo> SystemWindowSystem::Info(HWND window) const {
  auto it = windows_.find(window);
  if (it == windows_.end()) return std::nullopt;
  const ::HWND hwnd = Sys(window);
  WindowInfo info;
  info.Handle = window;
  info.Client = it->second.Client;
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  info.Bounds = FromRect(r);
  info.Visible = ::IsWindowVisible(hwnd) != FALSE || it->second.ShowWithApplication;
  info.Enabled = ::IsWindowEnabled(hwnd) != FALSE;
  info.Styles.Style = static_cast<uint32_t>(::GetWindowLongA(hwnd, GWL_STYLE));
  info.Styles.ExStyle = static_cast<uint32_t>(::GetWindowLongA(hwnd, GWL_EXSTYLE));
  info.TopMost = (info.Styles.ExStyle & WS_EX_TOPMOST) != 0;
  // Iconic with the application is its minimised state, not the window's own.
  info.Iconic = ::IsIconic(hwnd) != FALSE && !it->second.WithApplication;
  info.Zoomed = ::IsZoomed(hwnd) != FALSE;
  info.Minimized = info.Iconic || it->second.WithApplication;
  RECT box{};
  if (::GetWindowRgnBox(hwnd, &box) != ERROR) info.Region = FromRect(box);
  return info;
}

bool SystemWindowSystem::IsShown(HWND window) const {
  auto it = windows_.find(window);
  return it != windows_.end() &&
         (::IsWindowVisible(Sys(window)) != FALSE || it->second.ShowWithApplication);
}

void SystemWindowSystem::SetBounds(HWND window, const TRect& bounds) {
  if (!IsWindow(window)) return;
  const TRect b = TRect::OfWindow(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
  RECT r{};
  ::GetWindowRect(Sys(window), &r);
  if (FromRect(r) == b) return;  // where it is already: no call
  moved_ = true;
  ::SetWindowPos(Sys(window), nullptr, b.Left, b.Top, b.Width(), b.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void SystemWindowSystem::SetStyle(HWND window, const WindowStyle& style) {
  if (!IsWindow(window)) return;
  const ::HWND hwnd = Sys(window);
  // The window keeps its state bits and its place in the top-most band.
  constexpr uint32_t kState =
      WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE | WS_CLIPCHILDREN;
  const auto old_style = static_cast<uint32_t>(::GetWindowLongA(hwnd, GWL_STYLE));
  const auto old_ex = static_cast<uint32_t>(::GetWindowLongA(hwnd, GWL_EXSTYLE));
  const uint32_t new_style = (style.Style & ~kState) | (old_style & kState);
  const uint32_t new_ex = (style.ExStyle & ~WS_EX_TOPMOST) | (old_ex & WS_EX_TOPMOST);
  if (new_style == old_style && new_ex == old_ex) return;
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  moved_ = true;
  ::SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(new_style));
  ::SetWindowLongA(hwnd, GWL_EXSTYLE, static_cast<LONG>(new_ex));
  // The frame is drawn anew around the same window rectangle.
  ::SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void SystemWindowSystem::SetText(HWND window, const std::string& text) {
  if (!IsWindow(window)) return;
  char current_text[512] = {};
  ::GetWindowTextA(Sys(window), current_text, sizeof current_text);
  if (text != current_text) ::SetWindowTextA(Sys(window), text.c_str());
}

void SystemWindowSystem::SetIcon(HWND window, HICON icon) {
  if (!IsWindow(window)) return;
  auto it = icons_.find(icon);
  if (it == icons_.end()) {
    std::pair<::HICON, ::HICON> made{nullptr, nullptr};
    if (icon != 0)
      made = {MakeSystemIcon(icon, ::GetSystemMetrics(SM_CXICON)),
              MakeSystemIcon(icon, ::GetSystemMetrics(SM_CXSMICON))};
    it = icons_.emplace(icon, made).first;
  }
  const ::HWND hwnd = Sys(window);
  if (reinterpret_cast<::HICON>(::SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0)) != it->second.first)
    ::SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(it->second.first));
  if (reinterpret_cast<::HICON>(::SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0)) !=
      it->second.second)
    ::SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(it->second.second));
}

void SystemWindowSystem::Invalidate(HWND window) {
  if (IsWindow(window)) ::InvalidateRect(Sys(window), nullptr, FALSE);
}

void SystemWindowSystem::Show(HWND window, bool visible, bool activate) {
  auto it = windows_.find(window);
  if (it == windows_.end()) return;
  const ::HWND hwnd = Sys(window);
  if (it->second.WithApplication) {
    // Off screen with the application: it comes back (or not) on restore.
    it->second.ShowWithApplication = visible;
    return;
  }
  if (!visible) {
    const bool was_active = ::GetActiveWindow() == hwnd;
    ::ShowWindow(hwnd, SW_HIDE);
    // The host, not the system's guess, picks the window that goes on.
    if (was_active) ActivateFront(window);
    return;
  }
  const ::HWND active = ::GetActiveWindow();
  if (activate && ::IsWindowEnabled(hwnd)) {
    ::ShowWindow(hwnd, SW_SHOW);
    Activate(window);
    return;
  }
  const bool was_visible = ::IsWindowVisible(hwnd) != FALSE;
  if (!was_visible) ::ShowWindow(hwnd, SW_SHOWNA);
  // A disabled window comes on screen behind the active one.
  if (activate && active != nullptr && active != hwnd && ::IsWindowVisible(active))
    ::SetWindowPos(hwnd, active, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void SystemWindowSystem::SetEnabled(HWND window, bool enabled) {
  if (IsWindow(window)) ::EnableWindow(Sys(window), enabled ? TRUE : FALSE);
}

void SystemWindowSystem::SetMinimized(HWND window, bool minimized) {
  auto it = windows_.find(window);
  if (it == windows_.end() || it->second.WithApplication == minimized) return;
  const ::HWND hwnd = Sys(window);
  // The windows of a minimised application leave the screen; the one that
  // stands for it (the main window, with the task bar button) goes iconic.
  const bool iconic = it->second.Client != nullptr && it->second.Client->IsApplicationWindow();
  if (minimized) {
    const bool visible = ::IsWindowVisible(hwnd) != FALSE;
    it->second.ShowWithApplication = visible;
    it->second.WithApplication = true;
    if (iconic && visible)
      ::ShowWindow(hwnd, SW_SHOWMINNOACTIVE);
    else
      ::ShowWindow(hwnd, SW_HIDE);
  } else {
    const bool show = it->second.ShowWithApplication;
    it->second.WithApplication = false;
    it->second.ShowWithApplication = false;
    if (iconic && ::IsIconic(hwnd))
      ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);  // restores it
    else if (show)
      ::ShowWindow(hwnd, SW_SHOWNA);
  }
}

void SystemWindowSystem::SetWindowState(HWND window, bool iconic, bool zoomed) {
  if (!IsWindow(window)) return;
  const ::HWND hwnd = Sys(window);
  if (::IsWindowVisible(hwnd)) {
    ::ShowWindow(hwnd, iconic ? SW_SHOWMINNOACTIVE : zoomed ? SW_SHOWMAXIMIZED : SW_SHOWNOACTIVATE);
    return;
  }
  // A hidden window takes the state with its next showing.
  auto style = static_cast<uint32_t>(::GetWindowLongA(hwnd, GWL_STYLE));
  style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
  if (iconic)
    style |= WS_MINIMIZE;
  else if (zoomed)
    style |= WS_MAXIMIZE;
  ::SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(style));
}

void SystemWindowSystem::BringToFront(HWND window) {
  if (IsWindow(window))
    ::SetWindowPos(Sys(window), nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);  // to the top
}

BOOL SystemWindowSystem::ShowWindow(HWND window, int command) {
  if (!IsWindow(window)) return FALSE;
  return ::ShowWindow(Sys(window), command);
}

bool SystemWindowSystem::SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy,
                                      UINT flags) {
  if (!IsWindow(window)) return false;
  ::HWND after = nullptr;
  switch (insertAfter) {
    // The system's own values (its macros would cast to the host's handle here).
    case kHostTopMost:
      after = reinterpret_cast<::HWND>(intptr_t{-1});
      break;
    case kHostNoTopMost:
      after = reinterpret_cast<::HWND>(intptr_t{-2});
      break;
    case kHostTop:
      after = nullptr;
      break;
    case kHostBottom:
      after = reinterpret_cast<::HWND>(intptr_t{1});
      break;
    default:
      after = Sys(insertAfter);
      break;
  }
  if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) moved_ = true;
  return ::SetWindowPos(Sys(window), after, x, y, cx, cy, flags) != FALSE;
}

HWND SystemWindowSystem::ActiveWindow() const {
  const ::HWND active = ::GetActiveWindow();
  return active != nullptr && IsWindow(Host(active)) ? Host(active) : 0;
}

void SystemWindowSystem::Activate(HWND window) {
  if (!IsWindow(window)) return;
  const ::HWND hwnd = Sys(window);
  if (!::IsWindowEnabled(hwnd)) return;
  ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);  // to the top
  ::SetActiveWindow(hwnd);
  ::SetForegroundWindow(hwnd);
}

std::vector<HWND> SystemWindowSystem::ZOrder() const {
  // The desktop's top-level windows, front first, in one call of the system.
  std::vector<::HWND> all;
  ::EnumWindows(
      [](::HWND h, LPARAM list) {
        reinterpret_cast<std::vector<::HWND>*>(list)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  std::vector<HWND> result;
  for (::HWND h : all)
    if (IsWindow(Host(h)) && ::IsWindowVisible(h)) result.push_back(Host(h));
  return result;
}

HRGN SystemWindowSystem::CreateRegion(const TRect& rect) {
  const ::HRGN region = ::CreateRectRgn(rect.Left, rect.Top, rect.Right, rect.Bottom);
  if (region == nullptr) return 0;
  regions_.insert(HostRegion(region));
  return HostRegion(region);
}

std::optional<TRect> SystemWindowSystem::RegionRect(HRGN region) const {
  if (regions_.count(region) == 0) return std::nullopt;
  RECT box{};
  ::GetRgnBox(SysRegion(region), &box);
  return FromRect(box);
}

bool SystemWindowSystem::DeleteRegion(HRGN region) {
  if (regions_.erase(region) == 0) return false;
  return ::DeleteObject(SysRegion(region)) != FALSE;
}

bool SystemWindowSystem::AssignRegion(HWND window, HRGN region) {
  if (!IsWindow(window)) return false;
  if (region == 0) return ::SetWindowRgn(Sys(window), nullptr, TRUE) != 0;
  if (regions_.count(region) == 0) return false;
  if (::SetWindowRgn(Sys(window), SysRegion(region), TRUE) == 0) return false;
  regions_.erase(region);  // the window owns it now
  return true;
}

// ---- The system's controls and menus ----------------------------------------------

HWND SystemWindowSystem::CreateControl(HWND window, const char* className, uint32_t style,
                                       const TRect& bounds, const std::string& text,
                                       ControlClient* client) {
  if (!IsWindow(window)) return 0;
  static const bool common_controls = [] {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
    return ::InitCommonControlsEx(&init) != FALSE;
  }();
  (void)common_controls;  // a class that is missing fails the creation below
  const std::string cls = className;
  const DWORD ex_style = cls == "EDIT" ? WS_EX_CLIENTEDGE : 0;
  // Dialog command numbers (IDOK, IDCANCEL) stay below the controls' own.
  const UINT id = next_control_id_;
  next_control_id_ = next_control_id_ >= 0x7FFF ? 100 : next_control_id_ + 1;
  ::HWND hwnd = ::CreateWindowExA(
      ex_style, className, text.c_str(), WS_CHILD | (style & ~(WS_VISIBLE | WS_CHILD)), bounds.Left,
      bounds.Top, bounds.Width(), bounds.Height(), Sys(window),
      reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), ::GetModuleHandleA(nullptr), nullptr);
  if (hwnd == nullptr) return 0;  // the host draws the control instead
  ::SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
  controls_[Host(hwnd)] = client;
  return Host(hwnd);
}

void SystemWindowSystem::DestroyControl(HWND control) {
  if (controls_.erase(control) != 0) ::DestroyWindow(Sys(control));
}

void SystemWindowSystem::PlaceControl(HWND control, const TRect& bounds, bool visible) {
  if (controls_.count(control) == 0) return;
  const ::HWND hwnd = Sys(control);
  RECT r{};
  ::GetWindowRect(hwnd, &r);
  ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
  if (FromRect(r) != bounds)
    ::SetWindowPos(hwnd, nullptr, bounds.Left, bounds.Top, bounds.Width(), bounds.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
  const bool shown = (::GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
  if (shown != visible) ::ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

void SystemWindowSystem::SetControlStyle(HWND control, uint32_t style) {
  if (controls_.count(control) == 0) return;
  const ::HWND hwnd = Sys(control);
  constexpr uint32_t kKept = WS_CHILD | WS_VISIBLE | WS_DISABLED;
  const auto old_style = static_cast<uint32_t>(::GetWindowLongA(hwnd, GWL_STYLE));
  const uint32_t new_style = (style & ~kKept) | (old_style & kKept);
  if (new_style == old_style) return;
  char cls[32] = {};
  ::GetClassNameA(hwnd, cls, sizeof cls);
  if (std::string(cls) == "Button") {
    ::SendMessageA(hwnd, BM_SETSTYLE, new_style & 0xFFFF, TRUE);  // the button redraws itself
    return;
  }
  ::SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(new_style));
  ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  ::InvalidateRect(hwnd, nullptr, TRUE);
}

void SystemWindowSystem::SetControlText(HWND control, const std::string& text) {
  if (controls_.count(control) != 0 && ControlText(control) != text)
    ::SetWindowTextA(Sys(control), text.c_str());
}

void SystemWindowSystem::EnableControl(HWND control, bool enabled) {
  if (controls_.count(control) != 0 && (::IsWindowEnabled(Sys(control)) != FALSE) != enabled)
    ::EnableWindow(Sys(control), enabled ? TRUE : FALSE);
}

std::string SystemWindowSystem::ControlText(HWND control) const {
  if (controls_.count(control) == 0) return {};
  std::string text(static_cast<size_t>(::GetWindowTextLengthA(Sys(control))) + 1, '\0');
  text.resize(static_cast<size_t>(
      ::GetWindowTextA(Sys(control), text.data(), static_cast<int>(text.size()))));
  return text;
}

intptr_t SystemWindowSystem::SendControlMessage(HWND control, UINT message, uintptr_t w,
                                                intptr_t l) {
  if (controls_.count(control) == 0) return 0;
  return ::SendMessageA(Sys(control), message, w, l);
}

void SystemWindowSystem::FocusControl(HWND control) {
  if (controls_.count(control) != 0) ::SetFocus(Sys(control));
}

namespace {
bool SameMenu(const std::vector<MenuEntry>& a, const std::vector<MenuEntry>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].Caption != b[i].Caption || a[i].Command != b[i].Command ||
        a[i].Enabled != b[i].Enabled || !SameMenu(a[i].Items, b[i].Items))
      return false;
  return true;
}

// The entries as a menu of the system: a sub-menu for each entry that has
// entries, a command for each that has none.
void FillMenu(HMENU menu, const std::vector<MenuEntry>& entries) {
  for (const MenuEntry& e : entries) {
    const UINT enabled = e.Enabled ? MF_ENABLED : MF_GRAYED;
    if (e.Items.empty()) {
      ::AppendMenuA(menu, MF_STRING | enabled, e.Command, e.Caption.c_str());
    } else {
      HMENU sub = ::CreatePopupMenu();
      FillMenu(sub, e.Items);
      ::AppendMenuA(menu, MF_POPUP | MF_STRING | enabled, reinterpret_cast<UINT_PTR>(sub),
                    e.Caption.c_str());
    }
  }
}
}  // namespace

void SystemWindowSystem::SetMenu(HWND window, const std::vector<MenuEntry>* menu) {
  if (!IsWindow(window)) return;
  auto it = menus_.find(window);
  if (menu == nullptr ? it == menus_.end() : it != menus_.end() && SameMenu(it->second, *menu))
    return;
  const ::HWND hwnd = Sys(window);
  HMENU old = ::GetMenu(hwnd);
  HMENU bar = nullptr;
  if (menu != nullptr) {
    bar = ::CreateMenu();
    FillMenu(bar, *menu);
    menus_[window] = *menu;
  } else {
    menus_.erase(window);
  }
  ::SetMenu(hwnd, bar);  // the window keeps its rectangle; the client area makes room
  if (old != nullptr) ::DestroyMenu(old);
}

bool SystemWindowSystem::SendMenuCommand(HWND window, UINT command) {
  if (!IsWindow(window) || ::GetMenu(Sys(window)) == nullptr) return false;
  ::SendMessageA(Sys(window), WM_COMMAND, MAKEWPARAM(command, 0), 0);
  return true;
}

bool SystemWindowSystem::PressKey(DialogKey key) {
  ::HWND target = ::GetFocus();
  if (target == nullptr) target = ::GetActiveWindow();
  if (target == nullptr) return false;
  const WPARAM vk = key == DialogKey::Enter ? VK_RETURN : VK_ESCAPE;
  const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_VSC))
                      << 16;
  ::PostMessageA(target, WM_KEYDOWN, vk, scan | 1);
  ::PostMessageA(target, WM_KEYUP, vk, scan | 1 | (LPARAM{1} << 30) | (LPARAM{1} << 31));
  ProcessEvents();
  return true;
}

HWND SystemWindowSystem::Click(int32_t x, int32_t y) {
  // The system's own hit testing: the front-most window under the point whose
  // region holds it, and in it the control under the point.
  const ::HWND hit = ::WindowFromPoint(POINT{x, y});
  if (hit == nullptr) return 0;
  const ::HWND root = ::GetAncestor(hit, GA_ROOT);
  if (!::IsWindowEnabled(root)) return 0;
  if (hit == root && IsWindow(Host(root))) return WindowSystem::Click(x, y);
  // A control, ours or a message box's: the button goes down and up on it as
  // under the mouse.
  POINT p{x, y};
  ::ScreenToClient(hit, &p);
  const LPARAM at = MAKELPARAM(p.x, p.y);
  if (IsWindow(Host(root))) Activate(Host(root));
  ::PostMessageA(hit, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageA(hit, WM_LBUTTONUP, 0, at);
  ProcessEvents();
  return Host(root);
}

std::optional<int> SystemWindowSystem::MessageBox(const std::string& text,
                                                  const std::string& caption, UINT flags,
                                                  const std::function<void()>& waiting) {
  // While the system's box runs its own loop, a timer of the thread hands the
  // session its turns: a script's next line (a key, a click), or the real time
  // passing for a person. Input that is not there ends the box with Cancel and
  // the failure goes on after it.
  struct Turns {
    const std::function<void()>* Waiting;
    std::exception_ptr Failure;
    bool Busy = false;
  };
  static Turns* turns = nullptr;
  Turns mine{&waiting, nullptr, false};
  Turns* const outer = turns;
  turns = &mine;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, [](::HWND, UINT, UINT_PTR, DWORD) {
    if (turns == nullptr || turns->Busy || turns->Failure) return;
    turns->Busy = true;
    try {
      (*turns->Waiting)();
    } catch (...) {
      turns->Failure = std::current_exception();
      if (::HWND box = ::GetActiveWindow()) ::PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    }
    turns->Busy = false;
  });
  // Modal to every window of the IDE, as the host's own box is, and owned by the
  // window that was active, which has the activation back when the box goes.
  const ::HWND active = ::GetActiveWindow();
  const int answer = ::MessageBoxA(active, text.c_str(), caption.c_str(), flags | MB_TASKMODAL);
  ::KillTimer(nullptr, timer);
  turns = outer;
  if (mine.Failure) std::rethrow_exception(mine.Failure);
  return answer;
}

bool SystemWindowSystem::DialogMessage(MSG& msg) {
  if (msg.hwnd == nullptr || msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  const ::HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
  if (root == nullptr) return false;
  char cls[16] = {};
  ::GetClassNameA(root, cls, sizeof cls);
  const WindowClient* client = ClientOf(root);
  const bool dialog = std::string(cls) == "#32770" || (client && client->TakesDialogKeys());
  return dialog && ::IsDialogMessageA(root, &msg) != FALSE;
}

void SystemWindowSystem::Notify(::HWND control, ControlNotice notice) {
  if (ControlClient* client = ControlOf(control)) Guarded([&] { client->ControlNotified(notice); });
}

template <typename Reading>
void SystemWindowSystem::KeepingOrder(Reading&& reading) {
  KeepingZOrder(reading);
  if (activated_) {
    activated_ = false;
    RaiseTopMost();
  }
}

void SystemWindowSystem::RaiseTopMost() {
  const std::vector<HWND> order = ZOrder();
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    const ::HWND hwnd = Sys(*it);
    if (!::IsWindowVisible(hwnd) || !(::GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST))
      continue;
    constexpr UINT kOnlyOrder = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    ::SetWindowPos(hwnd, reinterpret_cast<::HWND>(intptr_t{-2}), 0, 0, 0, 0, kOnlyOrder);
    ::SetWindowPos(hwnd, reinterpret_cast<::HWND>(intptr_t{-1}), 0, 0, 0, 0, kOnlyOrder);
  }
}

template <typename Reading>
void SystemWindowSystem::KeepingZOrder(Reading&& reading) {
  // Only windows that moved are restacked, and an idle round moves none.
  if (!moved_) {
    reading();
    return;
  }
  moved_ = false;
  const std::vector<HWND> before = ZOrder();
  reordered_ = false;
  reading();
  if (reordered_ || ZOrder() == before) return;
  std::vector<HWND> now = ZOrder();
  std::vector<HWND> kept = before;
  std::sort(now.begin(), now.end());
  std::sort(kept.begin(), kept.end());
  if (now != kept) return;  // windows came or went: the order is the system's
  for (size_t i = 0; i < before.size(); ++i) {
    const ::HWND hwnd = Sys(before[i]);
    const bool top_most = (::GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    const bool after_same_band =
        i > 0 &&
        ((::GetWindowLongA(Sys(before[i - 1]), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) == top_most;
    // Each window goes behind the one before it; the first of each band to
    // the top of its band.
    ::HWND after = after_same_band ? Sys(before[i - 1])
                   : top_most      ? reinterpret_cast<::HWND>(intptr_t{-1})
                                   : nullptr;
    ::SetWindowPos(hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void SystemWindowSystem::ProcessEvents() {
  KeepingOrder([this] {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (DialogMessage(msg)) continue;
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
  });
}

void SystemWindowSystem::WaitForEvents(int64_t ms) {
  const DWORD timeout = static_cast<DWORD>(std::clamp<int64_t>(ms, 0, 1000 * 60));
  KeepingOrder([&] { ::MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout, QS_ALLINPUT); });
}

LRESULT CALLBACK SystemWindowSystem::WindowProc(::HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  WindowClient* client = current != nullptr ? current->ClientOf(hwnd) : nullptr;
  if (client == nullptr) return ::DefWindowProcA(hwnd, message, w, l);
  switch (message) {
    case WM_GETMINMAXINFO: {
      // A window takes any size its form gives it, as the model's does.
      auto* info = reinterpret_cast<MINMAXINFO*>(l);
      info->ptMinTrackSize = {0, 0};
      info->ptMaxTrackSize = {kMaxWindowSize, kMaxWindowSize};
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      const LRESULT result = ::DefWindowProcA(hwnd, message, w, l);
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(l);
      if (!(pos->flags & SWP_NOZORDER) && current != nullptr) current->reordered_ = true;
      if ((pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE) &&
          !::IsIconic(hwnd)) {
        RECT r{};
        ::GetWindowRect(hwnd, &r);
        Guarded([&] { client->WindowMoved(FromRect(r)); });
      }
      return result;
    }
    case WM_CLOSE:
      Guarded([&] { client->WindowCloseRequested(); });
      return 0;
    case WM_COMMAND: {
      const UINT id = LOWORD(w), code = HIWORD(w);
      const auto from = reinterpret_cast<::HWND>(l);
      // Enter and Esc that no button took (IsDialogMessage), a control's
      // notice, or a menu entry chosen.
      if (id == IDOK || id == IDCANCEL)
        Guarded(
            [&] { client->DialogKeyPressed(id == IDOK ? DialogKey::Enter : DialogKey::Escape); });
      else if (from != nullptr && code == BN_CLICKED)
        current->Notify(from, ControlNotice::Clicked);
      else if (from != nullptr && code == EN_CHANGE)
        current->Notify(from, ControlNotice::Changed);
      else if (from == nullptr && code == 0)
        Guarded([&] { client->MenuCommand(id); });
      return 0;
    }
    case WM_VSCROLL:
    case WM_HSCROLL:
      if (l != 0 && LOWORD(w) == SB_THUMBPOSITION)
        current->Notify(reinterpret_cast<::HWND>(l), ControlNotice::Scrolled);
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(l);
      if (header->code == static_cast<UINT>(TCN_SELCHANGE))
        current->Notify(header->hwndFrom, ControlNotice::Selected);
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(w) != WA_INACTIVE && !(::GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST))
        current->activated_ = true;
      Guarded([&] { client->WindowActivated(LOWORD(w) != WA_INACTIVE); });
      return ::DefWindowProcA(hwnd, message, w, l);
    case WM_SIZE:
      // The minimised application's window restored by the user: the
      // application comes back with all its windows.
      if (w != SIZE_MINIMIZED && current != nullptr) {
        auto it = current->windows_.find(Host(hwnd));
        if (it != current->windows_.end() && it->second.WithApplication)
          Guarded([&] { client->ApplicationRestoreRequested(); });
      }
      return ::DefWindowProcA(hwnd, message, w, l);
    case WM_ACTIVATEAPP:
      Guarded([&] { client->ApplicationActivated(w != FALSE); });
      return 0;
    case WM_LBUTTONUP: {
      POINT p{static_cast<int16_t>(LOWORD(l)), static_cast<int16_t>(HIWORD(l))};
      ::ClientToScreen(hwnd, &p);
      RECT r{};
      ::GetWindowRect(hwnd, &r);
      Guarded([&] {
        client->WindowClicked(static_cast<int32_t>(p.x - r.left),
                              static_cast<int32_t>(p.y - r.top));
      });
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // the painter covers the whole client area
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = ::BeginPaint(hwnd, &ps);
      POINT origin{0, 0};
      ::ClientToScreen(hwnd, &origin);
      RECT r{};
      ::GetWindowRect(hwnd, &r);
      if (Painter())
        Guarded([&] {
          Painter()(*client, dc,
                    TPoint{static_cast<int32_t>(origin.x - r.left),
                           static_cast<int32_t>(origin.y - r.top)});
        });
      ::EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return ::DefWindowProcA(hwnd, message, w, l);
  }
}

}  // namespace

std::unique_ptr<WindowSystem> MakeSystemWindowSystem() {
  return std::make_unique<SystemWindowSystem>();
}

void SetWindowPainter(WindowPainter painter) {
  Painter() = std::move(painter);
}

}  // namespace host
