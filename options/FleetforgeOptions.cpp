#include "options/FleetforgeOptions.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "global/FleetforgeGlobal.h"
#include "host/rtl/sysinit.h"
#include "host/rtl/units.h"
#include "host/vcl/formimage.h"

namespace FleetforgeOptions {

TfmOptions* fmOptions = nullptr;

namespace {

host::UnitGuard Guard;

// Every dialog that exists, so that the unit can free those still alive when
// the package goes.
std::vector<TfmOptions*>& Dialogs() {
  static std::vector<TfmOptions*> dialogs;
  return dialogs;
}

}  // namespace

TfmOptions::TfmOptions(host::TComponent* AOwner) : host::TForm(AOwner) {
  host::TFormImageBindings bindings;
  bindings.Publish(this, kPublishedMethods);
  bindings.Field("imLogo1", imLogo1);
  bindings.Field("labVersion", labVersion);
  bindings.Field("Bevel1", Bevel1);
  bindings.Field("labDate", labDate);
  bindings.Field("labCopyright", labCopyright);
  bindings.Field("btOK", btOK);
  bindings.Field("btCancel", btCancel);
  bindings.Field("ckHideCaptions", ckHideCaptions);
  bindings.Field("ckMaximizeEditor", ckMaximizeEditor);
  bindings.Field("ckCreateCompDate", ckCreateCompDate);
  bindings.Field("Label1", Label1);
  bindings.Field("ckChangeIcon", ckChangeIcon);
  bindings.Field("ckCloseDefault", ckCloseDefault);
  bindings.Field("imLogo2", imLogo2);
  bindings.Field("edOIHeight", edOIHeight);
  bindings.Field("udOIHeight", udOIHeight);
  bindings.Field("Label2", Label2);
  bindings.Field("Bevel2", Bevel2);
  bindings.Field("imLogo3", imLogo3);
  host::LoadFormImage(this, host::HInstance(), bindings);
  DoCreate();
  Dialogs().push_back(this);
}

TfmOptions::~TfmOptions() {
  auto& dialogs = Dialogs();
  dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), this), dialogs.end());
  if (fmOptions == this) fmOptions = nullptr;
}

void TfmOptions::FormCreate(TObject*) {
  const FleetforgeGlobal::TOptionsRecord& options = FleetforgeGlobal::Options;
  labVersion->SetCaption(kVersionText);
  labDate->SetCaption(kDateText);
  ckCloseDefault->SetChecked(options.CloseDefault);
  ckHideCaptions->SetChecked(options.HideCaptions);
  ckMaximizeEditor->SetChecked(options.MaximizeEditor);
  ckCreateCompDate->SetChecked(options.CreateCompDate);
  ckChangeIcon->SetChecked(options.ChangeIcon);
  // The up-down's position is 16 bits: it takes the low 16 bits of the height.
  udOIHeight->SetPosition(static_cast<int16_t>(
      static_cast<uint16_t>(static_cast<uint32_t>(options.ObjectInspectorHeight) & 0xFFFFu)));
  imLogo1->Hide();
  imLogo2->Show();
}

void TfmOptions::btOKClick(TObject*) {
  SetModalResult(host::mrOk);
}

void TfmOptions::btCancelClick(TObject*) {
  SetModalResult(host::mrCancel);
}

void Initialization() {
  Guard.EnterInitialization();
}

void Finalization() {
  if (!Guard.EnterFinalization()) return;
  while (!Dialogs().empty()) delete Dialogs().back();
}

}  // namespace FleetforgeOptions
