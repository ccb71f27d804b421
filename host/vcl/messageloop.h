// The message loop with its virtual clock.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "host/rtl/classes.h"

namespace host {

class TTimer;

// ---- The message loop ---------------------------------------------------------
// One thread, one virtual clock. Advance(ms) fires exactly the timers that fall
// due within that time, in due order, and delivers posted messages after each;
// nothing sleeps. An error that leaves a handler run from the loop is reported
// (ReportException) and the loop goes on, as the host's message loop does.
class HOST_API MessageLoop {
 public:
  static MessageLoop& Instance();

  int64_t Clock() const { return clock_ms_; }
  void Advance(int64_t ms);
  // Delivers the window system's pending events, then the posted messages (and
  // any they post in turn).
  void ProcessMessages();
  // Posts a message for a component; it is dropped if the component is destroyed first.
  void Post(TComponent* target, std::function<void()> message);
  void CancelMessages(TComponent* target);
  size_t PendingMessages() const { return posted_.size(); }

  void StartTimer(TTimer* timer);  // due one interval from now
  void StopTimer(TTimer* timer);
  size_t ActiveTimers() const { return timers_.size(); }
  // Milliseconds until the next timer falls due (0 when one is due), or -1
  // when no timer runs.
  int64_t NextDue() const;
  void Reset();

 private:
  struct Posted {
    TComponent* Target;
    std::function<void()> Message;
  };
  struct Scheduled {
    TTimer* Timer;
    int64_t Due;
    uint64_t Sequence;
  };
  int64_t clock_ms_ = 0;
  uint64_t sequence_ = 0;
  std::vector<Posted> posted_;
  std::vector<Scheduled> timers_;
};

}  // namespace host
