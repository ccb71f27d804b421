// The window system: work area and classic-theme metrics from the screen
// description, z-order with the top-most band, activation, regions and what a
// click at a screen point reaches.
#include <gtest/gtest.h>

#include <vector>

#include "host/win32/win32.h"
#include "tests/vcl/host_fixture.h"

namespace {

using host::HWND;
using host::TaskbarEdge;
using host::TRect;

// ---- Work area and metrics -------------------------------------------------------

struct ScreenCase {
  const char* name;
  host::ScreenDescription screen;
  TRect work_area;
  int cx_maximized, cy_maximized, cx_fullscreen, cy_fullscreen;
};

// clang-format off
const ScreenCase kScreens[] = {
    {"1024x768, bar at the bottom", {1024, 768, TaskbarEdge::Bottom, 30}, {0, 0, 1024, 738},
     1032, 746, 1024, 719},
    {"1280x1024, bar at the top", {1280, 1024, TaskbarEdge::Top, 30}, {0, 30, 1280, 1024},
     1288, 1002, 1280, 975},
    {"1280x1024, bar at the left", {1280, 1024, TaskbarEdge::Left, 60}, {60, 0, 1280, 1024},
     1228, 1032, 1220, 1005},
    {"800x600, bar at the right", {800, 600, TaskbarEdge::Right, 40}, {0, 0, 760, 600},
     768, 608, 760, 581},
    {"1600x1200, no bar", {1600, 1200, TaskbarEdge::Bottom, 0}, {0, 0, 1600, 1200},
     1608, 1208, 1600, 1181},
    {"negative bar thickness counts as none", {1024, 768, TaskbarEdge::Top, -20},
     {0, 0, 1024, 768}, 1032, 776, 1024, 749},
};
// clang-format on

class Metrics : public host_test::HostTest {};

TEST_F(Metrics, WorkAreaAndMaximisedSizesFollowTheScreen) {
  for (const ScreenCase& c : kScreens) {
    SCOPED_TRACE(c.name);
    Desktop().Reset(c.screen);
    EXPECT_EQ(Desktop().WorkArea(), c.work_area);

    TRect area{-1, -1, -1, -1};  // sentinel: must be overwritten
    ASSERT_EQ(host::SystemParametersInfo(host::SPI_GETWORKAREA, 0, &area, 0), host::TRUE);
    EXPECT_EQ(area, c.work_area);

    EXPECT_EQ(host::GetSystemMetrics(host::SM_CXSCREEN), c.screen.Width);
    EXPECT_EQ(host::GetSystemMetrics(host::SM_CYSCREEN), c.screen.Height);
    EXPECT_EQ(host::GetSystemMetrics(host::SM_CXMAXIMIZED), c.cx_maximized);
    EXPECT_EQ(host::GetSystemMetrics(host::SM_CYMAXIMIZED), c.cy_maximized);
    EXPECT_EQ(host::GetSystemMetrics(host::SM_CXFULLSCREEN), c.cx_fullscreen);
    EXPECT_EQ(host::GetSystemMetrics(host::SM_CYFULLSCREEN), c.cy_fullscreen);
  }
}

TEST_F(Metrics, ClassicThemeFrameAndCaptionSizesDoNotDependOnTheScreen) {
  for (const ScreenCase& c : kScreens) {
    SCOPED_TRACE(c.name);
    Desktop().Reset(c.screen);
    EXPECT_EQ(host::GetSystemMetrics(host::SM_CXFRAME), 4);
    EXPECT_EQ(host::GetSystemMetrics(host::SM_CYFRAME), 4);
    EXPECT_EQ(host::GetSystemMetrics(host::SM_CYCAPTION), 19);
    EXPECT_EQ(host::GetSystemMetrics(host::SM_CYMINIMIZED), 24);
  }
}

TEST_F(Metrics, TaskBarRectangleLiesOnItsEdge) {
  struct Case {
    TaskbarEdge edge;
    TRect bar;
  };
  const Case cases[] = {{TaskbarEdge::Bottom, {0, 738, 1024, 768}},
                        {TaskbarEdge::Top, {0, 0, 1024, 30}},
                        {TaskbarEdge::Left, {0, 0, 30, 768}},
                        {TaskbarEdge::Right, {994, 0, 1024, 768}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.edge));
    Desktop().Reset({1024, 768, c.edge, 30});
    EXPECT_EQ(Desktop().TaskbarRect(), c.bar);
  }
}

