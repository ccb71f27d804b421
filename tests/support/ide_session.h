// A reference-IDE session for tests: a fresh in-memory registry, a scratch
// projects folder, and the real package module.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "host/vcl/registry.h"
#include "ide/session.h"

namespace fleetforge_test {

inline std::string ScratchFolder(const std::string& name) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("fleetforge-" + name + "-" + std::to_string(::getpid()));
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path);
  return path.string();
}

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
};

// Writes all six option values into the current registry.
inline void StoreOptions(const StoredOptions& options) {
  host::TRegistry registry;
  registry.OpenKey("\\Software\\Borland\\Delphi\\7.0\\Fleetforge", true);
  registry.WriteBool("CloseDefault", options.CloseDefault);
  registry.WriteBool("HideCaptions", options.HideCaptions);
  registry.WriteBool("MaximizeEditor", options.MaximizeEditor);
  registry.WriteBool("CreateCompDate", options.CreateCompDate);
  registry.WriteBool("ChangeIcon", options.ChangeIcon);
  registry.WriteInteger("ObjectInspectorHeight", options.ObjectInspectorHeight);
}

inline std::unique_ptr<ide::Session> MakeSession(
    const SessionSetup& setup = {}, const std::string& projects = ScratchFolder("projects")) {
  ide::SessionOptions options;
  options.Ide.Screen = setup.Screen;
  options.Ide.PackageFile = setup.LoadAtStartUp ? FLEETFORGE_DEFAULT_PACKAGE : "";
  options.PackageToInstall = FLEETFORGE_DEFAULT_PACKAGE;
  options.Ide.ProjectsFolder = projects;
  return std::make_unique<ide::Session>(std::move(options));
}

}  // namespace fleetforge_test
