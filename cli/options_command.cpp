// fleetforge options show|set: the add-in's six settings, read and written by the
// package's own routines, through the same registry as the IDE.
#include <cstring>
#include <iostream>
#include <map>
#include <vector>

#include "cli/commands.h"
#include "cli/package_routines.h"
#include "global/OptionsRecord.h"
#include "host/rtl/quoting.h"
#include "host/vcl/registry.h"

namespace fleetforge {

namespace {

using FleetforgeGlobal::kOptionValues;
using FleetforgeGlobal::TOptionValue;
using OptionsRecord = FleetforgeGlobal::TOptionsRecord;

// The setting of that name (letter case counts); nil for none.
const TOptionValue* FindValue(const std::string& name) {
  for (const TOptionValue& value : kOptionValues)
    if (name == value.Name) return &value;
  return nullptr;
}

void Print(const OptionsRecord& o, std::ostream& out) {
  for (const TOptionValue& value : kOptionValues) {
    out << value.Name << "=";
    if (value.Switch != nullptr)
      out << (o.*value.Switch ? "true" : "false");
    else
      out << o.*value.Integer;
    out << "\n";
  }
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

// The named setting's field set from the text of an assignment; false with a
// message in why when the text does not fit it.
bool Assign(OptionsRecord& o, const std::string& assignment, std::string& why) {
  const size_t eq = assignment.find('=');
  if (eq == std::string::npos) {
    why = host::QuotedForMessage(assignment) + " is not NAME=VALUE";
    return false;
  }
  const std::string name = assignment.substr(0, eq);
  const std::string value = assignment.substr(eq + 1);
  const TOptionValue* setting = FindValue(name);
  if (setting == nullptr) {
    std::string names;
    for (const TOptionValue& known : kOptionValues)
      names += (names.empty() ? "" : ", ") + std::string(known.Name);
    why = "unknown setting " + host::QuotedForMessage(name) + " (" + names + ")";
    return false;
  }
  if (setting->Switch != nullptr) {
    if (ParseSwitch(value, o.*setting->Switch)) return true;
    why = name + " takes true, false, 1 or 0, not " + host::QuotedForMessage(value);
    return false;
  }
  try {
    o.*setting->Integer = host::StrToInt(value);
    return true;
  } catch (const host::EConvertError& e) {
    why = name + ": " + e.Message();
    return false;
  }
}

// After a read that stopped at a value it could not read: every stored value that
// reads is taken, each one that does not keeps its default; returns a note for
// each of those.
std::vector<std::string> ReadEachValue(OptionsRecord& o) {
  const int32_t height = o.ObjectInspectorHeight;  // the height has no default: it keeps its value
  std::vector<std::string> notes;
  host::TRegistry registry;
  if (!registry.OpenKey(FleetforgeGlobal::kRegistryKey, false)) return notes;
  for (const TOptionValue& value : kOptionValues) {
    try {
      FleetforgeGlobal::ReadOptionValue(registry, value, o);
    } catch (const host::ERegistryException& e) {
      std::string written;
      if (value.Switch != nullptr) {
        o.*value.Switch = value.Default;
        written = std::string("its default, ") + (value.Default ? "true" : "false");
      } else {
        o.*value.Integer = height;
        written = std::to_string(height);
      }
      notes.push_back(std::string(value.Name) + " could not be read (" + e.Message() +
                      "); it was written as " + written);
    }
  }
  return notes;
}

}  // namespace

int RunOptionsCommand(const OptionsCommand& command, std::ostream& out, std::ostream& err) {
  if (!command.Registry.empty()) host::RegistryLocation::UseFile(command.Registry);
  const std::string where = host::RegistryLocation::Description();
  // The assignments are checked before the store is touched.
  if (!command.Show) {
    OptionsRecord scratch{};
    for (const std::string& assignment : command.Assignments) {
      std::string why;
      if (!Assign(scratch, assignment, why)) {
        err << "fleetforge options set: " << why << "; nothing was written\n";
        return 2;
      }
    }
  }
  try {
    PackageRoutines package(command.Package.empty() ? DefaultPackageFile() : command.Package);
    if (command.Show) {
      try {
        package.Read();
      } catch (const host::Exception& e) {
        err << "fleetforge options: reading the settings from " << where
            << " failed: " << e.ClassName() << ": " << e.Message() << "\n";
        return 1;
      }
      Print(package.Options(), out);
      return 0;
    }
    // As a confirmed dialog does: start from the stored settings, change the named
    // fields, then write all six; the read, the change and the write are one
    // transaction under the registry file's lock, and land in one replacement.
    // (The system registry stores each value as it is written.)
    std::vector<std::string> notes;
    {
      host::TRegistryTransaction transaction;
      try {
        package.Read();
      } catch (const host::ERegistryException&) {
        notes = ReadEachValue(package.Options());
      }
      OptionsRecord edited = package.Options();
      for (const std::string& assignment : command.Assignments) {
        std::string why;
        Assign(edited, assignment, why);  // checked above
      }
      package.Options() = edited;
      package.Write();
      transaction.Commit();
    }
    for (const std::string& note : notes) err << "fleetforge options set: note: " << note << "\n";
    Print(package.Options(), out);
    return 0;
  } catch (const host::Exception& e) {
    const char* outcome = command.Show ? ""
                          : host::RegistryLocation::InSystemRegistry()
                              ? "; the values written before the failure stay written"
                              : "; nothing was written";
    err << "fleetforge options: " << e.ClassName() << ": " << e.Message() << outcome << "\n";
    return 1;
  }
}

}  // namespace fleetforge
