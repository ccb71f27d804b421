#include "host/vcl/extctrls.h"

#include "host/vcl/messageloop.h"

namespace host {

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

// ---- TImage ----------------------------------------------------------------------

void TImage::SetPictureData(std::string_view data) {
  picture_.SetData(data);
  FitPicture();
  Invalidate();
}

void TImage::SetAutoSize(bool v) {
  auto_size_ = v;
  FitPicture();
}

void TImage::FitPicture() {
  if (auto_size_ && !picture_.Empty())
    SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
}

}  // namespace host
