#include "buttonbar/FleetforgeDelphiMainForm.h"

#include "global/FleetforgeGlobal.h"

namespace FleetforgeDelphiMainForm {

TffDelphiMainForm* ffDelphiMainForm = nullptr;
host::TNotifyEvent SavedOnActivate;
host::TNotifyEvent SavedOnDeactivate;
Fleetforge7::UnitGuard Guard;

void Initialization() {
  if (!Guard.EnterInitialization()) return;
  if (FleetforgeGlobal::ProjOptDialog) return;
  SavedOnActivate = host::Application->OnActivate();
  SavedOnDeactivate = host::Application->OnDeactivate();
}

void Finalization() {
  if (!Guard.EnterFinalization()) return;
  if (FleetforgeGlobal::ProjOptDialog) return;
  host::Application->SetOnActivate(SavedOnActivate);
  host::Application->SetOnDeactivate(SavedOnDeactivate);
  delete ffDelphiMainForm;
  ffDelphiMainForm = nullptr;
}

}  // namespace FleetforgeDelphiMainForm