TEST_F(Metrics, OtherParameterRequestsFailAndLeaveTheOutputAlone) {
  TRect area{-7, -7, -7, -7};
  EXPECT_EQ(host::SystemParametersInfo(47, 0, &area, 0), host::FALSE);
  EXPECT_EQ(area, (TRect{-7, -7, -7, -7}));
  EXPECT_EQ(host::SystemParametersInfo(host::SPI_GETWORKAREA, 0, nullptr, 0), host::FALSE);
}

// ---- Windows: z-order, activation, regions, clicks -------------------------------------

// A window owner that records what reaches it.
class Client : public host::WindowClient {
 public:
  void WindowClicked(int32_t x, int32_t y) override { clicks.push_back({x, y}); }
  void WindowActivated(bool active) override { activations.push_back(active); }
  std::vector<host::TPoint> clicks;
  std::vector<bool> activations;
};

class Windows : public host_test::HostTest {
 protected:
  // A shown, activated window.
  HWND Open(Client* client, const TRect& bounds) {
    const HWND h = Desktop().CreateWindow(client, bounds);
    Desktop().Show(h, true, true);
    return h;
  }
  static void ExpectZOrder(const std::vector<HWND>& expected) {
    EXPECT_EQ(host::WindowSystem::Instance().ZOrder(), expected);
  }
  static constexpr host::UINT kKeepAll = host::SWP_NOSIZE | host::SWP_NOMOVE | host::SWP_NOACTIVATE;
};

TEST_F(Windows, NewWindowIsHiddenUntilShown) {
  Client c;
  const HWND h = Desktop().CreateWindow(&c, {0, 0, 100, 100});
  EXPECT_TRUE(Desktop().IsWindow(h));
  EXPECT_EQ(host::IsWindowVisible(h), host::FALSE);
  ExpectZOrder({});
  EXPECT_EQ(Desktop().Click(50, 50), 0u) << "a hidden window takes no click";
  EXPECT_TRUE(c.clicks.empty());
  Desktop().Show(h, true, true);
  ExpectZOrder({h});
  EXPECT_EQ(Desktop().ActiveWindow(), h);
}

TEST_F(Windows, ActivationRaisesAndTellsBothWindows) {
  Client a, b;
  const HWND ha = Open(&a, {0, 0, 100, 100});
  const HWND hb = Open(&b, {0, 0, 100, 100});
  ExpectZOrder({hb, ha});
  EXPECT_EQ(a.activations, (std::vector<bool>{true, false}));
  EXPECT_EQ(b.activations, (std::vector<bool>{true}));
  Desktop().Activate(ha);
  ExpectZOrder({ha, hb});
  EXPECT_EQ(Desktop().ActiveWindow(), ha);
  EXPECT_EQ(b.activations, (std::vector<bool>{true, false}));
  Desktop().Activate(ha);  // already active: no one is told
  EXPECT_EQ(a.activations, (std::vector<bool>{true, false, true}));
  // An active window that another one was raised over comes up again.
  Desktop().BringToFront(hb);
  ExpectZOrder({hb, ha});
  EXPECT_EQ(Desktop().ActiveWindow(), ha);
  Desktop().Activate(ha);
  ExpectZOrder({ha, hb});
  EXPECT_EQ(a.activations.size(), 3u);
}

