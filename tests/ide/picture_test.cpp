// The picture of the desktop, read back pixel by pixel: the task bar and the
// desktop, frames and captions by border style, z-order, regions, minimised
// windows, the palette's tabs, the controls, the SVG form of the same drawing,
// and the errors for file names it cannot draw to.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/rtl/modules.h"
#include "host/vcl/comctrls.h"
#include "host/vcl/extctrls.h"
#include "host/vcl/forms.h"
#include "host/vcl/stdctrls.h"
#include "ide/picture.h"
#include "tests/support/files.h"
#include "tests/support/icons.h"
#include "tests/support/ide_session.h"
#include "tests/support/png.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kDesktop = 0x3A6EA5;
constexpr uint32_t kFace = 0xD4D0C8;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kShadow = 0x808080;
constexpr uint32_t kDarkShadow = 0x404040;
constexpr uint32_t kBlack = 0x000000;

using fleetforge_test::Image;
using fleetforge_test::ReadAll;
using fleetforge_test::ReadPng;

std::string Hex(uint32_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "#%06X", c & 0xFFFFFFu);
  return text;
}

int Channel(uint32_t c, int shift) {
  return static_cast<int>((c >> shift) & 0xFF);
}

// Whether two colours differ by at most `tolerance` in every channel.
bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift : {0, 8, 16})
    if (std::abs(Channel(a, shift) - Channel(b, shift)) > tolerance) return false;
  return true;
}

uint32_t Mix(uint32_t a, uint32_t b, double t) {
  uint32_t out = 0;
  for (int shift : {0, 8, 16}) {
    const double v = Channel(a, shift) + (Channel(b, shift) - Channel(a, shift)) * t;
    out |= static_cast<uint32_t>(std::lround(v)) << shift;
  }
  return out;
}

bool Dark(uint32_t c) {
  return Channel(c, 0) + Channel(c, 8) + Channel(c, 16) < 3 * 0x60;
}

// How many dark pixels the picture has in r (the right and bottom edges outside).
int DarkIn(const Image& image, const host::TRect& r) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += Dark(image.At(x, y));
  return n;
}

// The error drawing the desktop into file raises, or "(drawn)".
std::string DrawError(const std::string& file) {
  try {
    ide::DrawDesktopFile(file);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "(drawn)";
}

// Caption gradients, left to right across the caption bar.
constexpr uint32_t kActiveFrom = 0x0A246A, kActiveTo = 0xA6CAF0;
constexpr uint32_t kInactiveFrom = 0x808080, kInactiveTo = 0xC0C0C0;

uint32_t CaptionColour(bool active, int x, int barLeft, int barRight) {
  const double t = (x + 0.5 - barLeft) / (barRight - barLeft);
  return active ? Mix(kActiveFrom, kActiveTo, t) : Mix(kInactiveFrom, kInactiveTo, t);
}

// Well-formedness of an XML text: declarations, comments, and every element
// closed in order.
bool WellFormedXml(const std::string& text, std::string& why) {
  std::vector<std::string> open;
  size_t i = 0;
  bool root_seen = false;
  while ((i = text.find('<', i)) != std::string::npos) {
    if (text.compare(i, 4, "<!--") == 0) {
      const size_t end = text.find("-->", i);
      if (end == std::string::npos) return why = "unterminated comment", false;
      i = end + 3;
      continue;
    }
    const size_t end = text.find('>', i);
    if (end == std::string::npos) return why = "unterminated tag", false;
    const std::string tag = text.substr(i + 1, end - i - 1);
    i = end + 1;
    if (tag.empty()) return why = "empty tag", false;
    if (tag[0] == '?' || tag[0] == '!') continue;
    if (tag[0] == '/') {
      const std::string name = tag.substr(1);
      if (open.empty() || open.back() != name) return why = "unexpected </" + name + ">", false;
      open.pop_back();
      continue;
    }
    const std::string name = tag.substr(0, tag.find_first_of(" \t\r\n/"));
    if (open.empty() && root_seen) return why = "a second root element <" + name + ">", false;
    root_seen = true;
    if (tag.back() != '/') open.push_back(name);
  }
  if (!open.empty()) return why = "<" + open.back() + "> is never closed", false;
  if (!root_seen) return why = "no element", false;
  return true;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t i = text.find(what); i != std::string::npos; i = text.find(what, i + what.size()))
    ++n;
  return n;
}

class Picture : public ::testing::Test {
 protected:
  void SetUp() override {
    host::RegistryLocation::UseMemory();
    folder_ = fleetforge_test::ScratchFolder("picture");
  }
  void TearDown() override {
    session_.reset();
    host::RegistryLocation::Reset();
  }

