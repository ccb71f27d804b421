// Unit FleetforgeDelphiMainForm: the caption button bar that stands in for the
// main window's caption buttons while the captions are hidden.
//
// The bar is a borderless, always-on-top form, 115 x 15 pixels, of which only
// the leftmost 45 x 15 show (its window region): three 15 x 15 speed buttons
// that show or hide the component palette, minimise the IDE and close it. It
// sits at the top right corner of the work area. Its controls, hints, glyphs
// and event bindings come from its form image, the RCDATA resource
// "TFFDELPHIMAINFORM" (TffDelphiMainForm.dfm beside this unit).
//
// The unit creates the bar once per load, in the active mode only, hidden, and
// takes over the application's activate and deactivate events: switching to
// another application hides the bar's window (its Visible state stays as it
// is); switching back places the bar again and, when the bar is meant to be
// shown (Visible), shows its window again without taking the focus from the
// IDE's window. A bar that is hidden stays hidden. At unload the application's
// handlers found at load are put back, and the bar is freed.
#pragma once

#include "host/vcl/buttons.h"
#include "host/vcl/extctrls.h"
#include "host/vcl/forms.h"

namespace FleetforgeDelphiMainForm {

using host::TObject;

class TffDelphiMainForm : public host::TForm {
 public:
  // Reads the form image (FormCreate runs at its end, placing the bar).
  explicit TffDelphiMainForm(host::TComponent* owner);
  host::AnsiString ClassName() const override { return "TffDelphiMainForm"; }

  host::TSpeedButton* sbMinimize = nullptr;
  host::TSpeedButton* sbClose = nullptr;
  host::TTimer* Timer = nullptr;
  host::TSpeedButton* sbComponents = nullptr;

  // Places the bar at the top right corner of the work area.
  void FormCreate(TObject* Sender);
  // Minimises the whole IDE.
  void sbMinimizeClick(TObject* Sender);
  // Closes the IDE's main window, which runs the IDE's own close sequence.
  void sbCloseClick(TObject* Sender);
  // Clips the window to the three buttons.
  void FormShow(TObject* Sender);
  // Keeps the window top-most while the IDE is the active application.
  void TimerTimer(TObject* Sender);
  // The IDE became active: place the bar again (and bring a shown bar back).
  void ApplicationActivate(TObject* Sender);
  // Another application became active: hide the bar's window.
  void ApplicationDeactivate(TObject* Sender);
  // Shows or hides the component palette and lays the editor and the
  // inspector out again.
  void sbComponentsClick(TObject* Sender);

  // The width of the visible part; it ends at the work area's right edge.
  static constexpr int32_t kVisibleWidth = 45;
  static constexpr int32_t kVisibleHeight = 15;

 private:
  void PlaceBar();
};

// The bar's event handlers: the form image binds them by these names, and the
// package exports each as FleetforgeDelphiMainForm.TffDelphiMainForm.<Name>(TObject).
inline constexpr host::TPublishedMethod<TffDelphiMainForm> kPublishedMethods[] = {
    {"FormCreate", &TffDelphiMainForm::FormCreate},
    {"sbMinimizeClick", &TffDelphiMainForm::sbMinimizeClick},
    {"sbCloseClick", &TffDelphiMainForm::sbCloseClick},
    {"FormShow", &TffDelphiMainForm::FormShow},
    {"TimerTimer", &TffDelphiMainForm::TimerTimer},
    {"ApplicationActivate", &TffDelphiMainForm::ApplicationActivate},
    {"ApplicationDeactivate", &TffDelphiMainForm::ApplicationDeactivate},
    {"sbComponentsClick", &TffDelphiMainForm::sbComponentsClick},
};

// The only instance; nil in the dormant mode and before the unit's initialisation.
extern TffDelphiMainForm* ffDelphiMainForm;
// The application's activate and deactivate handlers as they were found at load.
extern host::TNotifyEvent SavedOnActivate;
extern host::TNotifyEvent SavedOnDeactivate;

void Initialization();
void Finalization();

}  // namespace FleetforgeDelphiMainForm