TEST_F(Windows, TopMostBandStaysAboveNewlyActivatedWindows) {
  Client main, bar, editor;
  const HWND hmain = Open(&main, {0, 0, 1024, 100});
  const HWND hbar = Open(&bar, {979, 0, 1024, 15});
  const TRect bar_bounds = Desktop().Info(hbar)->Bounds;
  Desktop().Activate(hmain);

  // Top-most, and nothing else changes: not the size, not the place, not the focus.
  ASSERT_EQ(host::SetWindowPos(hbar, host::HWND_TOPMOST, 11, 22, 33, 44, 0x13), host::TRUE);
  EXPECT_TRUE(Desktop().Info(hbar)->TopMost);
  EXPECT_EQ(Desktop().Info(hbar)->Bounds, bar_bounds);
  EXPECT_EQ(Desktop().ActiveWindow(), hmain);
  ExpectZOrder({hbar, hmain});

  const HWND heditor = Open(&editor, {0, 100, 1024, 738});
  EXPECT_EQ(Desktop().ActiveWindow(), heditor);
  ExpectZOrder({hbar, heditor, hmain});
  Desktop().Activate(hmain);
  ExpectZOrder({hbar, hmain, heditor});
  Desktop().BringToFront(heditor);
  ExpectZOrder({hbar, heditor, hmain});
  EXPECT_EQ(Desktop().Click(1000, 5), hbar) << "the top-most window is in front where they overlap";

  // HWND_NOTOPMOST puts it back at the top of the normal band.
  ASSERT_EQ(host::SetWindowPos(hbar, host::HWND_NOTOPMOST, 0, 0, 0, 0, kKeepAll), host::TRUE);
  EXPECT_FALSE(Desktop().Info(hbar)->TopMost);
  ExpectZOrder({hbar, heditor, hmain});
  Desktop().Activate(hmain);
  ExpectZOrder({hmain, hbar, heditor});
}

TEST_F(Windows, SetWindowPosMovesSizesAndActivatesWithoutFlags) {
  Client a, b;
  const HWND ha = Open(&a, {0, 0, 100, 100});
  const HWND hb = Open(&b, {0, 0, 100, 100});
  ASSERT_EQ(host::SetWindowPos(ha, host::HWND_TOP, 10, 20, 300, 200, 0), host::TRUE);
  EXPECT_EQ(Desktop().Info(ha)->Bounds, (TRect{10, 20, 310, 220}));
  EXPECT_EQ(Desktop().ActiveWindow(), ha);
  ExpectZOrder({ha, hb});

  // Only the size; only the place.
  host::SetWindowPos(ha, 0, 99, 99, 50, 60, host::SWP_NOMOVE | host::SWP_NOZORDER);
  EXPECT_EQ(Desktop().Info(ha)->Bounds, (TRect{10, 20, 60, 80}));
  host::SetWindowPos(ha, 0, 5, 6, 999, 999, host::SWP_NOSIZE | host::SWP_NOZORDER);
  EXPECT_EQ(Desktop().Info(ha)->Bounds, (TRect{5, 6, 55, 66}));

  // HWND_BOTTOM sends it behind everything.
  host::SetWindowPos(ha, host::HWND_BOTTOM, 0, 0, 0, 0, kKeepAll);
  ExpectZOrder({hb, ha});
  EXPECT_EQ(host::SetWindowPos(0xDEAD, host::HWND_TOP, 0, 0, 0, 0, 0), host::FALSE);
}