  // Starts the IDE; with the add-in, the options are stored first.
  void Start(fleetforge_test::SessionSetup setup = {.LoadAtStartUp = false}) {
    session_ = fleetforge_test::MakeSession(setup, folder_ + "/projects");
    session_->StartUp();
    session_->Do("wait 2000");
  }
  void StartWithLayout(bool hideCaptions, bool maximizeEditor) {
    fleetforge_test::StoreOptions({.CloseDefault = true,
                                   .HideCaptions = hideCaptions,
                                   .MaximizeEditor = maximizeEditor,
                                   .CreateCompDate = true,
                                   .ObjectInspectorHeight = 300});
    Start({});
  }

  std::string File(const std::string& name) const { return folder_ + "/" + name; }
  Image Draw() {
    const std::string file = File("desktop-" + std::to_string(++draws_) + ".png");
    ide::DrawDesktopFile(file);
    return ReadPng(file);
  }

  // A form of our own on the desktop, freed with the IDE's forms.
  host::TForm* AddForm(const std::string& caption, host::TFormBorderStyle style, host::TRect r) {
    auto* form = new host::TForm(host::Application);
    form->SetCaption(caption);
    form->SetBorderStyle(style);
    form->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    return form;
  }

  // A point of the work area that no shown window covers.
  bool FindUncovered(int& x, int& y) const {
    const host::WindowSystem& ws = host::WindowSystem::Instance();
    const host::TRect wa = ws.WorkArea();
    for (y = wa.Top; y < wa.Bottom; ++y)
      for (x = wa.Left; x < wa.Right; ++x) {
        bool covered = false;
        for (host::HWND h : ws.ZOrder()) {
          const std::optional<host::WindowInfo> w = ws.Info(h);
          if (w->Minimized || !w->Bounds.Contains(x, y)) continue;
          if (w->Region && !w->Region->Contains(x - w->Bounds.Left, y - w->Bounds.Top)) continue;
          covered = true;
          break;
        }
        if (!covered) return true;
      }
    return false;
  }

  std::string folder_;
  std::unique_ptr<ide::Session> session_;
  int draws_ = 0;
};

TEST_F(Picture, IsAsLargeAsTheScreen) {
  Start({.Screen = {800, 600, host::TaskbarEdge::Top, 28}, .LoadAtStartUp = false});
  const Image image = Draw();
  EXPECT_EQ(image.Width, 800);
  EXPECT_EQ(image.Height, 600);
}

TEST_F(Picture, TaskBarAndUncoveredDesktop) {
  Start();
  const Image image = Draw();
  const host::TRect bar = host::WindowSystem::Instance().TaskbarRect();
  ASSERT_EQ(bar, (host::TRect{0, 738, 1024, 768}));
  EXPECT_EQ(Hex(image.At(600, bar.Top + 15)), Hex(kFace)) << "the bar is button-face grey";
  EXPECT_EQ(Hex(image.At(600, bar.Top + 1)), Hex(kWhite)) << "its raised upper edge";
  int x = 0, y = 0;
  ASSERT_TRUE(FindUncovered(x, y)) << "the IDE leaves no gap between its windows";
  EXPECT_EQ(Hex(image.At(x, y)), Hex(kDesktop)) << "at " << x << "," << y;
}

TEST_F(Picture, TaskBarOnOtherEdges) {
  const struct {
    host::TaskbarEdge Edge;
    int X, Y;  // a point inside the bar
  } cases[] = {{host::TaskbarEdge::Top, 500, 14},
               {host::TaskbarEdge::Left, 14, 400},
               {host::TaskbarEdge::Right, 1024 - 14, 400}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Edge));
    Start({.Screen = {1024, 768, c.Edge, 30}, .LoadAtStartUp = false});
    const Image image = Draw();
    ASSERT_TRUE(host::WindowSystem::Instance().TaskbarRect().Contains(c.X, c.Y));
    EXPECT_EQ(Hex(image.At(c.X, c.Y)), Hex(kFace));
    int x = 0, y = 0;
    if (FindUncovered(x, y)) {
      EXPECT_EQ(Hex(image.At(x, y)), Hex(kDesktop));
    }
    session_.reset();
  }
}

