// What the layout tests share: window boxes, the option switches a test starts
// with, and a session of the reference IDE on one screen with them stored.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>

#include "global/OptionsRecord.h"
#include "host/vcl/forms.h"
#include "tests/support/ide_session.h"

namespace FleetforgeMain {
class TFleetforgeMainObject;
}

namespace layout_test {

using FleetforgeMain::TFleetforgeMainObject;
using host::TForm;

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

}  // namespace layout_test
