// The options record: the add-in's six settings as the package holds them in its
// exported variable FleetforgeGlobal.Options, and the registry values that store
// them. The IDE and the fleetforge command reach the record through the module's
// export, without the package's code, so this header stands on its own and the
// record's layout is part of the module's interface.
#pragma once

#include <cstddef>
#include <cstdint>

namespace FleetforgeGlobal {

struct TOptionsRecord {
  bool CloseDefault;
  bool HideCaptions;
  bool MaximizeEditor;
  bool CreateCompDate;
  bool ChangeIcon;
  int32_t ObjectInspectorHeight;
};

// Five Boolean bytes, then the 32-bit height at its natural alignment.
static_assert(sizeof(bool) == 1);
static_assert(offsetof(TOptionsRecord, CloseDefault) == 0);
static_assert(offsetof(TOptionsRecord, HideCaptions) == 1);
static_assert(offsetof(TOptionsRecord, MaximizeEditor) == 2);
static_assert(offsetof(TOptionsRecord, CreateCompDate) == 3);
static_assert(offsetof(TOptionsRecord, ChangeIcon) == 4);
static_assert(offsetof(TOptionsRecord, ObjectInspectorHeight) == 8);
static_assert(sizeof(TOptionsRecord) == 12 && alignof(TOptionsRecord) == 4);

// The current user's key that holds the six values.
inline constexpr const char* kRegistryKey = "\\Software\\Borland\\Delphi\\7.0\\Fleetforge";

// One setting: its registry value's name and its field, either a switch (a
// Boolean value, with the default it takes when the key holds none) or the height
// (an integer value, which has no default: it keeps what it was).
struct TOptionValue {
  const char* Name;
  bool TOptionsRecord::*Switch;      // nil for the height
  int32_t TOptionsRecord::*Integer;  // nil for a switch
  bool Default;
};

// The six settings, in the order they are read, written and shown.
inline constexpr TOptionValue kOptionValues[] = {
    {"CloseDefault", &TOptionsRecord::CloseDefault, nullptr, true},
    {"HideCaptions", &TOptionsRecord::HideCaptions, nullptr, false},
    {"MaximizeEditor", &TOptionsRecord::MaximizeEditor, nullptr, false},
    {"CreateCompDate", &TOptionsRecord::CreateCompDate, nullptr, true},
    {"ChangeIcon", &TOptionsRecord::ChangeIcon, nullptr, false},
    {"ObjectInspectorHeight", nullptr, &TOptionsRecord::ObjectInspectorHeight, false},
};

// Reads one setting from an open registry key (a TRegistry) into record; raises
// the registry's error when the value is missing or of another type.
template <class Registry>
void ReadOptionValue(Registry& registry, const TOptionValue& value, TOptionsRecord& record) {
  if (value.Switch != nullptr)
    record.*value.Switch = registry.ReadBool(value.Name);
  else
    record.*value.Integer = registry.ReadInteger(value.Name);
}

}  // namespace FleetforgeGlobal