TEST_F(Windows, HidingTheActiveWindowActivatesTheNextOne) {
  Client a, b, c;
  const HWND ha = Open(&a, {0, 0, 100, 100});
  const HWND hb = Open(&b, {0, 0, 100, 100});
  const HWND hc = Open(&c, {0, 0, 100, 100});
  ExpectZOrder({hc, hb, ha});

  EXPECT_NE(host::ShowWindow(hc, host::SW_HIDE), host::FALSE) << "it was visible";
  EXPECT_EQ(host::IsWindowVisible(hc), host::FALSE);
  EXPECT_EQ(Desktop().ActiveWindow(), hb);
  EXPECT_EQ(c.activations.back(), false);
  ExpectZOrder({hb, ha});
  EXPECT_EQ(host::ShowWindow(hc, host::SW_HIDE), host::FALSE) << "it was hidden already";

  // Hiding a window that is not active leaves the activation alone.
  host::ShowWindow(ha, host::SW_HIDE);
  EXPECT_EQ(Desktop().ActiveWindow(), hb);
  host::ShowWindow(hb, host::SW_HIDE);
  EXPECT_EQ(Desktop().ActiveWindow(), 0u) << "nothing visible is left to activate";

  EXPECT_EQ(host::ShowWindow(ha, host::SW_SHOWNOACTIVATE), host::FALSE);
  EXPECT_EQ(Desktop().ActiveWindow(), 0u);
  ExpectZOrder({ha});
  host::ShowWindow(hb, host::SW_SHOW);
  EXPECT_EQ(Desktop().ActiveWindow(), hb);
  EXPECT_EQ(host::ShowWindow(0xDEAD, host::SW_SHOW), host::FALSE);
}

TEST_F(Windows, DestroyingTheActiveWindowActivatesTheNextOne) {
  Client a, b;
  const HWND ha = Open(&a, {0, 0, 100, 100});
  const HWND hb = Open(&b, {0, 0, 100, 100});
  Desktop().DestroyWindow(hb);
  EXPECT_FALSE(Desktop().IsWindow(hb));
  EXPECT_FALSE(Desktop().Info(hb).has_value());
  EXPECT_EQ(Desktop().ActiveWindow(), ha);
  ExpectZOrder({ha});
  EXPECT_EQ(Desktop().Click(50, 50), ha);
}

TEST_F(Windows, ClickReachesTheFrontWindowInWindowCoordinates) {
  Client back, front;
  const HWND hback = Open(&back, {0, 0, 400, 400});
  const HWND hfront = Open(&front, {100, 50, 200, 150});
  EXPECT_EQ(Desktop().Click(130, 70), hfront);
  ASSERT_EQ(front.clicks.size(), 1u);
  EXPECT_EQ(front.clicks[0].X, 30);
  EXPECT_EQ(front.clicks[0].Y, 20);
  // The right and bottom edges are outside the window.
  EXPECT_EQ(Desktop().WindowFromPoint(199, 149), hfront);
  EXPECT_EQ(Desktop().WindowFromPoint(200, 100), hback);
  EXPECT_EQ(Desktop().WindowFromPoint(150, 150), hback);
  EXPECT_EQ(Desktop().Click(10, 10), hback);
  EXPECT_EQ(Desktop().ActiveWindow(), hback) << "a click activates the window it reaches";
  EXPECT_EQ(Desktop().Click(500, 500), 0u) << "the bare desktop";
}

