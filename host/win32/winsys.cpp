#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

#include "host/win32/win32.h"

namespace host {

namespace {
// Classic-theme frame and caption sizes.
constexpr int kCaption = 19;
constexpr int kSmallCaption = 15;
constexpr int kFrame = 4;
constexpr int kDialogFrame = 3;
constexpr int kMenu = 19;
constexpr int kMinimizedWidth = 160;

// The model: a screen described by the session, with its task bar, and windows
// that exist only here.
class ModelWindowSystem final : public WindowSystem {
 public:
  const char* Name() const override { return "model"; }
  void Reset(const ScreenDescription& screen) override;
  const ScreenDescription& Screen() const override { return screen_; }
  void SetMetrics(const std::map<int, int>& metrics) override { metrics_ = metrics; }
  TRect WorkArea() const override;
  TRect TaskbarRect() const override;
  int GetMetric(int index) const override;
  HWND CreateWindow(WindowClient* client, const TRect& bounds, const WindowStyle& style,
                    const std::string& text) override;
  void DestroyWindow(HWND window) override;
  bool IsWindow(HWND window) const override { return windows_.count(window) != 0; }
  std::optional<WindowInfo> Info(HWND window) const override;
  void SetBounds(HWND window, const TRect& bounds) override;
  void SetStyle(HWND window, const WindowStyle& style) override;
  void SetText(HWND, const std::string&) override {}
  void SetIcon(HWND, HICON) override {}
  void Invalidate(HWND) override {}
  void Show(HWND window, bool visible, bool activate) override;
  void SetEnabled(HWND window, bool enabled) override;
  void SetMinimized(HWND window, bool minimized) override;
  void SetWindowState(HWND window, bool iconic, bool zoomed) override;
  void BringToFront(HWND window) override;
  BOOL ShowWindow(HWND window, int command) override;
  bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy,
                    UINT flags) override;
  HWND ActiveWindow() const override { return active_; }
  void Activate(HWND window) override;
  std::vector<HWND> ZOrder() const override;
  HRGN CreateRegion(const TRect& rect) override;
  std::optional<TRect> RegionRect(HRGN region) const override;
  bool DeleteRegion(HRGN region) override;
  bool AssignRegion(HWND window, HRGN region) override;
  size_t RegionCount() const override { return regions_.size(); }
  // Nothing comes from outside: the time just passes.
  void WaitForEvents(int64_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::max<int64_t>(ms, 0)));
  }

 private:
  WindowInfo* Find(HWND window);
  void Raise(HWND window);

  ScreenDescription screen_;
  std::map<int, int> metrics_;
  std::map<HWND, WindowInfo> windows_;
  std::set<HWND> with_application_;  // off screen with their minimised application
  std::vector<HWND> order_;          // front first, regardless of band
  std::map<HRGN, TRect> regions_;
  HWND next_window_ = 0x10;
  HRGN next_region_ = 0x100;
  HWND active_ = 0;
};

std::unique_ptr<WindowSystem>& Current() {
  static std::unique_ptr<WindowSystem> current = MakeModelWindowSystem();
  return current;
}

}  // namespace

std::unique_ptr<WindowSystem> MakeModelWindowSystem() {
  return std::make_unique<ModelWindowSystem>();
}

WindowSystem& WindowSystem::Instance() {
  return *Current();
}

void WindowSystem::Use(std::unique_ptr<WindowSystem> backend) {
  Current() = backend ? std::move(backend) : MakeModelWindowSystem();
}

void WindowSystem::ActivateFront(HWND except) {
  for (HWND h : ZOrder()) {
    const std::optional<WindowInfo> w = Info(h);
    if (h != except && w && w->Enabled) {
      Activate(h);
      return;
    }
  }
}

HWND WindowSystem::WindowFromPoint(int32_t x, int32_t y) const {
  for (HWND h : ZOrder()) {
    const std::optional<WindowInfo> w = Info(h);
    if (!w || w->Minimized || !w->Bounds.Contains(x, y)) continue;
    const int32_t wx = x - w->Bounds.Left;
    const int32_t wy = y - w->Bounds.Top;
    if (w->Region && !w->Region->Contains(wx, wy)) continue;  // clipped away: look behind
    return w->Enabled ? h : 0;
  }
  return 0;
}

