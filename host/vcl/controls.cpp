#include "host/vcl/controls.h"

#include <algorithm>
#include <limits>

#include "host/vcl/messageloop.h"

namespace host {

// ---- TSizeConstraints ------------------------------------------------------------

void TSizeConstraints::SetMinWidth(int32_t v) {
  if (v == min_width_) return;
  min_width_ = std::max(v, 0);
  Changed();
}
void TSizeConstraints::SetMinHeight(int32_t v) {
  if (v == min_height_) return;
  min_height_ = std::max(v, 0);
  Changed();
}
void TSizeConstraints::SetMaxWidth(int32_t v) {
  if (v == max_width_) return;
  max_width_ = std::max(v, 0);
  Changed();
}
void TSizeConstraints::SetMaxHeight(int32_t v) {
  if (v == max_height_) return;
  max_height_ = std::max(v, 0);
  Changed();
}
int32_t TSizeConstraints::ClampWidth(int32_t w) const {
  if (max_width_ > 0) w = std::min(w, max_width_);
  if (min_width_ > 0) w = std::max(w, min_width_);
  return w;
}
int32_t TSizeConstraints::ClampHeight(int32_t h) const {
  if (max_height_ > 0) h = std::min(h, max_height_);
  if (min_height_ > 0) h = std::max(h, min_height_);
  return h;
}
void TSizeConstraints::Changed() {
  control_->ConstraintsChanged();
}

// ---- TControl ------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
  MessageLoop::Instance().CancelMessages(this);
  if (parent_ != nullptr) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent_ != nullptr) parent_->RemoveControl(this);
  if (parent != nullptr) parent->InsertControl(this);
}

void TControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  // Within the window system's range, so that the bounds rectangle never overflows.
  left = ClampWindowPosition(left);
  top = ClampWindowPosition(top);
  width = ClampWindowSize(constraints_.ClampWidth(std::max(width, 0)));
  height = ClampWindowSize(constraints_.ClampHeight(std::max(height, 0)));
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const bool size_changed = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  BoundsChanged(size_changed);
  if (size_changed) Resize();
  if (parent_ != nullptr) {
    parent_->ControlChanged(this);
    Invalidate();
  }
}

void TControl::BoundsChanged(bool) {}

void TControl::ConstraintsChanged() {
  SetBounds(left_, top_, width_, height_);
  if (parent_ != nullptr) parent_->ControlChanged(this);
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (parent_ != nullptr) {
    parent_->ControlChanged(this);
    Invalidate();
  }
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Invalidate();
}

void TControl::SetCaption(const AnsiString& text) {
  if (text == caption_) return;
  caption_ = text;
  Invalidate();
}

void TControl::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  Invalidate();
}

void TControl::Invalidate() {
  TControl* top = this;
  while (top->parent_ != nullptr) top = top->parent_;
  if (auto* window = dynamic_cast<TWinControl*>(top)) window->ContentChanged();
}

void TControl::Click() {
  on_click_(this);
}

void TControl::MouseClick(int32_t, int32_t) {
  if (enabled_) Click();
}

void TControl::Resize() {
  on_resize_(this);
}

TPoint TControl::ScreenOrigin() const {
  TPoint p{left_, top_};
  for (const TWinControl* w = parent_; w != nullptr; w = w->Parent()) {
    const TPoint client = w->ClientOrigin();
    p.X += w->Left() + client.X;
    p.Y += w->Top() + client.Y;
  }
  return p;
}

// ---- TWinControl -------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  DestroySystemControls();
  // Children that nobody owns go with their parent; owned ones just leave it
  // (their owner frees them), and none keeps a link to this control.
  while (!controls_.empty()) {
    TControl* child = controls_.back();
    controls_.pop_back();
    child->parent_ = nullptr;
    if (child->Owner() == nullptr) delete child;
  }
}

TControl* TWinControl::Controls(int32_t index) const {
  if (index < 0 || index >= ControlCount())
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return controls_[static_cast<size_t>(index)];
}

void TWinControl::InsertControl(TControl* control) {
  if (control->Parent() != nullptr) control->Parent()->RemoveControl(control);
  controls_.push_back(control);
  control->parent_ = this;
  if (auto* windowed = dynamic_cast<TWinControl*>(control))
    if (const HWND window = ContainingWindow()) windowed->CreateSystemControls(window);
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  controls_.erase(it);
  control->parent_ = nullptr;
  if (auto* windowed = dynamic_cast<TWinControl*>(control)) windowed->DestroySystemControls();
}

// ---- TWinControl's system controls ------------------------------------------------

HWND TWinControl::ContainingWindow() const {
  for (const TWinControl* w = this; w != nullptr; w = w->Parent())
    if (const HWND window = w->OwnWindow()) return window;
  return 0;
}

