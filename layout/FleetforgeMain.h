// Unit FleetforgeMain: the layout manager. It takes the caption away from the
// IDE's main window, turns the component palette into flat multi-line buttons
// that size themselves to their rows, and every second puts the Object
// TreeView, the Object Inspector, the Project Manager and the code editor back
// in their places. On the first tick it closes the empty default project.
#pragma once

#include <memory>

#include "host/vcl/comctrls.h"
#include "host/vcl/controls.h"
#include "host/vcl/extctrls.h"
#include "host/vcl/menus.h"

namespace FleetforgeMain {

using host::AnsiString;
using host::TMenuItem;
using host::TObject;

class TFleetforgeMainObject : public TObject {
 public:
  TFleetforgeMainObject();
  ~TFleetforgeMainObject() override;
  AnsiString ClassName() const override { return "TFleetforgeMainObject"; }

  void OnTimer(TObject* Sender);
  void OnResizeComponentPalette(TObject* Sender);
  void AlignMainForm();
  TMenuItem* FindMenuItem(TMenuItem* Item, const AnsiString& Name);
  void CloseStandardProject();
  void AlignPropertyInspector();
  void AlignProjectManagerForm();
  void AlignEditorForm();

 private:
  std::unique_ptr<host::TTimer> FTimer;
  host::TNotifyEvent FSavedOnResize;
  bool FStandardProjectChecked = false;
  // Whether AlignMainForm has taken the palette over (its handler kept).
  bool FPaletteTakenOver = false;
};

// The object's event handlers (the timer's OnTimer, the palette's OnResize),
// exported as FleetforgeMain.TFleetforgeMainObject.<Name>(TObject).
inline constexpr host::TPublishedMethod<TFleetforgeMainObject> kPublishedMethods[] = {
    {"OnTimer", &TFleetforgeMainObject::OnTimer},
    {"OnResizeComponentPalette", &TFleetforgeMainObject::OnResizeComponentPalette},
};

// The single instance; nil when the unit's initialisation created none.
extern TFleetforgeMainObject* FleetforgeMainObject;

// Gives the main window, the Project Manager, the Object Inspector and the code
// editor their own border styles back (after the options are confirmed).
void RestoreFormsBruteForce();
// At unload, while the IDE's project options dialog exists: the main window, the
// Project Manager and the Object Inspector get their border styles back.
void RestoreFormsOnUnload();

// The restart notice shown when the package arrives in a running IDE.
inline constexpr const char* kRestartNotice = "Please restart Delphi to activate Fleetforge!";
inline constexpr const char* kRestartCaption = "Fleetforge";

void Initialization();
void Finalization();

}  // namespace FleetforgeMain
