// fleetforge options show|set: the add-in's six settings, read and written by the
// package's own routines, through the same registry as the IDE.
#include <cstring>
#include <iostream>
#include <map>

#include "cli/commands.h"
#include "host/rtl/modules.h"
#include "host/vcl/registry.h"

namespace fleetforge {

namespace {

// The options record as the package lays it out.
struct OptionsRecord {
  bool CloseDefault, HideCaptions, MaximizeEditor, CreateCompDate, ChangeIcon;
  int32_t ObjectInspectorHeight;
};

const char* const kSwitches[] = {"CloseDefault", "HideCaptions", "MaximizeEditor", "CreateCompDate",
                                 "ChangeIcon"};

bool* SwitchField(OptionsRecord& o, const std::string& name) {
  bool* fields[] = {&o.CloseDefault, &o.HideCaptions, &o.MaximizeEditor, &o.CreateCompDate,
                    &o.ChangeIcon};
  for (int i = 0; i < 5; ++i)
    if (name == kSwitches[i]) return fields[i];
  return nullptr;
}

// The package module, loaded for its routines only (no unit is initialised).
class PackageRoutines {
 public:
  explicit PackageRoutines(const std::string& file) : module_(host::LoadLibrary(file)) {
    options_ = static_cast<OptionsRecord*>(
        const_cast<void*>(host::GetProcAddress(module_, "FleetforgeGlobal.Options")));
    read_ = reinterpret_cast<void (*)()>(const_cast<void*>(
        host::GetProcAddress(module_, "FleetforgeGlobal.ReadOptionsFromRegistry()")));
    write_ = reinterpret_cast<void (*)()>(const_cast<void*>(
        host::GetProcAddress(module_, "FleetforgeGlobal.WriteOptionsToRegistry()")));
    if (!options_ || !read_ || !write_) {
      host::FreeLibrary(module_);
      throw host::EPackageError("The package " + file + " does not export the options routines");
    }
  }
  ~PackageRoutines() { host::FreeLibrary(module_); }
  OptionsRecord& Options() { return *options_; }
  void Read() { read_(); }
  void Write() { write_(); }

 private:
  host::HMODULE module_;
  OptionsRecord* options_ = nullptr;
  void (*read_)() = nullptr;
  void (*write_)() = nullptr;
};

void Print(const OptionsRecord& o, std::ostream& out) {
  OptionsRecord copy = o;
  for (const char* name : kSwitches)
    out << name << "=" << (*SwitchField(copy, name) ? "true" : "false") << "\n";
  out << "ObjectInspectorHeight=" << o.ObjectInspectorHeight << "\n";
}

bool ParseSwitch(const std::string& text, bool& value) {
  // What the registry's Boolean values and the dialog's check boxes hold: nothing
  // else is taken, so a mistyped word is not stored as some switch state.
  static const std::map<std::string, bool> words = {
      {"true", true}, {"1", true}, {"false", false}, {"0", false}};
  auto it = words.find(host::LowerCase(text));
  if (it == words.end()) return false;
  value = it->second;
  return true;
}

}  // namespace

int RunOptionsCommand(const OptionsCommand& command, std::ostream& out, std::ostream& err) {
  if (!command.Registry.empty()) host::RegistryLocation::UseFile(command.Registry);
  const std::string where =
      host::RegistryLocation::InMemory() ? "memory" : host::RegistryLocation::CurrentFile();
  try {
    PackageRoutines package(command.Package.empty() ? DefaultPackageFile() : command.Package);
    std::string read_error;
    try {
      package.Read();
    } catch (const host::Exception& e) {
      read_error = std::string(e.ClassName()) + ": " + e.Message();
    }
    if (command.Show) {
      if (!read_error.empty()) {
        err << "fleetforge options: reading the settings from " << where
            << " failed: " << read_error << "\n";
        return 1;
      }
      Print(package.Options(), out);
      return 0;
    }
    // As a confirmed dialog does: start from what the read left in the record,
    // change the named fields, then write all six.
    OptionsRecord edited = package.Options();
    for (const std::string& assignment : command.Assignments) {
      const size_t eq = assignment.find('=');
      const std::string name = assignment.substr(0, eq);
      const std::string value = eq == std::string::npos ? "" : assignment.substr(eq + 1);
      if (eq == std::string::npos) {
        err << "fleetforge options set: '" << assignment
            << "' is not NAME=VALUE; nothing was written\n";
        return 2;
      }
      if (bool* field = SwitchField(edited, name)) {
        if (!ParseSwitch(value, *field)) {
          err << "fleetforge options set: " << name << " takes true, false, 1 or 0, not '" << value
              << "'; nothing was written\n";
          return 2;
        }
      } else if (name == "ObjectInspectorHeight") {
        try {
          edited.ObjectInspectorHeight = host::StrToInt(value);
        } catch (const host::EConvertError& e) {
          err << "fleetforge options set: ObjectInspectorHeight: " << e.Message()
              << "; nothing was written\n";
          return 2;
        }
      } else {
        err << "fleetforge options set: unknown setting '" << name
            << "' (CloseDefault, HideCaptions, MaximizeEditor, CreateCompDate, ChangeIcon, "
               "ObjectInspectorHeight); nothing was written\n";
        return 2;
      }
    }
    if (!read_error.empty())
      err << "fleetforge options set: note: the stored settings could not all be read ("
          << read_error << "); the unread ones are written from their defaults\n";
    package.Options() = edited;
    package.Write();
    Print(package.Options(), out);
    return 0;
  } catch (const host::Exception& e) {
    err << "fleetforge options: " << e.ClassName() << ": " << e.Message() << "\n";
    return 1;
  }
}

}  // namespace fleetforge
