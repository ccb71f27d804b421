// Unit FleetforgeDelphiMainForm: the caption button bar that stands in for the
// main window's caption buttons while the captions are hidden.
#pragma once

#include "host/vcl/forms.h"
#include "package/unit.h"

namespace FleetforgeDelphiMainForm {

class TffDelphiMainForm : public host::TForm {
 public:
  using host::TForm::TForm;
  host::AnsiString ClassName() const override { return "TffDelphiMainForm"; }
};

// The only instance; nil in the dormant mode and before the unit's initialisation.
extern TffDelphiMainForm* ffDelphiMainForm;
// The application's activate and deactivate handlers as they were found at load.
extern host::TNotifyEvent SavedOnActivate;
extern host::TNotifyEvent SavedOnDeactivate;

void Initialization();
void Finalization();
extern Fleetforge7::UnitGuard Guard;

}  // namespace FleetforgeDelphiMainForm
