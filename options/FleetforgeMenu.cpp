#include "options/FleetforgeMenu.h"

namespace FleetforgeMenu {

int32_t WizardIndex = 0;
Fleetforge7::UnitGuard Guard;

TFleetforgeMenuExpert::TFleetforgeMenuExpert() {
  auto services = host::IntfCast<host::INTAServices>(host::BorlandIDEServices);
  FMainMenu = services->MainMenu();
  FToolsMenu = FMainMenu->Items()->Find("Tools");
  host::TComponent* existing = FMainMenu->FindComponent(GetName());
  if (existing != nullptr) {
    FMenuItem = host::As<host::TMenuItem>(existing);
    return;
  }
  // Without a Tools menu there is nowhere to put the entry.
  if (FToolsMenu == nullptr) return;
  FMenuItem = new host::TMenuItem(FToolsMenu);
  FMenuItem->SetCaption(kMenuCaption);
  FMenuItem->SetOnClick(host::TNotifyEvent(this, &TFleetforgeMenuExpert::OptionsClick));
  FMenuItem->SetName(GetName());
  FToolsMenu->Insert(0, FMenuItem);
}

TFleetforgeMenuExpert::~TFleetforgeMenuExpert() {
  if (FToolsMenu != nullptr) {
    int32_t i = 0;
    while (i < FToolsMenu->Count()) {
      if (host::AnsiSameCaption(FToolsMenu->Items(i)->Caption(), GetName()))
        FToolsMenu->Remove(FToolsMenu->Items(i));
      else
        ++i;
    }
  }
  delete FMenuItem;
}

AnsiString TFleetforgeMenuExpert::GetIDString() {
  return "kelm.FleetforgeMenuExpert";
}
AnsiString TFleetforgeMenuExpert::GetName() {
  return "FleetforgeOptions";
}
host::TWizardState TFleetforgeMenuExpert::GetState() {
  return host::wsEnabled;
}
void TFleetforgeMenuExpert::Execute() {}

void TFleetforgeMenuExpert::OptionsClick(host::TObject*) {
  // The options dialog is not built yet; the entry opens nothing until it is.
}

void Register() {
  auto* wizard = new TFleetforgeMenuExpert();
  host::IRef<host::IOTAWizard> keep(wizard);  // released if the services are missing
  auto services = host::IntfCast<host::IOTAWizardServices>(host::BorlandIDEServices);
  WizardIndex = services->AddWizard(wizard);
}

void Initialization() {
  Guard.EnterInitialization();
}

void Finalization() {
  if (!Guard.EnterFinalization()) return;
  auto services = host::IntfCast<host::IOTAWizardServices>(host::BorlandIDEServices);
  services->RemoveWizard(WizardIndex);
}

}  // namespace FleetforgeMenu