TEST_F(Picture, TaskBarHoldsTheApplicationsButtonWhileItHasWindows) {
  Start();
  const host::TRect bar = host::WindowSystem::Instance().TaskbarRect();
  // Between the Start button and the clock.
  const auto buttons = [&](const Image& image) {
    int marks = 0;
    for (int y = bar.Top + 3; y < bar.Bottom - 2; ++y)
      for (int x = 60; x < 900; ++x) marks += image.At(x, y) != kFace;
    return marks;
  };
  const Image with_icon = Draw();
  EXPECT_GT(buttons(with_icon), 0);
  // An empty icon draws nothing: the button shows its face where the icon was,
  // and nothing else on the task bar changes.
  const host::HICON icon = host::Application->Icon()->Handle();
  host::Application->Icon()->SetHandle(0);
  const Image without = Draw();
  host::Application->Icon()->SetHandle(icon);
  host::TRect changed{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (int y = bar.Top; y < bar.Bottom; ++y)
    for (int x = bar.Left; x < bar.Right; ++x)
      if (with_icon.At(x, y) != without.At(x, y))
        changed = {std::min(changed.Left, x), std::min(changed.Top, y),
                   std::max(changed.Right, x + 1), std::max(changed.Bottom, y + 1)};
  EXPECT_GT(changed.Width(), 0) << "the icon was drawn";
  EXPECT_LE(changed.Width(), 16);
  EXPECT_LE(changed.Height(), 16);
  for (int y = changed.Top; y < changed.Bottom; ++y)
    for (int x = changed.Left; x < changed.Right; ++x)
      EXPECT_EQ(Hex(without.At(x, y)), Hex(without.At(changed.Left, changed.Top)));
  host::Application->Minimize();
  const Image minimised = Draw();
  EXPECT_GT(buttons(minimised), 0) << "a minimised application keeps its button";
  EXPECT_EQ(Hex(minimised.At(500, 10)), Hex(kDesktop)) << "its windows are not drawn";
  host::Application->Restore();
  for (int i = 0; i < host::Screen->FormCount(); ++i) host::Screen->Forms(i)->Hide();
  EXPECT_EQ(buttons(Draw()), 0) << "no window, no button";
}

TEST_F(Picture, CaptionsAreActiveOrInactive) {
  Start();
  host::TForm* first = AddForm("A", host::bsSingle, {300, 300, 500, 400});
  first->Show();
  const int f = first->FrameWidth();
  ASSERT_EQ(f, 3);
  const int bar_left = f, bar_right = 200 - f;
  const int x = 100, y = f + 9;  // right of the text, left of the buttons
  Image image = Draw();
  EXPECT_TRUE(Near(image.At(300 + x, 300 + y), CaptionColour(true, x, bar_left, bar_right), 4))
      << Hex(image.At(300 + x, 300 + y));
  EXPECT_TRUE(Near(image.At(300 + bar_left, 300 + y), kActiveFrom, 8));

  host::TForm* second = AddForm("B", host::bsSingle, {600, 500, 800, 600});
  second->Show();
  image = Draw();
  EXPECT_TRUE(Near(image.At(300 + x, 300 + y), CaptionColour(false, x, bar_left, bar_right), 4))
      << "the first form is inactive now: " << Hex(image.At(300 + x, 300 + y));
  EXPECT_TRUE(Near(image.At(600 + x, 500 + y), CaptionColour(true, x, bar_left, bar_right), 4));

  host::Application->SetActive(false);
  image = Draw();
  EXPECT_TRUE(Near(image.At(600 + x, 500 + y), CaptionColour(false, x, bar_left, bar_right), 4))
      << "no caption is active while another application is";
}

TEST_F(Picture, FramesAndCaptionsFollowTheBorderStyle) {
  Start();
  const struct {
    host::TFormBorderStyle Style;
    int Frame, Caption;
  } styles[] = {{host::bsNone, 0, 0},        {host::bsSingle, 3, 19},
                {host::bsDialog, 3, 19},     {host::bsSizeable, 4, 19},
                {host::bsToolWindow, 3, 15}, {host::bsSizeToolWin, 4, 15}};
  const int left = 400, top = 300, w = 240, h = 120, mid = h / 2;
  for (const auto& s : styles) {
    SCOPED_TRACE(host::BorderStyleName(s.Style));
    host::TForm* form = AddForm("", s.Style, {left, top, left + w, top + h});
    form->Show();
    ASSERT_EQ(form->FrameWidth(), s.Frame);
    ASSERT_EQ(form->CaptionHeight(), s.Caption);
    const Image image = Draw();
    const auto at = [&](int x, int y) { return image.At(left + x, top + y); };
    if (s.Frame > 0) {
      EXPECT_EQ(Hex(at(0, mid)), Hex(kFace));
      EXPECT_EQ(Hex(at(1, mid)), Hex(kWhite));
      EXPECT_EQ(Hex(at(w - 1, mid)), Hex(kDarkShadow));
      EXPECT_EQ(Hex(at(w - 2, mid)), Hex(kShadow));
      EXPECT_EQ(Hex(at(mid, h - 1)), Hex(kDarkShadow));
      // The caption's last row is a face line; above it the gradient.
      const int x = w / 2;
      EXPECT_TRUE(
          Near(at(x, s.Frame + s.Caption - 2), CaptionColour(true, x, s.Frame, w - s.Frame), 4))
          << Hex(at(x, s.Frame + s.Caption - 2));
      EXPECT_EQ(Hex(at(x, s.Frame + s.Caption - 1)), Hex(kFace));
      EXPECT_EQ(Hex(at(x, s.Frame + s.Caption)), Hex(kFace)) << "the client area";
    } else {
      for (int y : {0, 1, 5, mid, h - 1}) EXPECT_EQ(Hex(at(1, y)), Hex(kFace)) << y;
      EXPECT_EQ(Hex(at(w - 1, mid)), Hex(kFace));
    }
    delete form;
  }
}

TEST_F(Picture, CaptionButtonsFollowTheBorderIcons) {
  Start();
  // Counts dark glyph pixels in the caption bar right of its middle.
  const auto glyphs = [&](const Image& image, int left, int top, int w, int f, int ch) {
    int n = 0;
    for (int y = top + f + 2; y < top + f + ch - 2; ++y)
      for (int x = left + w / 2; x < left + w - f; ++x) n += image.At(x, y) == kBlack;
    return n;
  };
  host::TForm* form = AddForm("", host::bsSizeable, {300, 300, 600, 420});
  form->Show();
  form->SetBorderIcons(host::biSystemMenu | host::biMinimize | host::biMaximize);
  const int all = glyphs(Draw(), 300, 300, 300, 4, 19);
  form->SetBorderIcons(host::biSystemMenu);
  const int close_only = glyphs(Draw(), 300, 300, 300, 4, 19);
  form->SetBorderIcons(0);
  const int none = glyphs(Draw(), 300, 300, 300, 4, 19);
  EXPECT_GT(close_only, 0);
  EXPECT_GT(all, close_only);
  EXPECT_EQ(none, 0);
}

// A caption shows the form's own icon, else the application's; the task bar
// button shows the application's.
TEST_F(Picture, ACaptionShowsItsFormsIconElseTheApplications) {
  Start();
  host::TForm* form = AddForm("Own icon", host::bsSingle, {300, 300, 500, 400});
  form->Show();
  const host::HMODULE package = host::LoadLibrary(FLEETFORGE_DEFAULT_PACKAGE);
  const auto image = [](const host::TIcon& icon) {
    const host::IconPixels px = icon.ImageForSize(16);
    return Image{px.Width, px.Height, px.Pixels};
  };
  const Image ide_icon = image(*host::Application->Icon());
  host::TIcon own;
  own.SetHandle(host::LoadIconA(package, "FLEETFORGED7ICON"));
  const Image own_icon = image(own);
  // Where an icon shows: in the form's caption, on the task bar.
  const auto where = [&](const Image& icon, const Image& picture) {
    std::pair<int, int> found{0, 0};
    for (const auto& place : fleetforge_test::PlacesOf(icon, picture)) {
      found.first += place.X >= 300 && place.X < 500 && place.Y >= 300 && place.Y < 330;
      found.second += place.Y >= host::WindowSystem::Instance().TaskbarRect().Top;
    }
    return found;
  };
  const Image before = Draw();
  EXPECT_EQ(where(ide_icon, before), std::make_pair(1, 1));
  form->Icon()->SetHandle(own.Handle());
  const Image after = Draw();
  EXPECT_EQ(where(own_icon, after), std::make_pair(1, 0));
  EXPECT_EQ(where(ide_icon, after), std::make_pair(0, 1));
  form->Icon()->SetHandle(0);
  host::FreeLibrary(package);
}

TEST_F(Picture, RegionClipsTheWindow) {
  Start();
  const Image before = Draw();
  host::TForm* form = AddForm("", host::bsSingle, {500, 400, 700, 500});
  form->Show();
  ASSERT_EQ(host::SetWindowRgn(form->Handle(), host::CreateRectRgn(0, 0, 45, 15), host::FALSE), 1);
  const Image after = Draw();
  EXPECT_EQ(Hex(after.At(500 + 0, 400 + 10)), Hex(kFace)) << "inside the region the frame shows";
  EXPECT_EQ(Hex(after.At(500 + 1, 400 + 10)), Hex(kWhite));
  EXPECT_TRUE(Near(after.At(500 + 40, 400 + 8), CaptionColour(true, 40, 3, 197), 4))
      << Hex(after.At(500 + 40, 400 + 8));
  for (const auto& [x, y] :
       std::vector<std::pair<int, int>>{{50, 8}, {100, 50}, {10, 20}, {199, 99}})
    EXPECT_EQ(Hex(after.At(500 + x, 400 + y)), Hex(before.At(500 + x, 400 + y)))
        << "outside the region at " << x << "," << y;
}

TEST_F(Picture, FrontWindowCoversTheOneBehind) {
  Start();
  // One form's client is a white edit, the other's is plain face.
  host::TForm* white = AddForm("White", host::bsSingle, {300, 300, 500, 450});
  auto* edit = new host::TEdit(white);
  edit->SetParent(white);
  edit->SetBounds(0, 0, white->ClientWidth(), white->ClientHeight());
  host::TForm* plain = AddForm("Plain", host::bsSingle, {400, 350, 600, 500});
  white->Show();
  plain->Show();
  const int x = 450, y = 420;  // in both clients
  EXPECT_EQ(Hex(Draw().At(x, y)), Hex(kFace));
  white->Show();  // to the front
  EXPECT_EQ(Hex(Draw().At(x, y)), Hex(kWhite));
  // The top-most band stays in front of a window brought up later.
  host::SetWindowPos(plain->Handle(), host::HWND_TOPMOST, 0, 0, 0, 0,
                     host::SWP_NOSIZE | host::SWP_NOMOVE | host::SWP_NOACTIVATE);
  white->Show();
  EXPECT_EQ(Hex(Draw().At(x, y)), Hex(kFace));
}

TEST_F(Picture, HiddenAndMinimisedWindowsAreNotDrawn) {
  Start();
  const Image before = Draw();
  host::TForm* form = AddForm("Gone", host::bsSizeable, {500, 400, 700, 500});
  form->Show();
  EXPECT_NE(Hex(Draw().At(600, 450)), Hex(before.At(600, 450)));
  form->SetWindowState(host::wsMinimized);
  EXPECT_EQ(Hex(Draw().At(600, 450)), Hex(before.At(600, 450)));
  form->SetWindowState(host::wsNormal);
  host::ShowWindow(form->Handle(), host::SW_HIDE);
  EXPECT_EQ(Hex(Draw().At(600, 450)), Hex(before.At(600, 450)));
}

TEST_F(Picture, PaletteTabsAsTheIdeMakesThem) {
  Start();
  host::TTabControl* palette = session_->GetIde().Palette();
  ASSERT_NE(palette, nullptr);
  ASSERT_EQ(palette->Style(), host::tsTabs);
  const Image image = Draw();
  const host::TPoint o = palette->ScreenOrigin();
  const auto rects = palette->TabRects();
  ASSERT_GT(rects.size(), 2u);
  const host::TRect selected = rects[0].Bounds, other = rects[1].Bounds;
  ASSERT_EQ(palette->TabIndex(), rects[0].Index);
  // An unselected tab: its white top line, the face above it; the page's white
  // top edge runs below it.
  EXPECT_EQ(Hex(image.At(o.X + other.Left + 4, o.Y + other.Top)), Hex(kWhite));
  EXPECT_EQ(Hex(image.At(o.X + other.Left + 4, o.Y + other.Top - 2)), Hex(kFace));
  EXPECT_EQ(Hex(image.At(o.X + other.Left + 4, o.Y + other.Bottom)), Hex(kWhite));
  // The selected tab stands two pixels higher and opens into the page.
  EXPECT_EQ(Hex(image.At(o.X + selected.Left + 4, o.Y + selected.Top - 2)), Hex(kWhite));
  EXPECT_EQ(Hex(image.At(o.X + selected.Left + 4, o.Y + selected.Bottom)), Hex(kFace));
  // Each tab shows its text.
  for (const auto& t : {rects[0], rects[1]}) {
    EXPECT_GT(DarkIn(image, {o.X + t.Bounds.Left, o.Y + t.Bounds.Top, o.X + t.Bounds.Right,
                             o.Y + t.Bounds.Bottom}),
              10)
        << palette->Tabs()[static_cast<size_t>(t.Index)];
  }
}

TEST_F(Picture, PaletteAsFlatButtonsInRows) {
  StartWithLayout(true, true);
  host::TTabControl* palette = session_->GetIde().Palette();
  ASSERT_NE(palette, nullptr);
  ASSERT_EQ(palette->Style(), host::tsFlatButtons) << "the add-in did not take the palette over";
  ASSERT_GT(palette->RowCount(), 1);
  const Image image = Draw();
  const host::TPoint o = palette->ScreenOrigin();
  const auto rects = palette->TabRects();
  const host::TRect selected = rects[0].Bounds, other = rects[1].Bounds;
  EXPECT_EQ(Hex(image.At(o.X + selected.Left, o.Y + selected.Top + 5)), Hex(kShadow))
      << "the selected button is sunken";
  EXPECT_EQ(Hex(image.At(o.X + other.Left, o.Y + other.Top + 5)), Hex(kFace))
      << "the others have no border";
  // The last row holds its buttons' text as well.
  const auto& last = rects.back();
  ASSERT_GT(last.Bounds.Top, 0);
  EXPECT_GT(DarkIn(image, {o.X + last.Bounds.Left, o.Y + last.Bounds.Top, o.X + last.Bounds.Right,
                           o.Y + last.Bounds.Bottom}),
            10);
}

TEST_F(Picture, HiddenCaptionLeavesTheMenuBarOnTop) {
  StartWithLayout(true, true);
  host::TForm* main = host::Application->MainForm();
  ASSERT_EQ(main->BorderStyle(), host::bsNone);
  const Image image = Draw();
  const host::TRect wa = host::WindowSystem::Instance().WorkArea();
  // Left of the caption button bar, which covers the last 45 pixels.
  EXPECT_EQ(Hex(image.At(wa.Left + main->Width() - 60, wa.Top + 5)), Hex(kFace))
      << "the menu bar, not a caption";
  EXPECT_GT(DarkIn(image, {wa.Left, wa.Top, wa.Left + 40, wa.Top + main->MenuBarHeight()}), 10)
      << "the first menu's caption";
}

TEST_F(Picture, MenuBarShowsTheTopLevelItems) {
  Start();
  host::TForm* main = host::Application->MainForm();
  const Image image = Draw();
  const int f = main->FrameWidth(), top = f + main->CaptionHeight();
  // Dark text in the first 500 pixels, nothing at the far right.
  const int y0 = main->Top() + top, y1 = y0 + main->MenuBarHeight();
  EXPECT_GT(DarkIn(image, {main->Left() + f, y0, main->Left() + 500, y1}), 100);
  EXPECT_EQ(
      DarkIn(image, {main->Left() + main->Width() - 100, y0, main->Left() + main->Width() - f, y1}),
      0);
}

TEST_F(Picture, ControlsDrawnAndClippedToTheirParent) {
  Start();
  host::TForm* form = AddForm("Controls", host::bsDialog, {300, 200, 600, 400});
  const auto add = [&](host::TControl* c, int x, int y, int w, int h, const char* caption) {
    c->SetParent(form);
    c->SetBounds(x, y, w, h);
    c->SetCaption(caption);
    return c;
  };
  auto* ok = static_cast<host::TButton*>(add(new host::TButton(form), 10, 10, 75, 25, "OK"));
  ok->SetDefault(true);
  add(new host::TButton(form), 100, 10, 75, 25, "&Cancel");
  auto* on = static_cast<host::TCheckBox*>(add(new host::TCheckBox(form), 10, 50, 120, 17, "On"));
  on->SetChecked(true);
  add(new host::TCheckBox(form), 150, 50, 120, 17, "Off");
  add(new host::TEdit(form), 10, 80, 100, 21, "");
  add(new host::TLabel(form), 10, 110, 100, 16, "Label");
  add(new host::TEdit(form), 250, 140, 200, 21, "");  // beyond the client's right edge
  form->Show();
  const Image image = Draw();
  const host::TPoint c = form->ClientOrigin();
  const auto at = [&](int x, int y) { return image.At(300 + c.X + x, 200 + c.Y + y); };
  const auto dark = [&](int left, int top, int right, int bottom) {  // client coordinates
    return DarkIn(image,
                  {300 + c.X + left, 200 + c.Y + top, 300 + c.X + right, 200 + c.Y + bottom});
  };
  EXPECT_EQ(Hex(at(10, 22)), Hex(kBlack)) << "the default button's outer line";
  EXPECT_EQ(Hex(at(100, 22)), Hex(kWhite)) << "another button's raised edge";
  EXPECT_GT(dark(103, 13, 172, 32), 10) << "caption text inside the edges";
  const auto box_marks = [&](int left) {
    const int top = 50 + (17 - 13) / 2;
    return dark(left + 2, top + 2, left + 11, top + 11);
  };
  EXPECT_GT(box_marks(10), 5) << "the checked box's tick";
  EXPECT_EQ(box_marks(150), 0) << "the empty box";
  EXPECT_EQ(Hex(at(60, 90)), Hex(kWhite)) << "the edit's field";
  EXPECT_EQ(Hex(at(10, 80)), Hex(kShadow)) << "the edit's sunken edge";
  EXPECT_GT(dark(10, 110, 60, 126), 10);
  // The edit that sticks out stops at the client's edge: the frame shows there.
  EXPECT_EQ(Hex(at(form->ClientWidth() - 2, 150)), Hex(kWhite));
  EXPECT_EQ(Hex(image.At(300 + 300 - 1, 200 + c.Y + 150)), Hex(kDarkShadow));
  EXPECT_EQ(Hex(image.At(300 + 300 - 2, 200 + c.Y + 150)), Hex(kShadow));
}

// The options dialog as the IDE shows it, drawn while it is open; look is handed
// the dialog, the picture and the dialog's client origin on the screen.
void LookAtOptionsDialog(
    const std::string& folder,
    const std::function<void(host::TForm&, const Image&, host::TPoint)>& look) {
  int draws = 0;
  ide::SessionOptions options = fleetforge_test::SessionOptionsFor({}, folder + "/projects");
  options.OnState = [&](const nlohmann::json&) {
    host::TForm* dialog = host::Screen->ActiveForm();
    ASSERT_NE(dialog, nullptr);
    const std::string file = folder + "/dialog-" + std::to_string(++draws) + ".png";
    ide::DrawDesktopFile(file);
    const host::TPoint c = dialog->ClientOrigin();
    look(*dialog, ReadPng(file), {dialog->Left() + c.X, dialog->Top() + c.Y});
  };
  ide::Session session(std::move(options));
  session.StartUp();
  session.QueueInput("state\nkey esc");
  session.Do("menu Tools>Fleetforge Options...");
  EXPECT_EQ(draws, 1);
}

template <typename T>
T& Control(host::TForm& form, const char* name) {
  auto* control = dynamic_cast<T*>(form.FindComponent(name));
  if (control == nullptr) throw std::runtime_error(std::string("no control ") + name);
  return *control;
}

TEST_F(Picture, OptionsDialogShowsEachControlAsItsPropertiesSay) {
  // The logo's icon as icotool extracts its 32 x 32, 256-colour image.
  Image logo;
  LookAtOptionsDialog(folder_, [&](host::TForm& dialog, const Image& image, host::TPoint c) {
    const auto& im = Control<host::TImage>(dialog, "imLogo2");
    const std::string& data = im.Picture().Data();
    std::ofstream(File("logo.ico"), std::ios::binary)
        << data.substr(1 + static_cast<unsigned char>(data[0]));
    logo = fleetforge_test::IcotoolImage(File("logo.ico"), 32, 8);
    bool logo_at_its_place = false;
    for (const auto& place : fleetforge_test::PlacesOf(logo, image))
      logo_at_its_place |= place.X == c.X + im.Left() && place.Y == c.Y + im.Top();
    EXPECT_TRUE(logo_at_its_place) << "the visible logo, imLogo2, shows its icon";

    // The up-down's two arrows, one in each half.
    const auto& ud = Control<host::TUpDown>(dialog, "udOIHeight");
    const int x = c.X + ud.Left(), y = c.Y + ud.Top(), half = ud.Height() / 2;
    EXPECT_GE(DarkIn(image, {x + 2, y + 2, x + ud.Width() - 2, y + half - 1}), 6) << "up";
    EXPECT_GE(DarkIn(image, {x + 2, y + half + 2, x + ud.Width() - 2, y + ud.Height() - 2}), 6)
        << "down";

    // Each top-line bevel is one etched line: shadow, then highlight, then the face.
    for (const char* name : {"Bevel1", "Bevel2"}) {
      const auto& bevel = Control<host::TBevel>(dialog, name);
      SCOPED_TRACE(name);
      for (int dx : {0, bevel.Width() / 2, bevel.Width() - 1}) {
        const int bx = c.X + bevel.Left() + dx, by = c.Y + bevel.Top();
        EXPECT_EQ(Hex(image.At(bx, by)), Hex(kShadow));
        EXPECT_EQ(Hex(image.At(bx, by + 1)), Hex(kWhite));
        EXPECT_EQ(Hex(image.At(bx, by + 2)), Hex(kFace));
      }
    }

    // The bold labels: drawn in the regular weight, the same text darkens fewer pixels.
    for (const char* name : {"labVersion", "Label1"}) {
      auto& label = Control<host::TLabel>(dialog, name);
      const host::TRect r{c.X + label.Left(), c.Y + label.Top(), c.X + label.Left() + label.Width(),
                          c.Y + label.Top() + label.Height()};
      label.Font().SetStyle(0);
      const std::string regular = File(std::string(name) + "-regular.png");
      ide::DrawDesktopFile(regular);
      EXPECT_GT(DarkIn(image, r), DarkIn(ReadPng(regular), r) + 5) << name << " is drawn bold";
    }
  });
  ASSERT_FALSE(logo.Pixels.empty());
}

// Every caption of the add-in's dialog fits the room its control gives it in
// the face the pictures draw the dialog font in: the form image sizes its
// controls for the real font's widths.
TEST_F(Picture, EveryDialogCaptionShowsWhole) {
  int checked = 0;
  LookAtOptionsDialog(folder_, [&](host::TForm& dialog, const Image&, host::TPoint) {
    for (int32_t i = 0; i < dialog.ControlCount(); ++i) {
      host::TControl& control = *dialog.Controls(i);
      int room = -1;
      if (dynamic_cast<host::TLabel*>(&control) != nullptr)
        room = control.Width();
      else if (dynamic_cast<host::TCheckBox*>(&control) != nullptr)
        room = control.Width() - 17;  // right of the box
      else if (dynamic_cast<host::TButton*>(&control) != nullptr)
        room = control.Width() - 4;  // inside the edges
      if (room < 0) continue;
      ++checked;
      const bool bold = (control.Font().Style() & host::fsBold) != 0;
      EXPECT_LE(ide::PictureTextWidth(control.Caption(), bold), room)
          << control.Name() << ": \"" << control.Caption() << "\"";
    }
  });
  EXPECT_EQ(checked, 12) << "five labels, five check boxes, two buttons";
}

TEST_F(Picture, EditorCodeAreaIsWhite) {
  Start();
  host::TForm* editor = session_->GetIde().FindForm("EditWindow_0");
  ASSERT_NE(editor, nullptr);
  const Image image = Draw();
  const host::TPoint o = editor->ClientOrigin();
  const int x = editor->Left() + o.X + editor->ClientWidth() - 20;
  const int y = editor->Top() + o.Y + editor->ClientHeight() / 2;
  EXPECT_EQ(Hex(image.At(x, y)), Hex(kWhite));
}

TEST_F(Picture, SvgIsTheSameDrawing) {
  Start();
  host::TForm* main = host::Application->MainForm();
  const std::string file = File("desktop.svg");
  ide::DrawDesktopFile(file);
  const std::string svg = ReadAll(file);
  ASSERT_FALSE(svg.empty());
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  std::string why;
  EXPECT_TRUE(WellFormedXml(svg, why)) << why;
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("width=\"1024pt\" height=\"768pt\""), std::string::npos);
  char desktop[96];
  std::snprintf(desktop, sizeof desktop, "fill:rgb(%f%%,%f%%,%f%%)", 0x3A * 100.0 / 255,
                0x6E * 100.0 / 255, 0xA5 * 100.0 / 255);
  EXPECT_NE(svg.find(desktop), std::string::npos) << "the desktop colour " << desktop;
  // The SVG draws text as glyphs: a longer main caption adds exactly its letters.
  const size_t glyphs = Count(svg, "<use xlink:href=\"#glyph");
  EXPECT_GT(glyphs, main->Caption().size());
  main->SetCaption(main->Caption() + " [x]");
  ide::DrawDesktopFile(file);
  const std::string longer = ReadAll(file);
  EXPECT_EQ(Count(longer, "<use xlink:href=\"#glyph"), glyphs + 4);
  // The same screen drawn again, after other pictures, is the same file.
  Draw();
  ide::DrawDesktopFile(file);
  EXPECT_EQ(ReadAll(file), longer);
}

TEST_F(Picture, FileNameDecidesTheFormat) {
  Start();
  for (const char* name : {"upper.PNG", "mixed.Png"}) {
    ide::DrawDesktopFile(File(name));
    EXPECT_EQ(ReadPng(File(name)).Width, 1024) << name;
  }
  ide::DrawDesktopFile(File("upper.SVG"));
  EXPECT_EQ(ReadAll(File("upper.SVG")).rfind("<?xml", 0), 0u);
  for (const char* name : {"picture.bmp", "picture", "picture.png.txt", "png", "picture.svgz"}) {
    const std::string file = File(name);
    EXPECT_EQ(DrawError(file), "cannot draw " + file + ": use a .svg or .png file name");
    EXPECT_FALSE(fs::exists(file)) << name;
  }
}

TEST_F(Picture, WriteFailureNamesTheFile) {
  Start();
  for (const char* name : {"missing/desktop.png", "missing/desktop.svg"}) {
    const std::string file = File(name);
    const std::string error = DrawError(file);
    EXPECT_NE(error.find(file), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(file));
  }
}

}  // namespace
