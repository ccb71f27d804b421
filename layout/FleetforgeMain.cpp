#include "layout/FleetforgeMain.h"

#include <algorithm>
#include <cstdint>

#include "buttonbar/FleetforgeDelphiMainForm.h"
#include "global/FleetforgeGlobal.h"
#include "global/IdeNames.h"
#include "host/rtl/units.h"
#include "host/toolsapi/toolsapi.h"
#include "host/vcl/forms.h"

namespace FleetforgeMain {

using FleetforgeGlobal::Options;
using host::TForm;
using host::TTabControl;

TFleetforgeMainObject* FleetforgeMainObject = nullptr;

namespace {

host::UnitGuard Guard;

// Window geometry is worked out in 64 bits from values that may come from the
// registry unchecked (the Object Inspector height), then brought into what the
// window system takes: sizes from 1 pixel (no window gets a zero or negative
// size; a column too small for its windows leaves them one pixel high) to the
// window system's coordinate limit of 32767, positions within -32768..32767.
constexpr int64_t kMaxCoordinate = 32767;
int32_t ToSize(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, 1, kMaxCoordinate));
}
int32_t ToPosition(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, -kMaxCoordinate - 1, kMaxCoordinate));
}

// The height of the palette's page beneath its rows of tabs, where the component
// buttons stand. The palette is held at its tabs and borders plus this page, so
// it grows and shrinks with the number of tab rows and never shows more.
constexpr int64_t kPalettePageHeight = 29;

