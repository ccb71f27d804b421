// Controls: bounds, size constraints, OnResize, the parent and child links; the
// message loop's virtual clock with its timers and posted messages; actions.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/vcl/actnlist.h"
#include "host/vcl/controls.h"
#include "host/vcl/extctrls.h"
#include "host/vcl/messageloop.h"
#include "tests/vcl/host_fixture.h"

namespace {

using host::TControl;
using host::TPanel;
using host::TRect;
using host_test::EventLog;

// ---- Bounds, constraints, OnResize ---------------------------------------------------

class Controls : public host_test::HostTest {
 protected:
  // A control whose OnResize goes to the log.
  TControl* MakeControl() {
    auto* c = new TControl(&owner_);
    c->SetOnResize({&log_, &EventLog::Resize});
    return c;
  }
  static void ExpectSize(const TControl* c, int32_t width, int32_t height) {
    EXPECT_EQ(c->Width(), width);
    EXPECT_EQ(c->Height(), height);
  }
};

TEST_F(Controls, OnResizeFiresOnlyWhenTheSizeReallyChanges) {
  TControl* c = MakeControl();
  struct Step {
    const char* what;
    TRect bounds;  // left, top, width, height as passed to SetBounds
    size_t resizes_after;
  };
  // clang-format off
  const Step steps[] = {
      {"first size", {10, 10, 100, 50}, 1},
      {"the same bounds again", {10, 10, 100, 50}, 1},
      {"moved only", {30, 40, 100, 50}, 1},
      {"wider", {30, 40, 120, 50}, 2},
      {"lower", {30, 40, 120, 20}, 3},
      {"moved and resized", {0, 0, 60, 60}, 4},
  };
  // clang-format on
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    c->SetBounds(s.bounds.Left, s.bounds.Top, s.bounds.Right, s.bounds.Bottom);
    EXPECT_EQ(c->Left(), s.bounds.Left);
    EXPECT_EQ(c->Top(), s.bounds.Top);
    ExpectSize(c, s.bounds.Right, s.bounds.Bottom);
    EXPECT_EQ(log_.Count("resize"), s.resizes_after);
  }
  c->SetWidth(60);
  c->SetLeft(5);
  EXPECT_EQ(log_.Count("resize"), 4u);
  EXPECT_EQ(c->BoundsRect(), (TRect{5, 0, 65, 60}));
  ASSERT_FALSE(log_.entries.empty());
  EXPECT_EQ(log_.entries.back().second, c) << "the control is the sender";
}

TEST_F(Controls, NegativeSizesBecomeZero) {
  TControl* c = MakeControl();
  c->SetBounds(-5, -6, -100, -1);
  EXPECT_EQ(c->Left(), -5) << "a position may be negative";
  EXPECT_EQ(c->Top(), -6);
  ExpectSize(c, 0, 0);
  EXPECT_EQ(log_.Count("resize"), 0u) << "0 x 0 is the size it had";
}