HWND WindowSystem::Click(int32_t x, int32_t y) {
  const HWND target = WindowFromPoint(x, y);
  if (target == 0) return 0;
  const std::optional<WindowInfo> w = Info(target);
  const int32_t wx = x - w->Bounds.Left;
  const int32_t wy = y - w->Bounds.Top;
  Activate(target);
  if (w->Client != nullptr && IsWindow(target)) w->Client->WindowClicked(wx, wy);
  return target;
}

namespace {

void ModelWindowSystem::Reset(const ScreenDescription& screen) {
  windows_.clear();
  order_.clear();
  regions_.clear();
  active_ = 0;
  screen_ = screen;
  metrics_.clear();
  with_application_.clear();
}

TRect ModelWindowSystem::TaskbarRect() const {
  const int32_t t =
      std::clamp(screen_.TaskbarThickness, 0, std::min(screen_.Width, screen_.Height));
  switch (screen_.Edge) {
    case TaskbarEdge::Top:
      return {0, 0, screen_.Width, t};
    case TaskbarEdge::Left:
      return {0, 0, t, screen_.Height};
    case TaskbarEdge::Right:
      return {screen_.Width - t, 0, screen_.Width, screen_.Height};
    case TaskbarEdge::Bottom:
      break;
  }
  return {0, screen_.Height - t, screen_.Width, screen_.Height};
}

TRect ModelWindowSystem::WorkArea() const {
  TRect area{0, 0, screen_.Width, screen_.Height};
  const TRect bar = TaskbarRect();
  switch (screen_.Edge) {
    case TaskbarEdge::Top:
      area.Top = bar.Bottom;
      break;
    case TaskbarEdge::Left:
      area.Left = bar.Right;
      break;
    case TaskbarEdge::Right:
      area.Right = bar.Left;
      break;
    case TaskbarEdge::Bottom:
      area.Bottom = bar.Top;
      break;
  }
  return area;
}

int ModelWindowSystem::GetMetric(int index) const {
  if (auto it = metrics_.find(index); it != metrics_.end()) return it->second;
  const TRect wa = WorkArea();
  switch (index) {
    case SM_CXSCREEN:
      return screen_.Width;
    case SM_CYSCREEN:
      return screen_.Height;
    case SM_CYCAPTION:
      return kCaption;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return kDialogFrame;
    case SM_CYMENU:
      return kMenu;
    case SM_CXFULLSCREEN:
      return wa.Width();
    case SM_CYFULLSCREEN:
      return wa.Height() - kCaption;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return kFrame;
    case SM_CYSMCAPTION:
      return kSmallCaption;
    case SM_CXMINIMIZED:
      return kMinimizedWidth;
    case SM_CYMINIMIZED:
      return kCaption + 5;
    case SM_CXMAXIMIZED:
      return wa.Width() + 2 * kFrame;
    case SM_CYMAXIMIZED:
      return wa.Height() + 2 * kFrame;
    default:
      return 0;
  }
}

WindowInfo* ModelWindowSystem::Find(HWND window) {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

std::optional<WindowInfo> ModelWindowSystem::Info(HWND window) const {
  auto it = windows_.find(window);
  if (it == windows_.end()) return std::nullopt;
  return it->second;
}

HWND ModelWindowSystem::CreateWindow(WindowClient* client, const TRect& bounds,
                                     const WindowStyle& style, const std::string&) {
  const HWND handle = next_window_++;
  WindowInfo info;
  info.Handle = handle;
  info.Client = client;
  info.Bounds = TRect::OfWindow(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
  info.Styles = style;
  windows_.emplace(handle, info);
  order_.insert(order_.begin(), handle);
  return handle;
}

void ModelWindowSystem::DestroyWindow(HWND window) {
  if (!IsWindow(window)) return;
  windows_.erase(window);
  with_application_.erase(window);
  order_.erase(std::remove(order_.begin(), order_.end(), window), order_.end());
  if (active_ == window) {
    active_ = 0;
    ActivateFront(0);
  }
}

void ModelWindowSystem::SetBounds(HWND window, const TRect& bounds) {
  if (WindowInfo* w = Find(window))
    w->Bounds = TRect::OfWindow(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
}

void ModelWindowSystem::Raise(HWND window) {
  order_.erase(std::remove(order_.begin(), order_.end(), window), order_.end());
  order_.insert(order_.begin(), window);
}

void ModelWindowSystem::Show(HWND window, bool visible, bool activate) {
  WindowInfo* w = Find(window);
  if (w == nullptr) return;
  const bool was_visible = w->Visible;
  w->Visible = visible;
  if (visible) {
    if (!was_visible) Raise(window);
    if (activate && !w->Enabled && window != active_) {
      // A disabled window (one that a modal window has disabled) comes on screen
      // but is not activated, and it does not cover the active window either.
      if (const WindowInfo* a = Find(active_); a != nullptr && a->Visible) Raise(active_);
    } else if (activate) {
      Activate(window);
    }
  } else if (active_ == window) {
    active_ = 0;
    if (w->Client) w->Client->WindowActivated(false);
    ActivateFront(window);
  }
}

void ModelWindowSystem::SetEnabled(HWND window, bool enabled) {
  if (WindowInfo* w = Find(window)) w->Enabled = enabled;
}

void ModelWindowSystem::SetStyle(HWND window, const WindowStyle& style) {
  if (WindowInfo* w = Find(window)) w->Styles = style;
}

void ModelWindowSystem::SetMinimized(HWND window, bool minimized) {
  WindowInfo* w = Find(window);
  if (w == nullptr) return;
  if (minimized)
    with_application_.insert(window);
  else
    with_application_.erase(window);
  w->Minimized = w->Iconic || minimized;
}

void ModelWindowSystem::SetWindowState(HWND window, bool iconic, bool zoomed) {
  WindowInfo* w = Find(window);
  if (w == nullptr) return;
  w->Iconic = iconic;
  w->Zoomed = zoomed && !iconic;
  w->Minimized = iconic || with_application_.count(window) != 0;
}

void ModelWindowSystem::BringToFront(HWND window) {
  if (IsWindow(window)) Raise(window);
}

void ModelWindowSystem::Activate(HWND window) {
  // A disabled window takes no activation: while a modal window is open, the
  // windows it disabled cannot take the keyboard from it.
  if (const WindowInfo* w = Find(window); w != nullptr && !w->Enabled) return;
  if (window == active_) {
    // Already active, but perhaps no longer in front: it comes up again.
    if (IsWindow(window)) Raise(window);
    return;
  }
  const HWND previous = active_;
  active_ = IsWindow(window) ? window : 0;
  if (WindowInfo* p = Find(previous); p && p->Client) p->Client->WindowActivated(false);
  if (WindowInfo* w = Find(active_)) {
    Raise(active_);
    if (w->Client) w->Client->WindowActivated(true);
  }
}

std::vector<HWND> ModelWindowSystem::ZOrder() const {
  std::vector<HWND> result;
  for (int band = 0; band < 2; ++band) {
    const bool top_most = band == 0;
    for (HWND h : order_) {
      const WindowInfo& w = windows_.at(h);
      if (w.Visible && w.TopMost == top_most) result.push_back(h);
    }
  }
  return result;
}

bool ModelWindowSystem::SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy,
                                     UINT flags) {
  WindowInfo* w = Find(window);
  if (w == nullptr) return false;
  const TRect before = w->Bounds;
  if (!(flags & SWP_NOMOVE))
    w->Bounds = TRect::OfWindow(x, y, w->Bounds.Width(), w->Bounds.Height());
  if (!(flags & SWP_NOSIZE)) w->Bounds = TRect::OfWindow(w->Bounds.Left, w->Bounds.Top, cx, cy);
  // The window's owner learns of the move, as from the system.
  if (w->Bounds != before && w->Client != nullptr) {
    WindowClient* client = w->Client;
    const TRect now = w->Bounds;
    client->WindowMoved(now);
    w = Find(window);
    if (w == nullptr) return true;
  }
  if (!(flags & SWP_NOZORDER)) {
    if (insertAfter == HWND_TOPMOST) {
      w->TopMost = true;
      Raise(window);
    } else if (insertAfter == HWND_NOTOPMOST) {
      w->TopMost = false;
      Raise(window);
    } else if (insertAfter == HWND_TOP) {
      Raise(window);
    } else if (insertAfter == HWND_BOTTOM) {
      w->TopMost = false;
      order_.erase(std::remove(order_.begin(), order_.end(), window), order_.end());
      order_.push_back(window);
    } else if (IsWindow(insertAfter)) {
      order_.erase(std::remove(order_.begin(), order_.end(), window), order_.end());
      auto it = std::find(order_.begin(), order_.end(), insertAfter);
      order_.insert(it == order_.end() ? it : it + 1, window);
    }
  }
  if (flags & SWP_SHOWWINDOW) Show(window, true, !(flags & SWP_NOACTIVATE));
  if (flags & SWP_HIDEWINDOW) Show(window, false, false);
  if (!(flags & SWP_NOACTIVATE) && w->Visible) Activate(window);
  return true;
}

HRGN ModelWindowSystem::CreateRegion(const TRect& rect) {
  const HRGN handle = next_region_++;
  regions_[handle] = rect;
  return handle;
}

std::optional<TRect> ModelWindowSystem::RegionRect(HRGN region) const {
  auto it = regions_.find(region);
  if (it == regions_.end()) return std::nullopt;
  return it->second;
}

bool ModelWindowSystem::DeleteRegion(HRGN region) {
  return regions_.erase(region) != 0;
}

bool ModelWindowSystem::AssignRegion(HWND window, HRGN region) {
  WindowInfo* w = Find(window);
  if (w == nullptr) return false;
  if (region == 0) {
    w->Region.reset();
    return true;
  }
  auto it = regions_.find(region);
  if (it == regions_.end()) return false;
  w->Region = it->second;
  regions_.erase(it);  // the window owns it now
  return true;
}

BOOL ModelWindowSystem::ShowWindow(HWND window, int command) {
  const WindowInfo* w = Find(window);
  if (w == nullptr) return FALSE;
  const BOOL was_visible = w->Visible ? TRUE : FALSE;
  switch (command) {
    case SW_HIDE:
      Show(window, false, false);
      break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
      Show(window, true, false);
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
      SetWindowState(window, true, false);
      Show(window, true, false);
      break;
    case SW_RESTORE:
      SetWindowState(window, false, false);
      Show(window, true, true);
      break;
    default:
      Show(window, true, true);
      break;
  }
  return was_visible;
}

}  // namespace

// ---- Win32 -----------------------------------------------------------------

BOOL SystemParametersInfo(UINT action, UINT, void* data, UINT) {
  if (action != SPI_GETWORKAREA || data == nullptr) return FALSE;
  *static_cast<TRect*>(data) = WindowSystem::Instance().WorkArea();
  return TRUE;
}

int GetSystemMetrics(int index) {
  return WindowSystem::Instance().GetMetric(index);
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  TRect r{std::min(left, right), std::min(top, bottom), std::max(left, right),
          std::max(top, bottom)};
  return WindowSystem::Instance().CreateRegion(r);
}

int SetWindowRgn(HWND window, HRGN region, BOOL) {
  return WindowSystem::Instance().AssignRegion(window, region) ? 1 : 0;
}

BOOL DeleteObject(HRGN object) {
  return WindowSystem::Instance().DeleteRegion(object) ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return WindowSystem::Instance().SetWindowPos(window, insertAfter, x, y, cx, cy, flags) ? TRUE
                                                                                         : FALSE;
}

BOOL ShowWindow(HWND window, int command) {
  return WindowSystem::Instance().ShowWindow(window, command);
}

BOOL IsWindowVisible(HWND window) {
  const std::optional<WindowInfo> w = WindowSystem::Instance().Info(window);
  return (w && w->Visible) ? TRUE : FALSE;
}

}  // namespace host
