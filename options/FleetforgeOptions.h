// Unit FleetforgeOptions: the options dialog.
#pragma once

#include "host/vcl/forms.h"
#include "package/unit.h"

namespace FleetforgeOptions {

class TfmOptions : public host::TForm {
 public:
  using host::TForm::TForm;
  host::AnsiString ClassName() const override { return "TfmOptions"; }
};

// The dialog while the options command runs it.
extern TfmOptions* fmOptions;

void Initialization();
void Finalization();
extern Fleetforge7::UnitGuard Guard;

}  // namespace FleetforgeOptions
