// Unit FleetforgeOptions: the options dialog. It shows the six settings of the
// options record under a small header (logo, version, build date, copyright)
// and reports OK or Cancel; the Tools-menu command creates, runs and frees it
// and copies the edited values back. Its controls, positions, captions and
// event bindings come from its form image, the resource "TFMOPTIONS".
#pragma once

#include "host/vcl/comctrls.h"
#include "host/vcl/extctrls.h"
#include "host/vcl/forms.h"
#include "host/vcl/stdctrls.h"

namespace FleetforgeOptions {

using host::TObject;

class TfmOptions : public host::TForm {
 public:
  // Reads the form image, then runs FormCreate (bound to OnCreate).
  explicit TfmOptions(host::TComponent* AOwner);
  ~TfmOptions() override;
  host::AnsiString ClassName() const override { return "TfmOptions"; }

  // Fills the controls from the options record.
  void FormCreate(TObject* Sender);
  void btOKClick(TObject* Sender);
  void btCancelClick(TObject* Sender);

  // The controls, created from the form image and owned by the form.
  host::TImage* imLogo1 = nullptr;
  host::TLabel* labVersion = nullptr;
  host::TBevel* Bevel1 = nullptr;
  host::TLabel* labDate = nullptr;
  host::TLabel* labCopyright = nullptr;
  host::TButton* btOK = nullptr;
  host::TButton* btCancel = nullptr;
  host::TCheckBox* ckHideCaptions = nullptr;
  host::TCheckBox* ckMaximizeEditor = nullptr;
  host::TCheckBox* ckCreateCompDate = nullptr;
  host::TLabel* Label1 = nullptr;
  host::TCheckBox* ckChangeIcon = nullptr;
  host::TCheckBox* ckCloseDefault = nullptr;
  host::TImage* imLogo2 = nullptr;
  host::TEdit* edOIHeight = nullptr;
  host::TUpDown* udOIHeight = nullptr;
  host::TLabel* Label2 = nullptr;
  host::TBevel* Bevel2 = nullptr;
  host::TImage* imLogo3 = nullptr;
};

// The dialog's event handlers: the form image binds them by these names, and the
// package exports each as FleetforgeOptions.TfmOptions.<Name>(TObject).
inline constexpr host::TPublishedMethod<TfmOptions> kPublishedMethods[] = {
    {"FormCreate", &TfmOptions::FormCreate},
    {"btOKClick", &TfmOptions::btOKClick},
    {"btCancelClick", &TfmOptions::btCancelClick},
};

inline constexpr const char* kVersionText = "Fleetforge7 v0.0.1 (build 18)";
inline constexpr const char* kDateText = "2004/9/29";

// The dialog while the options command runs it; nil before the first run and
// after the command has freed it.
extern TfmOptions* fmOptions;

// Initialisation: nothing. Finalisation: frees a dialog that a failed options
// command left behind (its owner, the IDE's main form, outlives the package,
// and the dialog's code goes with the package).
void Initialization();
void Finalization();

}  // namespace FleetforgeOptions