TEST_F(Controls, BoundsStayWithinTheWindowSystemsRange) {
  // Positions within -32768..32767 and sizes within 0..32767, whatever is asked
  // for: the right and bottom edges neither overflow nor lie before the left and top.
  constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;
  const struct {
    TRect asked;  // left, top, width, height
    TRect bounds;
  } cases[] = {
      {{kMax, 0, 200, 484}, {32767, 0, 32967, 484}},
      {{0, 0, kMax, kMax}, {0, 0, 32767, 32767}},
      {{kMax, kMax, kMax, kMax}, {32767, 32767, 65534, 65534}},
      {{kMin, kMin, kMin, kMin}, {-32768, -32768, -32768, -32768}},
      {{-40000, 40000, 40000, 5}, {-32768, 32767, -1, 32772}},
      {{10, 20, 300, 200}, {10, 20, 310, 220}},
  };
  TControl* c = MakeControl();
  host::TForm form(nullptr);
  const host::HWND h = form.Handle();
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message() << k.asked.Left << " " << k.asked.Top << " " << k.asked.Right
                                    << " " << k.asked.Bottom);
    const TRect& a = k.asked;
    c->SetBounds(a.Left, a.Top, a.Right, a.Bottom);
    EXPECT_EQ(c->BoundsRect(), k.bounds);
    form.SetBounds(a.Left, a.Top, a.Right, a.Bottom);
    EXPECT_EQ(form.BoundsRect(), k.bounds);
    EXPECT_EQ(Desktop().Info(h)->Bounds, k.bounds);
    host::SetWindowPos(h, 0, 1, 2, 3, 4, host::SWP_NOZORDER | host::SWP_NOACTIVATE);
    host::SetWindowPos(h, 0, a.Left, a.Top, a.Right, a.Bottom,
                       host::SWP_NOZORDER | host::SWP_NOACTIVATE);
    EXPECT_EQ(Desktop().Info(h)->Bounds, k.bounds) << "the window system's own limit";
  }
  form.SetClientWidth(kMax);
  form.SetClientHeight(kMax);
  EXPECT_EQ(form.Width(), 32767);
  EXPECT_EQ(form.Height(), 32767);
  const host::HWND wide = Desktop().CreateWindow(nullptr, {kMin, kMin, kMax, kMax});
  EXPECT_EQ(Desktop().Info(wide)->Bounds, (TRect{-32768, -32768, -1, -1}));
  EXPECT_EQ((TRect{kMin, kMin, kMax, kMax}).Width(), kMax) << "the nearest 32-bit width";
}

TEST_F(Controls, ConstraintsClampSetBounds) {
  TControl* c = MakeControl();
  c->Constraints().SetMinWidth(50);
  c->Constraints().SetMaxWidth(200);
  c->Constraints().SetMinHeight(10);
  c->Constraints().SetMaxHeight(30);
  struct Case {
    int32_t width, height, want_width, want_height;
  };
  const Case cases[] = {{100, 20, 100, 20}, {10, 5, 50, 10},    {500, 500, 200, 30},
                        {50, 10, 50, 10},   {200, 30, 200, 30}, {-3, -3, 50, 10}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.width << " x " << k.height);
    c->SetBounds(0, 0, k.width, k.height);
    ExpectSize(c, k.want_width, k.want_height);
  }
  // A request that the constraints turn into the current size changes nothing.
  const size_t resizes = log_.Count("resize");
  c->SetBounds(0, 0, 5, 1);
  EXPECT_EQ(log_.Count("resize"), resizes);
}

TEST_F(Controls, ChangingAConstraintClampsTheCurrentSize) {
  TControl* c = MakeControl();
  c->SetBounds(7, 8, 300, 100);
  ASSERT_EQ(log_.Count("resize"), 1u);
  c->Constraints().SetMaxHeight(40);
  ExpectSize(c, 300, 40);
  EXPECT_EQ(log_.Count("resize"), 2u);
  c->Constraints().SetMinWidth(400);
  ExpectSize(c, 400, 40);
  EXPECT_EQ(c->Left(), 7) << "the place stays";
  EXPECT_EQ(c->Top(), 8);
  EXPECT_EQ(log_.Count("resize"), 3u);
  // A constraint the size already meets: no resize.
  c->Constraints().SetMaxWidth(0);
  c->Constraints().SetMinHeight(40);
  EXPECT_EQ(log_.Count("resize"), 3u);
  // Lifting a limit does not grow the control back.
  c->Constraints().SetMaxHeight(0);
  ExpectSize(c, 400, 40);
}

TEST_F(Controls, MinimumWinsOverAContradictingMaximum) {
  TControl* c = MakeControl();
  c->Constraints().SetMaxWidth(100);
  c->Constraints().SetMinWidth(150);
  c->SetBounds(0, 0, 120, 10);
  EXPECT_EQ(c->Width(), 150);
  EXPECT_EQ(c->Constraints().ClampWidth(1000), 150);
  c->Constraints().SetMinHeight(-5);
  EXPECT_EQ(c->Constraints().MinHeight(), 0) << "a negative limit is no limit";
}