host::TRect WorkArea() {
  host::TRect area;
  host::SystemParametersInfo(host::SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

// The first form in Screen.Forms named exactly name, or nil.
TForm* FirstForm(const char* name) {
  const int32_t count = host::Screen->FormCount();
  for (int32_t i = 0; i < count; ++i)
    if (host::Screen->Forms(i)->Name() == name) return host::Screen->Forms(i);
  return nullptr;
}

// The first component owned by owner named exactly name, or nil.
host::TComponent* FirstComponent(host::TComponent* owner, const char* name) {
  const int32_t count = owner->ComponentCount();
  for (int32_t i = 0; i < count; ++i)
    if (owner->Components(i)->Name() == name) return owner->Components(i);
  return nullptr;
}

void TakeBorderAndDocking(TForm* form) {
  form->SetBorderStyle(host::bsNone);
  form->SetUseDockManager(false);
  form->SetDockSite(false);
}

}  // namespace

TFleetforgeMainObject::TFleetforgeMainObject() {
  FStandardProjectChecked = false;
  if (Options.HideCaptions) {
    AlignMainForm();
    if (FleetforgeDelphiMainForm::ffDelphiMainForm != nullptr)
      FleetforgeDelphiMainForm::ffDelphiMainForm->Show();
  }
  FTimer = std::make_unique<host::TTimer>(nullptr);
  FTimer->SetOnTimer(host::TNotifyEvent(this, &TFleetforgeMainObject::OnTimer));
  FTimer->SetInterval(1000);
}

TFleetforgeMainObject::~TFleetforgeMainObject() {
  // The kept handler is given back whenever AlignMainForm took the palette over,
  // whoever holds the palette's OnResize now. When it never did, the palette's
  // handler is not this object's to give back and stays as it is. At the IDE's
  // own shutdown the main form may be gone already: then there is no palette
  // left to give its handler back to.
  if (TForm* main_form = host::Application != nullptr ? host::Application->MainForm() : nullptr;
      main_form != nullptr && FPaletteTakenOver) {
    if (auto* palette =
            dynamic_cast<host::TControl*>(FirstComponent(main_form, IdeNames::kTabControl)))
      palette->SetOnResize(FSavedOnResize);
  }
  FTimer.reset();
}

void TFleetforgeMainObject::OnTimer(TObject*) {
  AlignPropertyInspector();
  AlignProjectManagerForm();
  AlignEditorForm();
  CloseStandardProject();
}

void TFleetforgeMainObject::AlignMainForm() {
  const host::TRect area = WorkArea();
  TForm* main_form = host::Application->MainForm();
  main_form->SetBorderStyle(host::bsNone);
  const int64_t width = int64_t{host::GetSystemMetrics(host::SM_CXMAXIMIZED)} -
                        2 * int64_t{host::GetSystemMetrics(host::SM_CXFRAME)};
  main_form->SetBounds(area.Left, area.Top, ToSize(width), 0);

  host::TComponent* found = FirstComponent(main_form, IdeNames::kTabControl);
  if (found == nullptr) return;
  TTabControl* palette = host::As<TTabControl>(found);
  palette->SetMultiLine(true);
  palette->SetStyle(host::tsFlatButtons);
  palette->SetHotTrack(true);
  palette->SetRaggedRight(true);
  const host::TNotifyEvent mine(this, &TFleetforgeMainObject::OnResizeComponentPalette);
  // A repeated call keeps the handler it kept before, since the palette then
  // holds this object's own; a handler another package installed in between is
  // the one found, and so the one kept.
  if (!(palette->OnResize() == mine)) FSavedOnResize = palette->OnResize();
  palette->SetOnResize(mine);
  FPaletteTakenOver = true;
}

void TFleetforgeMainObject::OnResizeComponentPalette(TObject* Sender) {
  TTabControl* palette = host::As<TTabControl>(Sender);
  // A call without a sender has no palette to size.
  if (palette == nullptr) return;
  const host::TRect display = palette->DisplayRect();
  // What the tab control takes outside its display rectangle (the rows of tabs
  // and the borders), plus the page.
  const int64_t height =
      int64_t{palette->Height()} - (int64_t{display.Bottom} - display.Top) + kPalettePageHeight;
  const int32_t h = ToSize(height);
  palette->Constraints().SetMinHeight(h);
  // A palette without a container has no container to limit.
  if (palette->Parent() != nullptr) palette->Parent()->Constraints().SetMaxHeight(h);
}

TMenuItem* TFleetforgeMainObject::FindMenuItem(TMenuItem* Item, const AnsiString& Name) {
  return FleetforgeGlobal::FindMenuItem(Item, Name);
}

void TFleetforgeMainObject::CloseStandardProject() {
  if (FStandardProjectChecked) return;
  FStandardProjectChecked = true;
  if (!Options.CloseDefault) return;
  const AnsiString name = host::ExtractFileName(host::ToolServices->GetProjectName());
  if (name != IdeNames::kDefaultProjectDpr && name != IdeNames::kDefaultProjectCpp) return;
  TMenuItem* item = nullptr;
  TForm* main_form = host::Application->MainForm();
  const int32_t count = main_form->ComponentCount();
  for (int32_t i = 0; i < count; ++i) {
    if (auto* menu = dynamic_cast<host::TMainMenu*>(main_form->Components(i)))
      item = FindMenuItem(menu->Items(), IdeNames::kFileCloseAllItem);
  }
  if (item != nullptr) item->Click();
}

void TFleetforgeMainObject::AlignPropertyInspector() {
  if (!Options.HideCaptions) return;
  TForm* main_form = host::Application->MainForm();
  const int64_t cy_full = host::GetSystemMetrics(host::SM_CYFULLSCREEN);
  const int64_t cy_min = host::GetSystemMetrics(host::SM_CYMINIMIZED);
  int64_t next_top = main_form->Height();

  if (TForm* tree = FirstForm(IdeNames::kObjectTreeView)) {
    const host::TRect area = WorkArea();
    tree->SetTop(ToPosition(int64_t{main_form->Height()} + area.Top));
    tree->SetLeft(ToPosition(int64_t{main_form->Left()} + area.Left));
    tree->SetHeight(ToSize(cy_full - tree->Top() - cy_min - Options.ObjectInspectorHeight));
    next_top = int64_t{tree->Top()} + tree->Height();
    TakeBorderAndDocking(tree);
  }
  if (TForm* inspector = FirstForm(IdeNames::kPropertyInspector)) {
    inspector->SetTop(ToPosition(next_top));
    inspector->SetHeight(ToSize(cy_full - inspector->Top() - cy_min));
    inspector->SetLeft(main_form->Left());
    TakeBorderAndDocking(inspector);
  }
}

void TFleetforgeMainObject::AlignProjectManagerForm() {
  if (!Options.HideCaptions) return;
  TForm* main_form = host::Application->MainForm();
  const int64_t screen_height = host::Screen->Height();
  const int64_t cy_min = host::GetSystemMetrics(host::SM_CYMINIMIZED);
  const int32_t count = host::Screen->FormCount();
  for (int32_t i = 0; i < count; ++i) {
    TForm* form = host::Screen->Forms(i);
    if (form->Name() != IdeNames::kProjectManagerForm) continue;
    form->SetVisible(true);
    form->SetBorderStyle(host::bsNone);
    form->SetLeft(main_form->Left());
    form->SetTop(ToPosition(screen_height - form->Height() - cy_min));
  }
}

void TFleetforgeMainObject::AlignEditorForm() {
  if (!Options.MaximizeEditor) return;
  TForm* main_form = host::Application->MainForm();
  const int64_t screen_height = host::Screen->Height();
  const int64_t cy_min = host::GetSystemMetrics(host::SM_CYMINIMIZED);
  const int32_t count = host::Screen->FormCount();
  for (int32_t i = 0; i < count; ++i) {
    TForm* editor = host::Screen->Forms(i);
    if (editor->Name() != IdeNames::kEditWindow) continue;
    int64_t left = main_form->Left();
    if (editor->WindowState() != host::wsMaximized) {
      for (int32_t k = 0; k < count; ++k) {
        TForm* inspector = host::Screen->Forms(k);
        if (inspector->Name() == IdeNames::kPropertyInspector && inspector->Visible()) {
          left = int64_t{inspector->Left()} + inspector->Width();
          break;
        }
      }
    }
    editor->SetBounds(ToPosition(left), main_form->Height(),
                      ToSize(int64_t{main_form->Width()} - left),
                      ToSize(screen_height - editor->Top() - cy_min));
    if (host::TComponent* tabs = FirstComponent(editor, IdeNames::kTabControl))
      host::As<TTabControl>(tabs)->SetStyle(host::tsFlatButtons);
  }
}

void RestoreFormsBruteForce() {
  host::Application->MainForm()->SetBorderStyle(host::bsSizeable);
  const int32_t count = host::Screen->FormCount();
  for (int32_t i = 0; i < count; ++i) {
    TForm* form = host::Screen->Forms(i);
    if (form->Name() == IdeNames::kProjectManagerForm ||
        form->Name() == IdeNames::kPropertyInspector)
      form->SetBorderStyle(host::bsSizeToolWin);
    if (form->Name() == IdeNames::kEditWindow) {
      form->SetBorderStyle(host::bsSizeable);
      form->SetBorderIcons(form->BorderIcons() | host::biMaximize);
    }
  }
}

void RestoreFormsOnUnload() {
  if (FirstForm(IdeNames::kProjectOptionsDialog) == nullptr) return;
  // During the IDE's own shutdown the main form may already be gone.
  if (TForm* main_form = host::Application->MainForm()) main_form->SetBorderStyle(host::bsSizeable);
  const int32_t count = host::Screen->FormCount();
  for (int32_t i = 0; i < count; ++i) {
    TForm* form = host::Screen->Forms(i);
    if (form->Name() == IdeNames::kProjectManagerForm ||
        form->Name() == IdeNames::kPropertyInspector)
      form->SetBorderStyle(host::bsSizeToolWin);
  }
}

void Initialization() {
  if (!Guard.EnterInitialization()) return;
  if (FleetforgeGlobal::ProjOptDialog) {
    host::Application->MessageBox(kRestartNotice, kRestartCaption, 0);
    return;
  }
  FleetforgeMainObject = new TFleetforgeMainObject();
}

void Finalization() {
  if (!Guard.EnterFinalization()) return;
  delete FleetforgeMainObject;
  FleetforgeMainObject = nullptr;
  RestoreFormsOnUnload();
}

}  // namespace FleetforgeMain
