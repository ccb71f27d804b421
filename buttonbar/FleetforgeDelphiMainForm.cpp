#include "buttonbar/FleetforgeDelphiMainForm.h"

#include <cstdint>
#include <limits>
#include <memory>

#include "global/FleetforgeGlobal.h"
#include "global/IdeNames.h"
#include "host/rtl/sysinit.h"
#include "host/rtl/units.h"
#include "host/vcl/actnlist.h"
#include "host/vcl/formimage.h"
#include "layout/FleetforgeMain.h"

namespace FleetforgeDelphiMainForm {

TffDelphiMainForm* ffDelphiMainForm = nullptr;
host::TNotifyEvent SavedOnActivate;
host::TNotifyEvent SavedOnDeactivate;

namespace {

host::UnitGuard Guard;

// The unit's own hold on the bar; ffDelphiMainForm is the exported view of it.
std::unique_ptr<TffDelphiMainForm> bar;
// Whether this load took the application's events over (the bar was created).
bool events_taken = false;

}  // namespace

TffDelphiMainForm::TffDelphiMainForm(host::TComponent* owner) : host::TForm(owner) {
  host::TFormImageBindings bindings;
  bindings.Publish(this, kPublishedMethods);
  bindings.Field("sbMinimize", sbMinimize);
  bindings.Field("sbClose", sbClose);
  bindings.Field("Timer", Timer);
  bindings.Field("sbComponents", sbComponents);
  host::LoadFormImage(this, host::HInstance(), bindings);
  DoCreate();
}

void TffDelphiMainForm::PlaceBar() {
  host::TRect area;
  host::SystemParametersInfo(host::SPI_GETWORKAREA, 0, &area, 0);
  // The visible part ends exactly at the work area's right edge, on its top line.
  const int64_t left = int64_t{area.Right} - kVisibleWidth;
  SetLeft(static_cast<int32_t>(
      left < std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::min() : left));
  SetTop(area.Top);
}

void TffDelphiMainForm::FormCreate(TObject*) {
  PlaceBar();
}

void TffDelphiMainForm::sbMinimizeClick(TObject*) {
  host::Application->Minimize();
}

void TffDelphiMainForm::sbCloseClick(TObject*) {
  if (host::TForm* main_form = host::Application->MainForm()) main_form->Close();
}

void TffDelphiMainForm::FormShow(TObject*) {
  // Window coordinates, right and bottom edges exclusive; the window owns the
  // region once it is set. Should the window refuse it, the region is ours to
  // delete.
  const host::HRGN region = host::CreateRectRgn(0, 0, kVisibleWidth, kVisibleHeight);
  if (host::SetWindowRgn(Handle(), region, host::FALSE) == 0) host::DeleteObject(region);
}

void TffDelphiMainForm::TimerTimer(TObject*) {
  if (!host::Application->Active()) return;
  host::SetWindowPos(Handle(), host::HWND_TOPMOST, 0, 0, 0, 0,
                     host::SWP_NOSIZE | host::SWP_NOMOVE | host::SWP_NOACTIVATE);
}

void TffDelphiMainForm::ApplicationActivate(TObject*) {
  PlaceBar();
  // The window was hidden when the IDE lost the activation; a bar that is meant
  // to be shown comes back, without taking the focus from the IDE's window.
  if (Visible()) host::ShowWindow(Handle(), host::SW_SHOWNOACTIVATE);
}

void TffDelphiMainForm::ApplicationDeactivate(TObject*) {
  // The window only: Visible keeps its meaning for Show and Hide elsewhere.
  host::ShowWindow(Handle(), host::SW_HIDE);
}

void TffDelphiMainForm::sbComponentsClick(TObject*) {
  host::TForm* main_form = host::Application->MainForm();
  const int32_t count = main_form->ComponentCount();
  for (int32_t i = 0; i < count; ++i) {
    host::TComponent* component = main_form->Components(i);
    if (component->Name() != IdeNames::kViewPaletteCommand) continue;
    // The IDE's own command that shows or hides the palette.
    host::As<host::TBasicAction>(component)->Execute();
    if (FleetforgeMain::TFleetforgeMainObject* layout = FleetforgeMain::FleetforgeMainObject) {
      layout->AlignEditorForm();
      layout->AlignPropertyInspector();
    }
    const int32_t forms = host::Screen->FormCount();
    for (int32_t k = 0; k < forms; ++k) {
      host::TForm* form = host::Screen->Forms(k);
      if (form->Name() == IdeNames::kEditWindow) form->SetFocus();
    }
    return;
  }
}

void Initialization() {
  if (!Guard.EnterInitialization()) return;
  if (FleetforgeGlobal::ProjOptDialog) return;
  bar = std::make_unique<TffDelphiMainForm>(nullptr);
  ffDelphiMainForm = bar.get();
  ffDelphiMainForm->Hide();
  SavedOnActivate = host::Application->OnActivate();
  SavedOnDeactivate = host::Application->OnDeactivate();
  host::Application->SetOnActivate(
      host::TNotifyEvent(ffDelphiMainForm, &TffDelphiMainForm::ApplicationActivate));
  host::Application->SetOnDeactivate(
      host::TNotifyEvent(ffDelphiMainForm, &TffDelphiMainForm::ApplicationDeactivate));
  events_taken = true;
}

void Finalization() {
  if (!Guard.EnterFinalization()) return;
  if (FleetforgeGlobal::ProjOptDialog) return;
  // Only what this load took over is given back: when the bar could not be
  // created, the application's handlers were never touched.
  if (events_taken) {
    host::Application->SetOnActivate(SavedOnActivate);
    host::Application->SetOnDeactivate(SavedOnDeactivate);
    events_taken = false;
  }
  ffDelphiMainForm = nullptr;
  bar.reset();
}

}  // namespace FleetforgeDelphiMainForm
