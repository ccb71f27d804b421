// A reference-IDE session for tests: a fresh in-memory registry, a scratch
// projects folder (removed when the test ends), and the real package module.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "global/OptionsRecord.h"
#include "host/vcl/registry.h"
#include "ide/session.h"
#include "tests/support/files.h"

namespace fleetforge_test {

struct SessionSetup {
  host::ScreenDescription Screen{1024, 768, host::TaskbarEdge::Bottom, 30};
  bool LoadAtStartUp = true;
};

// The six option values, named as the add-in's options record names them; a
// value not named is false or 0.
struct StoredOptions {
  bool CloseDefault = false;
  bool HideCaptions = false;
  bool MaximizeEditor = false;
  bool CreateCompDate = false;
  bool ChangeIcon = false;
  int32_t ObjectInspectorHeight = 0;

  FleetforgeGlobal::TOptionsRecord Record() const {
    return {CloseDefault,   HideCaptions, MaximizeEditor,
            CreateCompDate, ChangeIcon,   ObjectInspectorHeight};
  }
};

// Writes all six option values into the current registry; false when the key
// could not be opened.
inline bool StoreOptions(const StoredOptions& stored) {
  const FleetforgeGlobal::TOptionsRecord options = stored.Record();
  host::TRegistry registry;
  const bool opened = registry.OpenKey(FleetforgeGlobal::kRegistryKey, true);
  for (const FleetforgeGlobal::TOptionValue& value : FleetforgeGlobal::kOptionValues) {
    if (value.Switch != nullptr)
      registry.WriteBool(value.Name, options.*value.Switch);
    else
      registry.WriteInteger(value.Name, options.*value.Integer);
  }
  return opened;
}

// What MakeSession starts: the screen, the real package (loaded at start-up or
// only to install) and the projects folder.
inline ide::SessionOptions SessionOptionsFor(const SessionSetup& setup,
                                             const std::string& projects) {
  ide::SessionOptions options;
  options.Ide.Screen = setup.Screen;
  options.Ide.PackageFile = setup.LoadAtStartUp ? FLEETFORGE_DEFAULT_PACKAGE : "";
  options.PackageToInstall = FLEETFORGE_DEFAULT_PACKAGE;
  options.Ide.ProjectsFolder = projects;
  return options;
}

inline std::unique_ptr<ide::Session> MakeSession(
    const SessionSetup& setup = {}, const std::string& projects = ScratchFolder("projects")) {
  return std::make_unique<ide::Session>(SessionOptionsFor(setup, projects));
}

// A test with a reference-IDE session over a fresh in-memory registry: the
// session ends and the registry's place is put back when the test ends.
class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override { host::RegistryLocation::UseMemory(); }
  void TearDown() override {
    session_.reset();
    host::RegistryLocation::Reset();
  }

  std::unique_ptr<ide::Session> session_;
};

}  // namespace fleetforge_test
