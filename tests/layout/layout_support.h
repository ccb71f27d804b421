// What the layout tests share: the screens they run on, window boxes, the
// option switches a test starts with, and a session of the reference IDE on one
// screen with them stored.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>

#include "global/OptionsRecord.h"
#include "host/vcl/comctrls.h"
#include "host/vcl/forms.h"
#include "tests/support/ide_session.h"

namespace FleetforgeMain {
class TFleetforgeMainObject;
}

namespace layout_test {

using FleetforgeMain::TFleetforgeMainObject;
using host::TForm;

// A screen and the work area and metrics the window system must report for it
// (classic theme: a 19-pixel caption, 4-pixel frames).
struct ScreenCase {
  const char* Label;
  host::ScreenDescription Screen;
  host::TRect WorkArea;
  int32_t CyFullScreen;  // work-area height - caption
  int32_t CxMaximized;   // work-area width + 2 frames
};

inline const ScreenCase kBottom1024x768{
    "Bottom1024x768", {1024, 768, host::TaskbarEdge::Bottom, 30}, {0, 0, 1024, 738}, 719, 1032};
inline const ScreenCase kTop1280x1024{
    "Top1280x1024", {1280, 1024, host::TaskbarEdge::Top, 30}, {0, 30, 1280, 1024}, 975, 1288};
inline const ScreenCase kLeft1024x768{
    "Left1024x768", {1024, 768, host::TaskbarEdge::Left, 30}, {30, 0, 1024, 768}, 749, 1002};

inline void PrintTo(const ScreenCase& screen, std::ostream* out) {
  *out << screen.Label;
}
// Names a test instance after its screen.
inline std::string ScreenName(const ::testing::TestParamInfo<ScreenCase>& info) {
  return info.param.Label;
}

// How many buttons fit under the palette's tabs: what the IDE's own resize
// handler counts.
inline int32_t ButtonsThatFit(const host::TTabControl* palette) {
  return std::max(palette->DisplayRect().Width(), 0) / 24;
}

// A window's place and size.
struct Box {
  int64_t Left, Top, Width, Height;
  bool operator==(const Box&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "(left " << b.Left << ", top " << b.Top << ", " << b.Width << " x " << b.Height
             << ")";
}
inline Box BoxOf(const host::TControl* c) {
  return {c->Left(), c->Top(), c->Width(), c->Height()};
}

// The option switches a test starts with.
struct Switches {
  bool CloseDefault = false;
  bool HideCaptions = true;
  bool MaximizeEditor = true;
  int32_t InspectorHeight = 300;
};

// A session of the reference IDE on one screen, with the options stored first.
class LayoutSession {
 public:
  explicit LayoutSession(const host::ScreenDescription& screen) : screen_(screen) {}
  ~LayoutSession() { Stop(); }

  void Start(const Switches& s, bool withPackage = true) {
    Stop();
    host::RegistryLocation::UseMemory();
    fleetforge_test::StoreOptions({.CloseDefault = s.CloseDefault,
                                   .HideCaptions = s.HideCaptions,
                                   .MaximizeEditor = s.MaximizeEditor,
                                   .ObjectInspectorHeight = s.InspectorHeight});
    projects_ = fleetforge_test::ScratchFolder("layout-life");
    session_ =
        fleetforge_test::MakeSession({.Screen = screen_, .LoadAtStartUp = withPackage}, projects_);
    session_->StartUp();
  }
  void Stop() {
    session_.reset();
    host::RegistryLocation::Reset();
    std::error_code ignored;
    if (!projects_.empty()) std::filesystem::remove_all(projects_, ignored);
  }

  ide::Session& S() { return *session_; }
  ide::Ide& Ide() { return session_->GetIde(); }
  TForm* Form(const char* name) { return Ide().FindForm(name); }
  TForm* Main() { return Ide().MainForm(); }
  const std::string& Projects() const { return projects_; }

  template <class F>
  F Export(const char* name) {
    return reinterpret_cast<F>(const_cast<void*>(host::GetProcAddress(Ide().Package(), name)));
  }
  TFleetforgeMainObject* Manager() {
    const auto* variable = static_cast<TFleetforgeMainObject* const*>(
        Ide().PackageVariable("FleetforgeMain.FleetforgeMainObject"));
    return variable != nullptr ? *variable : nullptr;
  }
  FleetforgeGlobal::TOptionsRecord* Options() {
    return static_cast<FleetforgeGlobal::TOptionsRecord*>(
        const_cast<void*>(Ide().PackageVariable("FleetforgeGlobal.Options")));
  }
  // Creates an empty file below the projects folder and returns its path.
  std::string MakeFile(const std::string& relative) {
    const auto path = std::filesystem::path(projects_) / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "program Project1;\r\nbegin\r\nend.\r\n";
    return path.string();
  }

 private:
  host::ScreenDescription screen_;
  std::unique_ptr<ide::Session> session_;
  std::string projects_;
};

// A test on one of the screens, with a layout session on it.
class OnScreen : public ::testing::TestWithParam<ScreenCase>, public LayoutSession {
 protected:
  OnScreen() : LayoutSession(GetParam().Screen) {}
};

}  // namespace layout_test