TEST_F(Windows, RegionClipsClicksToTheWindowBehind) {
  Client back, bar;
  const HWND hback = Open(&back, {0, 0, 1024, 738});
  const HWND hbar = Open(&bar, {900, 0, 1000, 100});  // larger than its region
  const size_t regions_before = Desktop().RegionCount();
  const host::HRGN rgn = host::CreateRectRgn(0, 0, 45, 15);
  EXPECT_EQ(Desktop().RegionCount(), regions_before + 1);
  ASSERT_EQ(host::SetWindowRgn(hbar, rgn, host::FALSE), 1);
  // The system owns the region now: it is no longer the caller's to delete.
  EXPECT_EQ(Desktop().RegionCount(), regions_before);
  EXPECT_EQ(host::DeleteObject(rgn), host::FALSE);
  EXPECT_EQ(Desktop().Info(hbar)->Region, (TRect{0, 0, 45, 15}));

  struct Probe {
    int32_t x, y;
    HWND expected;
  };
  // The region is in window coordinates: from the window's top-left corner.
  const Probe probes[] = {{900, 0, hbar},   {944, 14, hbar},  {920, 7, hbar},  {945, 0, hback},
                          {900, 15, hback}, {950, 50, hback}, {899, 5, hback}, {999, 99, hback}};
  for (const Probe& p : probes) {
    SCOPED_TRACE(testing::Message() << "point " << p.x << "," << p.y);
    EXPECT_EQ(Desktop().WindowFromPoint(p.x, p.y), p.expected);
  }
  EXPECT_EQ(Desktop().Click(944, 14), hbar);
  ASSERT_EQ(bar.clicks.size(), 1u);
  EXPECT_EQ(bar.clicks[0].X, 44);
  EXPECT_EQ(bar.clicks[0].Y, 14);
  EXPECT_EQ(Desktop().Click(950, 50), hback);
  EXPECT_EQ(bar.clicks.size(), 1u);
  ASSERT_EQ(back.clicks.size(), 1u);
  EXPECT_EQ(back.clicks[0].X, 950);

  // No region: the whole window again.
  Desktop().Activate(hbar);
  ASSERT_EQ(host::SetWindowRgn(hbar, 0, host::FALSE), 1);
  EXPECT_EQ(Desktop().WindowFromPoint(950, 50), hbar);
}

TEST_F(Windows, FailedSetWindowRgnLeavesTheRegionToTheCaller) {
  const host::HRGN rgn = host::CreateRectRgn(45, 15, 0, 0);  // corners in either order
  EXPECT_EQ(Desktop().RegionRect(rgn), (TRect{0, 0, 45, 15}));
  EXPECT_EQ(host::SetWindowRgn(0xDEAD, rgn, host::FALSE), 0);
  EXPECT_EQ(host::DeleteObject(rgn), host::TRUE);
  EXPECT_EQ(host::DeleteObject(rgn), host::FALSE) << "deleted once only";
  Client c;
  const HWND h = Open(&c, {0, 0, 10, 10});
  EXPECT_EQ(host::SetWindowRgn(h, rgn, host::FALSE), 0) << "a deleted region";
  EXPECT_FALSE(Desktop().Info(h)->Region.has_value());
}

TEST_F(Windows, HiddenAndMinimisedWindowsLetClicksThroughDisabledOnesDoNot) {
  Client back, front;
  const HWND hback = Open(&back, {0, 0, 400, 400});
  const HWND hfront = Open(&front, {0, 0, 200, 200});
  host::ShowWindow(hfront, host::SW_HIDE);
  EXPECT_EQ(Desktop().Click(50, 50), hback);

  host::ShowWindow(hfront, host::SW_SHOW);
  host::ShowWindow(hfront, host::SW_MINIMIZE);
  EXPECT_EQ(Desktop().Click(50, 50), hback);
  host::ShowWindow(hfront, host::SW_RESTORE);
  EXPECT_EQ(Desktop().Click(50, 50), hfront);

  // A disabled window swallows the click: neither it nor the one behind gets it.
  Desktop().SetEnabled(hfront, false);
  const size_t back_clicks = back.clicks.size(), front_clicks = front.clicks.size();
  EXPECT_EQ(Desktop().Click(50, 50), 0u);
  EXPECT_EQ(back.clicks.size(), back_clicks);
  EXPECT_EQ(front.clicks.size(), front_clicks);
  EXPECT_EQ(Desktop().Click(300, 300), hback);
}

TEST_F(Windows, ResetForgetsWindowsAndRegions) {
  Client c;
  const HWND h = Open(&c, {0, 0, 10, 10});
  host::CreateRectRgn(0, 0, 1, 1);
  Desktop().Reset({800, 600, TaskbarEdge::Top, 20});
  EXPECT_FALSE(Desktop().IsWindow(h));
  EXPECT_EQ(Desktop().RegionCount(), 0u);
  EXPECT_EQ(Desktop().ActiveWindow(), 0u);
  EXPECT_EQ(Desktop().WorkArea(), (TRect{0, 20, 800, 600}));
}

}  // namespace
