#include "global/FleetforgeGlobal.h"

#include <memory>

#include "global/IdeNames.h"
#include "host/rtl/units.h"
#include "host/vcl/forms.h"
#include "host/vcl/registry.h"

namespace FleetforgeGlobal {

TOptionsRecord Options{};
bool ProjOptDialog = false;
namespace {
host::UnitGuard Guard;
}  // namespace

void ReadOptionsFromRegistry() {
  // The switches start from their defaults; ObjectInspectorHeight keeps its value
  // unless the registry holds one.
  for (const TOptionValue& value : kOptionValues)
    if (value.Switch != nullptr) Options.*value.Switch = value.Default;

  auto registry = std::make_unique<host::TRegistry>();  // freed however the reads end
  registry->SetRootKey(host::HKEY_CURRENT_USER);
  if (!registry->OpenKey(kRegistryKey, false)) return;
  for (const TOptionValue& value : kOptionValues) ReadOptionValue(*registry, value, Options);
  registry->CloseKey();
}

void WriteOptionsToRegistry() {
  auto registry = std::make_unique<host::TRegistry>();
  registry->SetRootKey(host::HKEY_CURRENT_USER);
  if (!registry->OpenKey(kRegistryKey, true)) return;
  for (const TOptionValue& value : kOptionValues) {
    if (value.Switch != nullptr)
      registry->WriteBool(value.Name, Options.*value.Switch);
    else
      registry->WriteInteger(value.Name, Options.*value.Integer);
  }
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