// ---- Parents and children ------------------------------------------------------

TEST_F(Controls, ParentListsItsChildrenAndLosesThemWhenTheyGo) {
  auto* panel = new TPanel(&owner_);
  auto* a = new TControl(&owner_);
  auto* b = new TControl(&owner_);
  a->SetParent(panel);
  b->SetParent(panel);
  ASSERT_EQ(panel->ControlCount(), 2);
  EXPECT_EQ(panel->Controls(0), a);
  EXPECT_EQ(panel->Controls(1), b);
  host_test::ExpectHostError<host::EListError>([&] { panel->Controls(2); },
                                               "List index out of bounds (2)");
  host_test::ExpectHostError<host::EListError>([&] { panel->Controls(-1); },
                                               "List index out of bounds (-1)");
  delete a;
  ASSERT_EQ(panel->ControlCount(), 1);
  EXPECT_EQ(panel->Controls(0), b);
  EXPECT_EQ(owner_.ComponentCount(), 2) << "and its owner lost it too";

  // Moving to another parent takes the child out of the first.
  auto* other = new TPanel(&owner_);
  b->SetParent(other);
  EXPECT_EQ(panel->ControlCount(), 0);
  EXPECT_EQ(other->ControlCount(), 1);
  EXPECT_EQ(b->Parent(), other);
  b->SetParent(nullptr);
  EXPECT_EQ(other->ControlCount(), 0);
  EXPECT_EQ(b->Parent(), nullptr);
}

TEST_F(Controls, DestroyedParentLeavesNoLinkInItsOwnedChildren) {
  // The child is created before its parent, so its owner frees the parent first.
  auto* child = new TControl(&owner_);
  auto* panel = new TPanel(&owner_);
  child->SetParent(panel);
  delete panel;
  EXPECT_EQ(child->Parent(), nullptr);
  EXPECT_EQ(owner_.ComponentCount(), 1) << "an owned child stays with its owner";
  child->SetBounds(1, 2, 3, 4);  // must not reach the freed parent
  delete child;                  // nor here
  EXPECT_EQ(owner_.ComponentCount(), 0);
}

// A control that tells when it is freed.
class Tracked : public TControl {
 public:
  Tracked(host::TComponent* owner, bool* freed) : TControl(owner), freed_(freed) {}
  ~Tracked() override { *freed_ = true; }

 private:
  bool* freed_;
};

TEST_F(Controls, OwnerFreesAParentBeforeTheChildrenItOwns) {
  bool freed = false;
  auto* owner = new host::TComponent(nullptr);
  auto* child = new Tracked(owner, &freed);
  auto* panel = new TPanel(owner);
  child->SetParent(panel);
  delete owner;  // the panel (the later one) goes first; the child must not touch it
  EXPECT_TRUE(freed);
}

TEST_F(Controls, ChildrenThatNobodyOwnsGoWithTheirParent) {
  bool unowned_freed = false, owned_freed = false;
  auto* panel = new TPanel(nullptr);
  auto* inner = new TPanel(nullptr);
  inner->SetParent(panel);
  (new Tracked(nullptr, &unowned_freed))->SetParent(inner);
  auto* owned = new Tracked(&owner_, &owned_freed);
  owned->SetParent(panel);
  delete panel;
  EXPECT_TRUE(unowned_freed) << "freed with its parent's parent";
  EXPECT_FALSE(owned_freed) << "its owner frees it";
  EXPECT_EQ(owned->Parent(), nullptr);
  delete owned;
  EXPECT_TRUE(owned_freed);
}

