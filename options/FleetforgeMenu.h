// Unit FleetforgeMenu: the IDE wizard that owns the "&Fleetforge Options..." entry
// at the top of the Tools menu.
#pragma once

#include <cstdint>

#include "host/toolsapi/toolsapi.h"

namespace FleetforgeMenu {

using host::AnsiString;

class TFleetforgeMenuExpert : public host::TNotifierObject<host::IOTAWizard> {
 public:
  TFleetforgeMenuExpert();
  ~TFleetforgeMenuExpert() override;
  AnsiString ClassName() const override { return "TFleetforgeMenuExpert"; }

  AnsiString GetIDString() override;
  AnsiString GetName() override;
  host::TWizardState GetState() override;
  void Execute() override;
  void OptionsClick(host::TObject* Sender);

  host::TMainMenu* FMainMenu = nullptr;
  host::TMenuItem* FToolsMenu = nullptr;
  host::TMenuItem* FMenuItem = nullptr;
};

// The wizard's event handler (the Tools-menu entry's OnClick), exported as
// FleetforgeMenu.TFleetforgeMenuExpert.<Name>(TObject).
inline constexpr host::TPublishedMethod<TFleetforgeMenuExpert> kPublishedMethods[] = {
    {"OptionsClick", &TFleetforgeMenuExpert::OptionsClick},
};

// The index the IDE gave the wizard, and whether Register stored one.
extern int32_t WizardIndex;
extern bool WizardRegistered;

inline constexpr const char* kMenuCaption = "&Fleetforge Options...";

void Register();
void Initialization();
void Finalization();

}  // namespace FleetforgeMenu
