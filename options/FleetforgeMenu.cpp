#include "options/FleetforgeMenu.h"

#include <memory>

#include "buttonbar/FleetforgeDelphiMainForm.h"
#include "global/FleetforgeGlobal.h"
#include "global/IdeNames.h"
#include "host/rtl/units.h"
#include "icon/FleetforgeIconChanger.h"
#include "layout/FleetforgeMain.h"
#include "options/FleetforgeOptions.h"

namespace FleetforgeMenu {

int32_t WizardIndex = 0;
bool WizardRegistered = false;
namespace {
host::UnitGuard Guard;
}  // namespace

TFleetforgeMenuExpert::TFleetforgeMenuExpert() {
  auto services = host::IntfCast<host::INTAServices>(host::BorlandIDEServices);
  FMainMenu = services->MainMenu();
  FToolsMenu = FMainMenu->Items()->Find(IdeNames::kToolsMenu);
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

// The options command. On OK the dialog's values go into the options record,
// which is stored and applied at once: the IDE's forms get their own borders
// back, the icon follows ChangeIcon, and with HideCaptions the main window is
// laid out without its caption again and the caption button bar shown (else the
// bar is hidden). The tool windows follow at the layout manager's next tick.
//
// In the dormant mode (the package arrived in a running IDE) there is neither a
// layout manager nor a bar: the last step then touches neither, and the stored
// HideCaptions takes effect when the IDE is next started. The same holds for
// either object alone when it is absent.
//
// A height text that is not an integer fails the command before anything has
// changed: it is converted before the switches are copied, so the record, the
// registry and the IDE's layout stay as they were. Any other failure (a
// registry write that fails) ends the command where it happens. Either error
// goes to the IDE. The dialog is freed at the end of the command on every path.
void TFleetforgeMenuExpert::OptionsClick(host::TObject*) {
  using FleetforgeOptions::fmOptions;
  const std::unique_ptr<FleetforgeOptions::TfmOptions> dialog(
      new FleetforgeOptions::TfmOptions(host::Application->MainForm()));
  fmOptions = dialog.get();  // cleared again when the dialog goes
  if (fmOptions->ShowModal() != host::mrOk) return;
  const int32_t height = host::StrToInt(fmOptions->edOIHeight->Text());
  FleetforgeGlobal::TOptionsRecord& options = FleetforgeGlobal::Options;
  options.CloseDefault = fmOptions->ckCloseDefault->Checked();
  options.HideCaptions = fmOptions->ckHideCaptions->Checked();
  options.MaximizeEditor = fmOptions->ckMaximizeEditor->Checked();
  options.CreateCompDate = fmOptions->ckCreateCompDate->Checked();
  options.ChangeIcon = fmOptions->ckChangeIcon->Checked();
  options.ObjectInspectorHeight = height;
  FleetforgeGlobal::WriteOptionsToRegistry();
  FleetforgeMain::RestoreFormsBruteForce();
  FleetforgeIconChanger::ChangeIcon();
  FleetforgeDelphiMainForm::TffDelphiMainForm* bar = FleetforgeDelphiMainForm::ffDelphiMainForm;
  if (options.HideCaptions) {
    if (FleetforgeMain::FleetforgeMainObject != nullptr)
      FleetforgeMain::FleetforgeMainObject->AlignMainForm();
    if (bar != nullptr) bar->Show();
  } else if (bar != nullptr) {
    bar->Hide();
  }
}

void Register() {
  auto* wizard = new TFleetforgeMenuExpert();
  host::IRef<host::IOTAWizard> keep(wizard);  // released if the services are missing
  auto services = host::IntfCast<host::IOTAWizardServices>(host::BorlandIDEServices);
  WizardIndex = services->AddWizard(wizard);
  WizardRegistered = true;
}

void Initialization() {
  Guard.EnterInitialization();
}

void Finalization() {
  if (!Guard.EnterFinalization()) return;
  // Without a registration the index names no wizard of ours (it could be
  // another add-in's), so there is nothing to remove.
  if (!WizardRegistered) return;
  WizardRegistered = false;
  auto services = host::IntfCast<host::IOTAWizardServices>(host::BorlandIDEServices);
  services->RemoveWizard(WizardIndex);
}

}  // namespace FleetforgeMenu