TEST_F(Controls, ClickGoesToTheFrontMostVisibleChildAtThePoint) {
  auto* panel = new TPanel(&owner_);
  panel->SetBounds(100, 100, 200, 200);
  panel->SetOnClick({&log_, &EventLog::ClickA});
  auto* back = new TControl(&owner_);
  back->SetParent(panel);
  back->SetBounds(0, 0, 100, 100);
  back->SetOnClick({&log_, &EventLog::ClickB});
  auto* front = new TControl(&owner_);
  front->SetParent(panel);
  front->SetBounds(50, 50, 100, 100);
  front->SetOnClick({&log_, &EventLog::ClickB});

  EXPECT_EQ(panel->ControlAtPos(60, 60), front);
  EXPECT_EQ(panel->ControlAtPos(10, 10), back);
  EXPECT_EQ(panel->ControlAtPos(160, 160), nullptr);
  front->Hide();
  EXPECT_EQ(panel->ControlAtPos(60, 60), back) << "a hidden control is passed over";
  front->Show();

  panel->MouseClick(60, 60);
  panel->MouseClick(160, 160);
  front->SetEnabled(false);
  panel->MouseClick(60, 60);  // a disabled control takes the click and does nothing
  const EventLog::Entries expected = {{"clickB", front}, {"clickA", panel}};
  EXPECT_EQ(log_.entries, expected);

  const host::TPoint origin = front->ScreenOrigin();
  EXPECT_EQ(origin.X, 150);
  EXPECT_EQ(origin.Y, 150);
}

// ---- Message loop: the virtual clock, timers, posted messages --------------------------

// Records which timer fired at what time on the loop's clock.
class TimerLog : public host::TObject {
 public:
  void Tick(host::TObject* sender) {
    fired.push_back(
        {static_cast<host::TComponent*>(sender)->Name(), host::MessageLoop::Instance().Clock()});
    if (on_tick) on_tick(sender);
  }
  struct Fired {
    std::string timer;
    int64_t at;
    bool operator==(const Fired&) const = default;
  };
  std::vector<Fired> fired;
  std::function<void(host::TObject*)> on_tick;
};

using Ticks = std::vector<TimerLog::Fired>;

void PrintTo(const TimerLog::Fired& f, std::ostream* os) {
  *os << f.timer << "@" << f.at;
}

class MessageLoopTest : public host_test::HostTest {
 protected:
  host::TTimer* MakeTimer(const char* name, uint32_t interval) {
    auto* t = new host::TTimer(&owner_);
    t->SetName(name);
    t->SetInterval(interval);
    t->SetOnTimer({&timers_, &TimerLog::Tick});
    return t;
  }
  TimerLog timers_;
};

TEST_F(MessageLoopTest, TimerFiresExactlyWhenTheClockPassesItsDueTime) {
  MakeTimer("T", 1000);
  Loop().Advance(999);
  EXPECT_TRUE(timers_.fired.empty());
  Loop().Advance(1);
  EXPECT_EQ(timers_.fired, (Ticks{{"T", 1000}}));
  Loop().Advance(2500);
  EXPECT_EQ(timers_.fired, (Ticks{{"T", 1000}, {"T", 2000}, {"T", 3000}}));
  EXPECT_EQ(Loop().Clock(), 3500);
  Loop().Advance(499);
  EXPECT_EQ(timers_.fired.size(), 3u);
  Loop().Advance(1);
  EXPECT_EQ(timers_.fired.back(), (TimerLog::Fired{"T", 4000}));
}

TEST_F(MessageLoopTest, TimersFireInDueOrderAndTiesInStartOrder) {
  MakeTimer("A", 300);
  MakeTimer("B", 500);
  MakeTimer("C", 300);
  Loop().Advance(1000);
  // clang-format off
  const Ticks expected = {
      {"A", 300}, {"C", 300}, {"B", 500}, {"A", 600}, {"C", 600},
      {"A", 900}, {"C", 900}, {"B", 1000}};
  // clang-format on
  EXPECT_EQ(timers_.fired, expected);
}

TEST_F(MessageLoopTest, OneLongAdvanceFiresTheSameAsManyShortOnes) {
  const auto run = [&](int steps, int64_t step) {
    timers_.fired.clear();
    Loop().Reset();
    host::TTimer* a = MakeTimer("A", 70);
    host::TTimer* b = MakeTimer("B", 110);
    for (int i = 0; i < steps; ++i) Loop().Advance(step);
    delete a;
    delete b;
    return timers_.fired;
  };
  const Ticks at_once = run(1, 1000);
  EXPECT_EQ(at_once.size(), 14u + 9u);
  EXPECT_EQ(run(100, 10), at_once);
  EXPECT_EQ(run(1000, 1), at_once);
}

