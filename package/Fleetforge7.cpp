// The package Fleetforge7: the module entry point, the package entry points, the
// unit table and the module's export directory and resources.
#include <array>
#include <string>
#include <typeinfo>
#include <utility>

#include "buttonbar/FleetforgeDelphiMainForm.h"
#include "compdate/FleetforgeCompDate.h"
#include "global/FleetforgeGlobal.h"
#include "host/rtl/sysinit.h"
#include "host/rtl/units.h"
#include "icon/FleetforgeIconChanger.h"
#include "layout/FleetforgeMain.h"
#include "options/FleetforgeMenu.h"
#include "options/FleetforgeOptions.h"
#include "package/resources.h"

namespace Fleetforge7 {

using host::BOOL;
using host::HINSTANCE;

namespace {

host::TLibModule& lib_module = host::ModuleRecord();
// The module's own flags: a library and a package.
constexpr uint32_t kIsLibrary = 0x1;
constexpr uint32_t kIsPackage = 0x2;
uint32_t module_flags = 0;

// ---- The unit table ----------------------------------------------------------
// Entries 0 to 83: the module's start-up unit, then the host units the package
// uses. An entry runs the host unit's own section where the host has one, and a
// local once-only guard otherwise. Entries 84 to 90: the add-in's units.
constexpr int kHostEntries = 84;
constexpr int kUnitCount = 91;
static_assert(static_cast<size_t>(kHostEntries) == 1 + host::kHostUnitCount,
              "the unit table lists the start-up unit and every host unit");
std::array<host::UnitGuard, kHostEntries> local_guards;

const std::string& HostUnitOf(int entry) {
  static const std::string start_up = "SysInit";
  return entry == 0 ? start_up : host::HostUnitNames()[static_cast<size_t>(entry - 1)];
}

template <int Entry>
void HostInit() {
  const std::string& unit = HostUnitOf(Entry);
  if (host::HostUnitHasSections(unit))
    host::HostUnitInitialization(unit);
  else
    local_guards[Entry].EnterInitialization();
}

template <int Entry>
void HostFinit() {
  const std::string& unit = HostUnitOf(Entry);
  if (host::HostUnitHasSections(unit))
    host::HostUnitFinalization(unit);
  else
    local_guards[Entry].EnterFinalization();
}

template <int... Entry>
constexpr std::array<host::PackageUnitEntry, kUnitCount> MakeUnitTable(
    std::integer_sequence<int, Entry...>) {
  return {{{&HostInit<Entry>, &HostFinit<Entry>}...,
           {&FleetforgeGlobal::Initialization, &FleetforgeGlobal::Finalization},
           {&FleetforgeDelphiMainForm::Initialization, &FleetforgeDelphiMainForm::Finalization},
           {&FleetforgeMain::Initialization, &FleetforgeMain::Finalization},
           {&FleetforgeCompDate::Initialization, &FleetforgeCompDate::Finalization},
           {&FleetforgeIconChanger::Initialization, &FleetforgeIconChanger::Finalization},
           {&FleetforgeOptions::Initialization, &FleetforgeOptions::Finalization},
           {&FleetforgeMenu::Initialization, &FleetforgeMenu::Finalization}}};
}

const std::array<host::PackageUnitEntry, kUnitCount> unit_entries =
    MakeUnitTable(std::make_integer_sequence<int, kHostEntries>());
const host::PackageInfoTable package_info_table{kUnitCount, unit_entries.data()};

// ---- Entry points --------------------------------------------------------------

BOOL EntryPoint(HINSTANCE instance, uint32_t reason, void*) {
  module_flags |= kIsLibrary | kIsPackage;
  lib_module.Instance = instance;
  lib_module.CodeInstance = 0;
  lib_module.DataInstance = 0;
  switch (reason) {
    case host::DLL_PROCESS_ATTACH:
      host::RegisterModule(&lib_module);
      break;
    case host::DLL_PROCESS_DETACH:
      host::UnregisterModule(&lib_module);
      if (lib_module.ResInstance != 0 && lib_module.ResInstance != lib_module.Instance)
        host::FreeLibrary(lib_module.ResInstance);
      break;
    default:
      break;  // thread attach and detach: nothing
  }
  return host::TRUE;
}

void Initialize() {
  host::PackageLoad(&package_info_table, &lib_module);
}
void Finalize() {
  host::PackageUnload(&package_info_table, &lib_module);
}
const host::PackageInfoTable* GetPackageInfoTable() {
  return &package_info_table;
}

// ---- Class records and method thunks -------------------------------------------
using FleetforgeCompDate::TFleetforgeCompDateCreator;
using FleetforgeDelphiMainForm::TffDelphiMainForm;
using FleetforgeMain::TFleetforgeMainObject;
using FleetforgeMenu::TFleetforgeMenuExpert;
using FleetforgeOptions::TfmOptions;
using host::AnsiString;
using host::TObject;

const host::TClassRecord main_object_class{"TFleetforgeMainObject", "TObject",
                                           sizeof(TFleetforgeMainObject)};
const host::TClassRecord compdate_class{"TFleetforgeCompDateCreator", "TNotifierObject",
                                        sizeof(TFleetforgeCompDateCreator)};
const host::TClassRecord menu_expert_class{"TFleetforgeMenuExpert", "TNotifierObject",
                                           sizeof(TFleetforgeMenuExpert)};
const host::TClassRecord options_form_class{"TfmOptions", "TForm", sizeof(TfmOptions)};
const host::TClassRecord bar_form_class{"TffDelphiMainForm", "TForm", sizeof(TffDelphiMainForm)};

namespace barform {
void FormCreate(TffDelphiMainForm* self, TObject* sender) {
  self->FormCreate(sender);
}
void sbMinimizeClick(TffDelphiMainForm* self, TObject* sender) {
  self->sbMinimizeClick(sender);
}
void sbCloseClick(TffDelphiMainForm* self, TObject* sender) {
  self->sbCloseClick(sender);
}
void FormShow(TffDelphiMainForm* self, TObject* sender) {
  self->FormShow(sender);
}
void TimerTimer(TffDelphiMainForm* self, TObject* sender) {
  self->TimerTimer(sender);
}
void ApplicationActivate(TffDelphiMainForm* self, TObject* sender) {
  self->ApplicationActivate(sender);
}
void ApplicationDeactivate(TffDelphiMainForm* self, TObject* sender) {
  self->ApplicationDeactivate(sender);
}
void sbComponentsClick(TffDelphiMainForm* self, TObject* sender) {
  self->sbComponentsClick(sender);
}
}  // namespace barform

namespace mainobject {
TFleetforgeMainObject* Create() {
  return new TFleetforgeMainObject();
}
void Destroy(TFleetforgeMainObject* self) {
  delete self;
}
host::TMenuItem* FindMenuItem(TFleetforgeMainObject* self, host::TMenuItem* item,
                              const AnsiString& name) {
  return self->FindMenuItem(item, name);
}
void OnTimer(TFleetforgeMainObject* self, TObject* sender) {
  self->OnTimer(sender);
}
void OnResizeComponentPalette(TFleetforgeMainObject* self, TObject* sender) {
  self->OnResizeComponentPalette(sender);
}
void AlignMainForm(TFleetforgeMainObject* self) {
  self->AlignMainForm();
}
void CloseStandardProject(TFleetforgeMainObject* self) {
  self->CloseStandardProject();
}
void AlignPropertyInspector(TFleetforgeMainObject* self) {
  self->AlignPropertyInspector();
}
void AlignEditorForm(TFleetforgeMainObject* self) {
  self->AlignEditorForm();
}
void AlignProjectManagerForm(TFleetforgeMainObject* self) {
  self->AlignProjectManagerForm();
}
}  // namespace mainobject

namespace compdate {
TFleetforgeCompDateCreator* Create() {
  return new TFleetforgeCompDateCreator();
}
void Destroy(TFleetforgeCompDateCreator* self) {
  delete self;
}
void AfterCompile1(TFleetforgeCompDateCreator* self, bool succeeded) {
  self->AfterCompile(succeeded);
}
void AfterCompile2(TFleetforgeCompDateCreator* self, bool succeeded, bool codeInsight) {
  self->AfterCompile(succeeded, codeInsight);
}
void BeforeCompile1(TFleetforgeCompDateCreator* self, host::IOTAProject* project, bool& cancel) {
  self->BeforeCompile(project, cancel);
}
void BeforeCompile2(TFleetforgeCompDateCreator* self, host::IOTAProject* project, bool codeInsight,
                    bool& cancel) {
  self->BeforeCompile(project, codeInsight, cancel);
}
void FileNotification(TFleetforgeCompDateCreator* self, host::TOTAFileNotification code,
                      const AnsiString& name, bool& cancel) {
  self->FileNotification(code, name, cancel);
}
}  // namespace compdate

namespace menuexpert {
TFleetforgeMenuExpert* Create() {
  return new TFleetforgeMenuExpert();
}
void Destroy(TFleetforgeMenuExpert* self) {
  delete self;
}
void Execute(TFleetforgeMenuExpert* self) {
  self->Execute();
}
AnsiString GetIDString(TFleetforgeMenuExpert* self) {
  return self->GetIDString();
}
AnsiString GetName(TFleetforgeMenuExpert* self) {
  return self->GetName();
}
host::TWizardState GetState(TFleetforgeMenuExpert* self) {
  return self->GetState();
}
void OptionsClick(TFleetforgeMenuExpert* self, TObject* sender) {
  self->OptionsClick(sender);
}
}  // namespace menuexpert

namespace optionsform {
void FormCreate(TfmOptions* self, TObject* sender) {
  self->FormCreate(sender);
}
void btOKClick(TfmOptions* self, TObject* sender) {
  self->btOKClick(sender);
}
void btCancelClick(TfmOptions* self, TObject* sender) {
  self->btCancelClick(sender);
}
}  // namespace optionsform

template <class F>
const void* Code(F* function) {
  return reinterpret_cast<const void*>(function);
}

// ---- The export directory ----------------------------------------------------------
const host::TExportEntry exports_table[] = {
    // Package
    {"Fleetforge7.EntryPoint(HINSTANCE,Cardinal,Pointer)", Code(&EntryPoint)},
    {"Initialize", Code(&Initialize)},
    {"Finalize", Code(&Finalize)},
    {"@GetPackageInfoTable", Code(&GetPackageInfoTable)},
    {"Fleetforge7.PackageLoad()", Code(&Initialize)},
    {"Fleetforge7.PackageUnload()", Code(&Finalize)},
    {"Fleetforge7.GetPackageInfoTable()", Code(&GetPackageInfoTable)},
    // Unit sections
    {"FleetforgeGlobal.Initialization()", Code(&FleetforgeGlobal::Initialization)},
    {"FleetforgeGlobal.Finalization()", Code(&FleetforgeGlobal::Finalization)},
    {"FleetforgeDelphiMainForm.Initialization()", Code(&FleetforgeDelphiMainForm::Initialization)},
    {"FleetforgeDelphiMainForm.Finalization()", Code(&FleetforgeDelphiMainForm::Finalization)},
    {"FleetforgeMain.Initialization()", Code(&FleetforgeMain::Initialization)},
    {"FleetforgeMain.Finalization()", Code(&FleetforgeMain::Finalization)},
    {"FleetforgeCompDate.Initialization()", Code(&FleetforgeCompDate::Initialization)},
    {"FleetforgeCompDate.Finalization()", Code(&FleetforgeCompDate::Finalization)},
    {"FleetforgeIconChanger.Initialization()", Code(&FleetforgeIconChanger::Initialization)},
    {"FleetforgeIconChanger.Finalization()", Code(&FleetforgeIconChanger::Finalization)},
    {"FleetforgeOptions.Initialization()", Code(&FleetforgeOptions::Initialization)},
    {"FleetforgeOptions.Finalization()", Code(&FleetforgeOptions::Finalization)},
    {"FleetforgeMenu.Initialization()", Code(&FleetforgeMenu::Initialization)},
    {"FleetforgeMenu.Finalization()", Code(&FleetforgeMenu::Finalization)},
    // Registration
    {"FleetforgeCompDate.Register()", Code(&FleetforgeCompDate::Register)},
    {"FleetforgeMenu.Register()", Code(&FleetforgeMenu::Register)},
    // Routines
    {"FleetforgeGlobal.FindMenuItem(TMenuItem,AnsiString)", Code(&FleetforgeGlobal::FindMenuItem)},
    {"FleetforgeGlobal.CompleteMenuName(TMenuItem,AnsiString)",
     Code(&FleetforgeGlobal::CompleteMenuName)},
    {"FleetforgeGlobal.ExecuteMenuItem(AnsiString)", Code(&FleetforgeGlobal::ExecuteMenuItem)},
    {"FleetforgeGlobal.ReadOptionsFromRegistry()",
     Code(&FleetforgeGlobal::ReadOptionsFromRegistry)},
    {"FleetforgeGlobal.WriteOptionsToRegistry()", Code(&FleetforgeGlobal::WriteOptionsToRegistry)},
    {"FleetforgeMain.RestoreFormsBruteForce()", Code(&FleetforgeMain::RestoreFormsBruteForce)},
    {"FleetforgeIconChanger.ChangeIcon()", Code(&FleetforgeIconChanger::ChangeIcon)},
    // Variables
    {"FleetforgeGlobal.Options", &FleetforgeGlobal::Options},
    {"FleetforgeGlobal.ProjOptDialog", &FleetforgeGlobal::ProjOptDialog},
    {"FleetforgeDelphiMainForm.ffDelphiMainForm", &FleetforgeDelphiMainForm::ffDelphiMainForm},
    {"FleetforgeMain.FleetforgeMainObject", &FleetforgeMain::FleetforgeMainObject},
    {"FleetforgeOptions.fmOptions", &FleetforgeOptions::fmOptions},
    // TffDelphiMainForm
    {"FleetforgeDelphiMainForm.TffDelphiMainForm.ClassRecord", &bar_form_class},
    {"FleetforgeDelphiMainForm.TffDelphiMainForm.TypeInfo", &typeid(TffDelphiMainForm)},
    {"FleetforgeDelphiMainForm.TffDelphiMainForm.FormCreate(TObject)", Code(&barform::FormCreate)},
    {"FleetforgeDelphiMainForm.TffDelphiMainForm.sbMinimizeClick(TObject)",
     Code(&barform::sbMinimizeClick)},
    {"FleetforgeDelphiMainForm.TffDelphiMainForm.sbCloseClick(TObject)",
     Code(&barform::sbCloseClick)},
    {"FleetforgeDelphiMainForm.TffDelphiMainForm.FormShow(TObject)", Code(&barform::FormShow)},
    {"FleetforgeDelphiMainForm.TffDelphiMainForm.TimerTimer(TObject)", Code(&barform::TimerTimer)},
    {"FleetforgeDelphiMainForm.TffDelphiMainForm.ApplicationActivate(TObject)",
     Code(&barform::ApplicationActivate)},
    {"FleetforgeDelphiMainForm.TffDelphiMainForm.ApplicationDeactivate(TObject)",
     Code(&barform::ApplicationDeactivate)},
    {"FleetforgeDelphiMainForm.TffDelphiMainForm.sbComponentsClick(TObject)",
     Code(&barform::sbComponentsClick)},
    // TFleetforgeMainObject
    {"FleetforgeMain.TFleetforgeMainObject.ClassRecord", &main_object_class},
    {"FleetforgeMain.TFleetforgeMainObject.TypeInfo", &typeid(TFleetforgeMainObject)},
    {"FleetforgeMain.TFleetforgeMainObject.Create()", Code(&mainobject::Create)},
    {"FleetforgeMain.TFleetforgeMainObject.Destroy()", Code(&mainobject::Destroy)},
    {"FleetforgeMain.TFleetforgeMainObject.FindMenuItem(TMenuItem,AnsiString)",
     Code(&mainobject::FindMenuItem)},
    {"FleetforgeMain.TFleetforgeMainObject.OnTimer(TObject)", Code(&mainobject::OnTimer)},
    {"FleetforgeMain.TFleetforgeMainObject.OnResizeComponentPalette(TObject)",
     Code(&mainobject::OnResizeComponentPalette)},
    {"FleetforgeMain.TFleetforgeMainObject.AlignMainForm()", Code(&mainobject::AlignMainForm)},
    {"FleetforgeMain.TFleetforgeMainObject.CloseStandardProject()",
     Code(&mainobject::CloseStandardProject)},
    {"FleetforgeMain.TFleetforgeMainObject.AlignPropertyInspector()",
     Code(&mainobject::AlignPropertyInspector)},
    {"FleetforgeMain.TFleetforgeMainObject.AlignEditorForm()", Code(&mainobject::AlignEditorForm)},
    {"FleetforgeMain.TFleetforgeMainObject.AlignProjectManagerForm()",
     Code(&mainobject::AlignProjectManagerForm)},
    // TFleetforgeCompDateCreator
    {"FleetforgeCompDate.TFleetforgeCompDateCreator.ClassRecord", &compdate_class},
    {"FleetforgeCompDate.TFleetforgeCompDateCreator.TypeInfo", &typeid(TFleetforgeCompDateCreator)},
    {"FleetforgeCompDate.TFleetforgeCompDateCreator.Create()", Code(&compdate::Create)},
    {"FleetforgeCompDate.TFleetforgeCompDateCreator.Destroy()", Code(&compdate::Destroy)},
    {"FleetforgeCompDate.TFleetforgeCompDateCreator.AfterCompile(Boolean)",
     Code(&compdate::AfterCompile1)},
    {"FleetforgeCompDate.TFleetforgeCompDateCreator.AfterCompile(Boolean,Boolean)",
     Code(&compdate::AfterCompile2)},
    {"FleetforgeCompDate.TFleetforgeCompDateCreator.BeforeCompile(IOTAProject,var Boolean)",
     Code(&compdate::BeforeCompile1)},
    {"FleetforgeCompDate.TFleetforgeCompDateCreator.BeforeCompile(IOTAProject,Boolean,var Boolean)",
     Code(&compdate::BeforeCompile2)},
    {"FleetforgeCompDate.TFleetforgeCompDateCreator.FileNotification(TOTAFileNotification,"
     "AnsiString,var Boolean)",
     Code(&compdate::FileNotification)},
    // TfmOptions
    {"FleetforgeOptions.TfmOptions.ClassRecord", &options_form_class},
    {"FleetforgeOptions.TfmOptions.TypeInfo", &typeid(TfmOptions)},
    {"FleetforgeOptions.TfmOptions.FormCreate(TObject)", Code(&optionsform::FormCreate)},
    {"FleetforgeOptions.TfmOptions.btOKClick(TObject)", Code(&optionsform::btOKClick)},
    {"FleetforgeOptions.TfmOptions.btCancelClick(TObject)", Code(&optionsform::btCancelClick)},
    // TFleetforgeMenuExpert
    {"FleetforgeMenu.TFleetforgeMenuExpert.ClassRecord", &menu_expert_class},
    {"FleetforgeMenu.TFleetforgeMenuExpert.TypeInfo", &typeid(TFleetforgeMenuExpert)},
    {"FleetforgeMenu.TFleetforgeMenuExpert.Create()", Code(&menuexpert::Create)},
    {"FleetforgeMenu.TFleetforgeMenuExpert.Destroy()", Code(&menuexpert::Destroy)},
    {"FleetforgeMenu.TFleetforgeMenuExpert.Execute()", Code(&menuexpert::Execute)},
    {"FleetforgeMenu.TFleetforgeMenuExpert.GetIDString()", Code(&menuexpert::GetIDString)},
    {"FleetforgeMenu.TFleetforgeMenuExpert.GetName()", Code(&menuexpert::GetName)},
    {"FleetforgeMenu.TFleetforgeMenuExpert.GetState()", Code(&menuexpert::GetState)},
    {"FleetforgeMenu.TFleetforgeMenuExpert.OptionsClick(TObject)", Code(&menuexpert::OptionsClick)},
};

const host::TModuleImage module_image{host::kModuleImageMagic,
                                      host::kModuleImageVersion,
                                      &EntryPoint,
                                      exports_table,
                                      static_cast<uint32_t>(std::size(exports_table)),
                                      nullptr,
                                      0};

}  // namespace

}  // namespace Fleetforge7

// The one symbol the host's loader looks up.
extern "C" __attribute__((visibility("default"))) const host::TModuleImage* HostModuleImage() {
  static host::TModuleImage image = [] {
    host::TModuleImage result = Fleetforge7::module_image;
    const auto& resources = Fleetforge7::PackageResources();
    result.Resources = resources.data();
    result.ResourceCount = static_cast<uint32_t>(resources.size());
    return result;
  }();
  return &image;
}
