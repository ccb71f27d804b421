#include "host/vcl/controls.h"

#include <algorithm>

#include "host/rtl/modules.h"

namespace host {

// ---- MessageLoop -------------------------------------------------------------

MessageLoop& MessageLoop::Instance() {
  static MessageLoop loop;
  return loop;
}

void MessageLoop::Post(TComponent* target, std::function<void()> message) {
  posted_.push_back({target, std::move(message)});
}

void MessageLoop::CancelMessages(TComponent* target) {
  posted_.erase(std::remove_if(posted_.begin(), posted_.end(),
                               [&](const Posted& p) { return p.Target == target; }),
                posted_.end());
}

void MessageLoop::ProcessMessages() {
  // A message may post further ones; a bound keeps a message that always
  // re-posts itself from hanging the loop.
  for (int guard = 0; !posted_.empty() && guard < 10000; ++guard) {
    Posted next = std::move(posted_.front());
    posted_.erase(posted_.begin());
    Guarded(next.Message);
  }
}

void MessageLoop::StartTimer(TTimer* timer) {
  StopTimer(timer);
  timers_.push_back({timer, clock_ms_ + timer->Interval(), sequence_++});
}

void MessageLoop::StopTimer(TTimer* timer) {
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(),
                               [&](const Scheduled& s) { return s.Timer == timer; }),
                timers_.end());
}

void MessageLoop::Advance(int64_t ms) {
  ProcessMessages();
  const int64_t end = clock_ms_ + std::max<int64_t>(ms, 0);
  for (;;) {
    auto next = std::min_element(timers_.begin(), timers_.end(),
                                 [](const Scheduled& a, const Scheduled& b) {
                                   return a.Due != b.Due ? a.Due < b.Due : a.Sequence < b.Sequence;
                                 });
    if (next == timers_.end() || next->Due > end) break;
    clock_ms_ = next->Due;
    TTimer* timer = next->Timer;
    next->Due += timer->Interval();
    next->Sequence = sequence_++;
    Guarded([timer] { timer->Fire(); });
    ProcessMessages();
  }
  // A handler may have run a nested loop (a modal window waiting for its user)
  // that took the clock past this advance's end; the clock never goes back.
  clock_ms_ = std::max(clock_ms_, end);
}

void MessageLoop::Reset() {
  posted_.clear();
  timers_.clear();
  clock_ms_ = 0;
}

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
  if (parent_ != nullptr) parent_->ControlChanged(this);
}

void TControl::BoundsChanged(bool) {}

void TControl::ConstraintsChanged() {
  SetBounds(left_, top_, width_, height_);
  if (parent_ != nullptr) parent_->ControlChanged(this);
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (parent_ != nullptr) parent_->ControlChanged(this);
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
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  controls_.erase(it);
  control->parent_ = nullptr;
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

// ---- TTimer ------------------------------------------------------------------

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  MessageLoop::Instance().StopTimer(this);
}

void TTimer::SetInterval(uint32_t ms) {
  if (ms == interval_) return;
  interval_ = ms;
  Update();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Update();
}

void TTimer::SetOnTimer(TNotifyEvent e) {
  on_timer_ = e;
  Update();
}

bool TTimer::Running() const {
  return enabled_ && interval_ != 0 && static_cast<bool>(on_timer_);
}

void TTimer::Update() {
  if (Running())
    MessageLoop::Instance().StartTimer(this);
  else
    MessageLoop::Instance().StopTimer(this);
}

void TTimer::Fire() {
  on_timer_(this);
}

bool TBasicAction::Execute() {
  if (!on_execute_) return false;
  on_execute_(this);
  return true;
}

}  // namespace host