TEST_F(MessageLoopTest, TimerRunsOnlyWhileEnabledWithAnIntervalAndAHandler) {
  host::TTimer* t = MakeTimer("T", 100);
  EXPECT_TRUE(t->Running());
  t->SetEnabled(false);
  EXPECT_FALSE(t->Running());
  Loop().Advance(1000);
  EXPECT_TRUE(timers_.fired.empty());
  t->SetEnabled(true);  // a whole interval from now
  Loop().Advance(99);
  EXPECT_TRUE(timers_.fired.empty());
  Loop().Advance(1);
  EXPECT_EQ(timers_.fired, (Ticks{{"T", 1100}}));

  t->SetInterval(0);
  EXPECT_FALSE(t->Running());
  Loop().Advance(1000);
  EXPECT_EQ(timers_.fired.size(), 1u);
  t->SetInterval(250);  // a new interval counts from now
  t->SetOnTimer({});
  EXPECT_FALSE(t->Running());
  EXPECT_EQ(Loop().ActiveTimers(), 0u);
  Loop().Advance(1000);
  EXPECT_EQ(timers_.fired.size(), 1u);
  t->SetOnTimer({&timers_, &TimerLog::Tick});
  Loop().Advance(250);
  EXPECT_EQ(timers_.fired.back(), (TimerLog::Fired{"T", 3350}));
}

TEST_F(MessageLoopTest, DestroyedTimerNeverFiresAgain) {
  host::TTimer* a = MakeTimer("A", 100);
  host::TTimer* b = MakeTimer("B", 150);
  Loop().Advance(100);
  delete a;
  EXPECT_EQ(Loop().ActiveTimers(), 1u);
  Loop().Advance(400);
  EXPECT_EQ(timers_.fired, (Ticks{{"A", 100}, {"B", 150}, {"B", 300}, {"B", 450}}));
  // A timer freed by another timer's handler, with its own tick due in the same advance.
  host::TTimer* c = MakeTimer("C", 30);
  timers_.fired.clear();
  timers_.on_tick = [&](host::TObject* sender) {
    if (sender == b && c != nullptr) {
      delete c;
      c = nullptr;
    }
  };
  Loop().Advance(200);  // B at 600 frees C before its tick at 620
  EXPECT_EQ(timers_.fired, (Ticks{{"C", 530}, {"C", 560}, {"C", 590}, {"B", 600}}));
}

TEST_F(MessageLoopTest, ClockNeverGoesBackAfterANestedLoop) {
  // The first tick opens a modal window whose user waits a second: the nested
  // loop runs the clock well past the outer advance's end.
  MakeTimer("T", 100);
  bool nested = false;
  timers_.on_tick = [&](host::TObject*) {
    if (nested) return;
    nested = true;
    Loop().Advance(1000);
  };
  Loop().Advance(300);
  EXPECT_EQ(Loop().Clock(), 1100);
  ASSERT_EQ(timers_.fired.size(), 11u);
  EXPECT_EQ(timers_.fired.back(), (TimerLog::Fired{"T", 1100}));
  Loop().Advance(100);
  EXPECT_EQ(timers_.fired.back(), (TimerLog::Fired{"T", 1200}));
  for (size_t i = 1; i < timers_.fired.size(); ++i)
    EXPECT_LT(timers_.fired[i - 1].at, timers_.fired[i].at);
}

TEST_F(MessageLoopTest, TimerMayFreeItselfInItsHandler) {
  MakeTimer("T", 10);
  timers_.on_tick = [&](host::TObject* sender) { delete static_cast<host::TTimer*>(sender); };
  Loop().Advance(100);
  EXPECT_EQ(timers_.fired.size(), 1u);
  EXPECT_EQ(Loop().ActiveTimers(), 0u);
  EXPECT_EQ(owner_.ComponentCount(), 0);
}

