// Unit FleetforgeGlobal: the options record and its registry store, the menu
// lookup routines, and the decision whether the IDE was already running when
// the package arrived (ProjOptDialog).
#pragma once

#include <cstdint>

#include "global/OptionsRecord.h"
#include "host/vcl/menus.h"

namespace FleetforgeGlobal {

using host::AnsiString;
using host::TMenuItem;

// All zero when the module is loaded; filled by the unit's initialisation.
extern TOptionsRecord Options;
// True when the IDE had already created its project options dialog when the
// package was initialised. Set once at load.
extern bool ProjOptDialog;

void ReadOptionsFromRegistry();
void WriteOptionsToRegistry();

// The first sub-item of Item (depth-first, in menu order) whose Name is exactly
// Name; nil when there is none. Item itself is never compared.
TMenuItem* FindMenuItem(TMenuItem* Item, const AnsiString& Name);
// The full Name of the first sub-item (same order) whose upper-cased Name holds
// the upper-cased Part; empty when there is none.
AnsiString CompleteMenuName(TMenuItem* Item, const AnsiString& Part);
// Clicks the item of the IDE main form's main menu named Name; false when there
// is none (also when the main form has no main menu).
bool ExecuteMenuItem(const AnsiString& Name);

void Initialization();
void Finalization();

}  // namespace FleetforgeGlobal
