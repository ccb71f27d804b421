#include "host/vcl/messageloop.h"

#include <algorithm>

#include "host/rtl/modules.h"
#include "host/vcl/extctrls.h"

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

int64_t MessageLoop::NextDue() const {
  int64_t next = -1;
  for (const Scheduled& s : timers_) {
    const int64_t in = std::max<int64_t>(s.Due - clock_ms_, 0);
    if (next < 0 || in < next) next = in;
  }
  return next;
}

void MessageLoop::ProcessMessages() {
  WindowSystem::Instance().ProcessEvents();
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

}  // namespace host