TEST_F(MessageLoopTest, ErrorInATimerIsReportedAndTheTimerGoesOn) {
  MakeTimer("T", 100);
  timers_.on_tick = [](host::TObject*) {
    throw host::EConvertError("'x' is not a valid integer value");
  };
  Loop().Advance(300);
  EXPECT_EQ(timers_.fired.size(), 3u);
  const host_test::Reported error{"EConvertError", "'x' is not a valid integer value"};
  EXPECT_EQ(host_test::ReportedErrors(), (std::vector<host_test::Reported>(3, error)));

  timers_.on_tick = [](host::TObject*) { throw std::runtime_error("boom"); };
  Loop().Advance(100);
  EXPECT_EQ(host_test::ReportedErrors().back(), (host_test::Reported{"Exception", "boom"}));
}

TEST_F(MessageLoopTest, PostedMessagesArriveInOrderAtTheNextPass) {
  std::vector<int> seen;
  Loop().Post(&owner_, [&] {
    seen.push_back(1);
    Loop().Post(&owner_, [&] { seen.push_back(3); });  // posted while delivering
  });
  Loop().Post(&owner_, [&] { seen.push_back(2); });
  EXPECT_TRUE(seen.empty()) << "nothing is delivered synchronously";
  EXPECT_EQ(Loop().PendingMessages(), 2u);
  Loop().ProcessMessages();
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Loop().PendingMessages(), 0u);
}

TEST_F(MessageLoopTest, MessageForADestroyedControlIsDropped) {
  auto* doomed = new TControl(&owner_);
  auto* kept = new TControl(&owner_);
  std::vector<std::string> seen;
  Loop().Post(doomed, [&] { seen.push_back("doomed"); });
  Loop().Post(kept, [&] { seen.push_back("kept"); });
  delete doomed;
  EXPECT_EQ(Loop().PendingMessages(), 1u);
  Loop().Advance(0);
  EXPECT_EQ(seen, (std::vector<std::string>{"kept"}));
}

TEST_F(MessageLoopTest, MessagesPostedByATimerArriveBeforeTheNextTick) {
  std::vector<std::string> seen;
  MakeTimer("T", 100);
  timers_.on_tick = [&](host::TObject*) {
    seen.push_back("tick@" + std::to_string(Loop().Clock()));
    Loop().Post(&owner_, [&] { seen.push_back("message@" + std::to_string(Loop().Clock())); });
  };
  Loop().Advance(200);
  EXPECT_EQ(seen, (std::vector<std::string>{"tick@100", "message@100", "tick@200", "message@200"}));
}

TEST_F(MessageLoopTest, ErrorInAPostedMessageIsReportedAndTheRestStillArrive) {
  bool later = false;
  Loop().Post(&owner_, [] { throw host::EInvalidOperation("no"); });
  Loop().Post(&owner_, [&] { later = true; });
  Loop().ProcessMessages();
  EXPECT_TRUE(later);
  EXPECT_EQ(host_test::ReportedErrors(),
            (std::vector<host_test::Reported>{{"EInvalidOperation", "no"}}));
}

TEST_F(MessageLoopTest, NegativeAdvanceDoesNotMoveTheClockBack) {
  MakeTimer("T", 100);
  Loop().Advance(50);
  Loop().Advance(-1000);
  EXPECT_EQ(Loop().Clock(), 50);
  Loop().Advance(50);
  EXPECT_EQ(timers_.fired, (Ticks{{"T", 100}}));
}

// ---- Actions --------------------------------------------------------------------

TEST_F(Controls, ActionExecutesItsCommandWhenItHasOne) {
  host::TAction action(nullptr);
  EXPECT_FALSE(action.Execute());
  action.SetOnExecute({&log_, &EventLog::ClickA});
  EXPECT_TRUE(action.Execute());
  EXPECT_EQ(log_.entries, (EventLog::Entries{{"clickA", &action}}));
}

}  // namespace
