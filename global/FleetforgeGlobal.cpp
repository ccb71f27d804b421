#include "global/FleetforgeGlobal.h"

#include <memory>

#include "global/IdeNames.h"
#include "host/vcl/forms.h"
#include "host/vcl/registry.h"

namespace FleetforgeGlobal {

TOptionsRecord Options{};
bool ProjOptDialog = false;
Fleetforge7::UnitGuard Guard;

void ReadOptionsFromRegistry() {
  Options.CloseDefault = true;
  Options.HideCaptions = false;
  Options.MaximizeEditor = false;
  Options.CreateCompDate = true;
  Options.ChangeIcon = false;
  // ObjectInspectorHeight keeps its value unless the registry holds one.

  auto registry = std::make_unique<host::TRegistry>();  // freed however the reads end
  registry->SetRootKey(host::HKEY_CURRENT_USER);
  if (!registry->OpenKey(kRegistryKey, false)) return;
  Options.CloseDefault = registry->ReadBool("CloseDefault");
  Options.HideCaptions = registry->ReadBool("HideCaptions");
  Options.MaximizeEditor = registry->ReadBool("MaximizeEditor");
  Options.CreateCompDate = registry->ReadBool("CreateCompDate");
  Options.ChangeIcon = registry->ReadBool("ChangeIcon");
  Options.ObjectInspectorHeight = registry->ReadInteger("ObjectInspectorHeight");
  registry->CloseKey();
}

void WriteOptionsToRegistry() {
  auto registry = std::make_unique<host::TRegistry>();
  registry->SetRootKey(host::HKEY_CURRENT_USER);
  if (!registry->OpenKey(kRegistryKey, true)) return;
  registry->WriteBool("CloseDefault", Options.CloseDefault);
  registry->WriteBool("HideCaptions", Options.HideCaptions);
  registry->WriteBool("MaximizeEditor", Options.MaximizeEditor);
  registry->WriteBool("CreateCompDate", Options.CreateCompDate);
  registry->WriteBool("ChangeIcon", Options.ChangeIcon);
  registry->WriteInteger("ObjectInspectorHeight", Options.ObjectInspectorHeight);
  registry->CloseKey();
}

TMenuItem* FindMenuItem(TMenuItem* Item, const AnsiString& Name) {
  TMenuItem* result = nullptr;
  const int32_t count = Item->Count();
  for (int32_t i = 0; i < count; ++i) {
    TMenuItem* sub = Item->Items(i);
    if (!sub->Name().empty() && sub->Name() == Name)  // an unnamed item never matches
      result = sub;
    else if (sub->Count() > 0)
      result = FindMenuItem(sub, Name);
    if (result != nullptr) break;
  }
  return result;
}

AnsiString CompleteMenuName(TMenuItem* Item, const AnsiString& Part) {
  AnsiString result;
  const AnsiString part = host::UpperCase(Part);
  const int32_t count = Item->Count();
  for (int32_t i = 0; i < count; ++i) {
    TMenuItem* sub = Item->Items(i);
    if (host::Pos(part, host::UpperCase(sub->Name())) > 0)
      result = sub->Name();
    else if (sub->Count() > 0)
      result = CompleteMenuName(sub, Part);
    if (!result.empty()) break;
  }
  return result;
}

bool ExecuteMenuItem(const AnsiString& Name) {
  host::TForm* main_form = host::Application->MainForm();
  // Without a main form or a main menu there is nothing to search.
  if (main_form == nullptr || main_form->Menu() == nullptr) return false;
  TMenuItem* item = FindMenuItem(main_form->Menu()->Items(), Name);
  if (item == nullptr) return false;
  item->Click();
  return true;
}

void Initialization() {
  if (!Guard.EnterInitialization()) return;
  ProjOptDialog = false;
  const int32_t count = host::Screen->FormCount();
  for (int32_t i = 0; i < count; ++i) {
    if (host::Screen->Forms(i)->Name() == IdeNames::kProjectOptionsDialog) {
      ProjOptDialog = true;
      break;
    }
  }
  ReadOptionsFromRegistry();
}

void Finalization() {
  // The options are not written at unload.
  Guard.EnterFinalization();
}

}  // namespace FleetforgeGlobal
