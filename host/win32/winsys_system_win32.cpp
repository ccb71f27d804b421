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

  static LRESULT CALLBACK WindowProc(::HWND hwnd, UINT message, WPARAM w, LPARAM l);

 private:
  struct Window {
    WindowClient* Client = nullptr;
    bool WithApplication = false;      // hidden with its minimised application
    bool ShowWithApplication = false;  // and shown again when it is restored
  };
  WindowClient* ClientOf(::HWND hwnd) const;
  void DestroyAll();
  // Runs what reads the display's events (PeekMessage, a wait) and puts the
  // windows back in the order they had, unless someone reordered them through
  // the system's window positions (a user's click, another program): Wine's
  // X11 driver restacks windows that moved, with no message about it.
  template <typename Reading>
  void KeepingOrder(Reading&& reading);

  ScreenDescription screen_;
  std::map<HWND, Window> windows_;
  std::set<HRGN> regions_;
  std::map<HICON, std::pair<::HICON, ::HICON>> icons_;  // big and small, by host icon
  bool reordered_ = false;  // a window's z-order changed through its window position
  bool moved_ = false;      // a window moved, sized or changed its frame since the last reading
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

HWND SystemWindowSystem::CreateWindow(WindowClient* client, const TRect& bounds,
                                      const WindowStyle& style, const std::string& text) {
  const TRect b = TRect::OfWindow(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
  ::HWND hwnd = ::CreateWindowExA(style.ExStyle, kWindowClass, text.c_str(),
                                  style.Style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE), b.Left,
                                  b.Top, b.Width(), b.Height(), nullptr, nullptr,
                                  ::GetModuleHandleA(nullptr), nullptr);
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
  ::DestroyWindow(Sys(window));
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
  info.Iconic = ::IsIconic(hwnd) != FALSE;
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
  constexpr uint32_t kState = WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE;
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
  if (minimized) {
    // The windows of a minimised application leave the screen; the task bar
    // button (the main window's) stays.
    it->second.ShowWithApplication = ::IsWindowVisible(hwnd) != FALSE;
    it->second.WithApplication = true;
    ::ShowWindow(hwnd, SW_HIDE);
  } else {
    const bool show = it->second.ShowWithApplication;
    it->second.WithApplication = false;
    it->second.ShowWithApplication = false;
    if (show) ::ShowWindow(hwnd, SW_SHOWNA);
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

template <typename Reading>
void SystemWindowSystem::KeepingOrder(Reading&& reading) {
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
  KeepingOrder([] {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
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
    case WM_ACTIVATE:
      Guarded([&] { client->WindowActivated(LOWORD(w) != WA_INACTIVE); });
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