namespace {
// Where the control stands in its window's client area, and whether it shows
// there (it and every parent up to the window visible).
struct Placement {
  TRect Bounds;
  bool Visible;
};
Placement PlacementInWindow(const TWinControl* control) {
  Placement p{control->BoundsRect(), control->Visible()};
  for (const TWinControl* w = control->Parent(); w != nullptr && w->OwnWindow() == 0;
       w = w->Parent()) {
    const TPoint client = w->ClientOrigin();
    const int32_t dx = w->Left() + client.X, dy = w->Top() + client.Y;
    p.Bounds = {p.Bounds.Left + dx, p.Bounds.Top + dy, p.Bounds.Right + dx, p.Bounds.Bottom + dy};
    p.Visible = p.Visible && w->Visible();
  }
  return p;
}
}  // namespace

void TWinControl::CreateSystemControls(HWND window) {
  WindowSystem& ws = WindowSystem::Instance();
  if (!ws.HasSystemControls() || window == 0) return;
  if (system_handle_ == 0 && SystemClass() != nullptr) {
    const Placement p = PlacementInWindow(this);
    system_handle_ = ws.CreateControl(window, SystemClass(), SystemStyle(), p.Bounds, Text(), this);
    if (system_handle_ != 0) {
      ws.EnableControl(system_handle_, Enabled());
      SystemControlCreated();
      ws.PlaceControl(system_handle_, p.Bounds, p.Visible);
    }
  }
  // The children in tab order: the system's Tab key follows the order in which
  // they were made.
  for (TWinControl* child : TabList()) child->CreateSystemControls(window);
}

void TWinControl::DestroySystemControls() {
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroySystemControls();
  if (system_handle_ != 0) {
    WindowSystem::Instance().DestroyControl(system_handle_);
    system_handle_ = 0;
  }
}

void TWinControl::RecreateSystemControl() {
  const HWND window = ContainingWindow();
  if (system_handle_ == 0 || window == 0) return;
  WindowSystem::Instance().DestroyControl(system_handle_);
  system_handle_ = 0;
  CreateSystemControls(window);
}

void TWinControl::PlaceSystemControls() {
  if (system_handle_ != 0) {
    const Placement p = PlacementInWindow(this);
    WindowSystem::Instance().PlaceControl(system_handle_, p.Bounds, p.Visible);
  }
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->PlaceSystemControls();
}

void TWinControl::BoundsChanged(bool sizeChanged) {
  TControl::BoundsChanged(sizeChanged);
  PlaceSystemControls();
}

void TWinControl::SetVisible(bool visible) {
  if (visible == Visible()) return;
  TControl::SetVisible(visible);
  PlaceSystemControls();
}

void TWinControl::SetEnabled(bool enabled) {
  TControl::SetEnabled(enabled);
  if (system_handle_ != 0) WindowSystem::Instance().EnableControl(system_handle_, enabled);
}

void TWinControl::SetCaption(const AnsiString& text) {
  TControl::SetCaption(text);
  if (system_handle_ != 0) WindowSystem::Instance().SetControlText(system_handle_, text);
}

intptr_t TWinControl::SendSystemMessage(UINT message, uintptr_t w, intptr_t l) const {
  return system_handle_ == 0
             ? 0
             : WindowSystem::Instance().SendControlMessage(system_handle_, message, w, l);
}

TControl* TWinControl::ControlAtPos(int32_t x, int32_t y) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (c->Visible() && c->BoundsRect().Contains(x, y)) return c;
  }
  return nullptr;
}

void TWinControl::MouseClick(int32_t x, int32_t y) {
  if (!Enabled()) return;
  const TPoint origin = ClientOrigin();
  if (TControl* child = ControlAtPos(x - origin.X, y - origin.Y)) {
    child->MouseClick(x - origin.X - child->Left(), y - origin.Y - child->Top());
    return;
  }
  Click();
}

void TWinControl::ControlChanged(TControl*) {
  if (Parent() != nullptr) Parent()->ControlChanged(this);
}

// ---- TWinControl's tab order ----------------------------------------------------

std::vector<TWinControl*> TWinControl::TabList() const {
  std::vector<TWinControl*> list;
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) list.push_back(w);
  std::stable_sort(list.begin(), list.end(), [](const TWinControl* a, const TWinControl* b) {
    const int64_t ra = a->tab_rank_ < 0 ? std::numeric_limits<int64_t>::max() : a->tab_rank_;
    const int64_t rb = b->tab_rank_ < 0 ? std::numeric_limits<int64_t>::max() : b->tab_rank_;
    return ra < rb;
  });
  return list;
}

int32_t TWinControl::TabOrder() const {
  if (Parent() == nullptr) return -1;
  const std::vector<TWinControl*> list = Parent()->TabList();
  const auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int32_t>(it - list.begin());
}

void TWinControl::SetTabOrder(int32_t order) {
  if (Parent() == nullptr) {
    tab_rank_ = std::max(order, 0);
    return;
  }
  std::vector<TWinControl*> list = Parent()->TabList();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  const size_t at = static_cast<size_t>(std::clamp<int64_t>(order, 0, int64_t(list.size())));
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), this);
  for (size_t i = 0; i < list.size(); ++i) list[i]->tab_rank_ = static_cast<int64_t>(i);
}

}  // namespace host
