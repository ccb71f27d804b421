// The package Fleetforge7: the module entry point, the package entry points, the
// unit table and the module's export directory and resources.
#include <array>
#include <deque>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "buttonbar/FleetforgeDelphiMainForm.h"
#include "compdate/FleetforgeCompDate.h"
#include "global/FleetforgeGlobal.h"
#include "host/rtl/sysinit.h"
#include "host/rtl/units.h"
#include "icon/FleetforgeIconChanger.h"
#include "layout/FleetforgeMain.h"
#include "options/FleetforgeMenu.h"
#include "options/FleetforgeOptions.h"
#include "package/exports.h"
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

}  // namespace

// What the module exports has external linkage, so that the Windows build's
// export definitions can name it.

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

extern const host::TClassRecord main_object_class{"TFleetforgeMainObject", "TObject",
                                                  sizeof(TFleetforgeMainObject)};
extern const host::TClassRecord compdate_class{"TFleetforgeCompDateCreator", "TNotifierObject",
                                               sizeof(TFleetforgeCompDateCreator)};
extern const host::TClassRecord menu_expert_class{"TFleetforgeMenuExpert", "TNotifierObject",
                                                  sizeof(TFleetforgeMenuExpert)};
extern const host::TClassRecord options_form_class{"TfmOptions", "TForm", sizeof(TfmOptions)};
extern const host::TClassRecord bar_form_class{"TffDelphiMainForm", "TForm",
                                               sizeof(TffDelphiMainForm)};

// An exported method is a routine that takes the object first, then the method's
// own parameters.
template <auto Method>
struct Thunk;
template <class C, class R, class... A, R (C::*Method)(A...)>
struct Thunk<Method> {
  static R Call(C* self, A... args) { return (self->*Method)(std::forward<A>(args)...); }
};

// One of a class's overloaded methods, by its signature.
template <class Signature, class C>
constexpr Signature C::*Overload(Signature C::*method) {
  return method;
}

template <class C>
C* Create() {
  return new C();
}
template <class C>
void Destroy(C* self) {
  delete self;
}

template <class F>
const void* Code(F* function) {
  return reinterpret_cast<const void*>(function);
}

// ---- The export directory ----------------------------------------------------------
namespace {

class ExportDirectory {
 public:
  void Add(std::string name, const void* address) {
    names_.push_back(std::move(name));
    entries_.push_back({names_.back().c_str(), address});
  }
  // A class's published methods, each as <Class>.<Name>(TObject); Class is the
  // unit-qualified class name.
  template <const auto& Methods>
  void Published(const std::string& Class) {
    AddPublished<Methods>(Class, std::make_index_sequence<std::size(Methods)>());
  }
  const std::vector<host::TExportEntry>& Entries() const { return entries_; }

 private:
  template <const auto& Methods, size_t... I>
  void AddPublished(const std::string& Class, std::index_sequence<I...>) {
    (Add(Class + "." + Methods[I].Name + "(TObject)", Code(&Thunk<Methods[I].Code>::Call)), ...);
  }

  std::deque<std::string> names_;  // a deque keeps each name where it is
  std::vector<host::TExportEntry> entries_;
};

ExportDirectory MakeExportDirectory() {
  using CompDate = TFleetforgeCompDateCreator;
  ExportDirectory d;
  // Package
  d.Add("Fleetforge7.EntryPoint(HINSTANCE,Cardinal,Pointer)", Code(&EntryPoint));
  d.Add("Initialize", Code(&Initialize));
  d.Add("Finalize", Code(&Finalize));
  d.Add("@GetPackageInfoTable", Code(&GetPackageInfoTable));
  d.Add("Fleetforge7.PackageLoad()", Code(&Initialize));
  d.Add("Fleetforge7.PackageUnload()", Code(&Finalize));
  d.Add("Fleetforge7.GetPackageInfoTable()", Code(&GetPackageInfoTable));
  // Unit sections
  d.Add("FleetforgeGlobal.Initialization()", Code(&FleetforgeGlobal::Initialization));
  d.Add("FleetforgeGlobal.Finalization()", Code(&FleetforgeGlobal::Finalization));
  d.Add("FleetforgeDelphiMainForm.Initialization()",
        Code(&FleetforgeDelphiMainForm::Initialization));
  d.Add("FleetforgeDelphiMainForm.Finalization()", Code(&FleetforgeDelphiMainForm::Finalization));
  d.Add("FleetforgeMain.Initialization()", Code(&FleetforgeMain::Initialization));
  d.Add("FleetforgeMain.Finalization()", Code(&FleetforgeMain::Finalization));
  d.Add("FleetforgeCompDate.Initialization()", Code(&FleetforgeCompDate::Initialization));
  d.Add("FleetforgeCompDate.Finalization()", Code(&FleetforgeCompDate::Finalization));
  d.Add("FleetforgeIconChanger.Initialization()", Code(&FleetforgeIconChanger::Initialization));
  d.Add("FleetforgeIconChanger.Finalization()", Code(&FleetforgeIconChanger::Finalization));
  d.Add("FleetforgeOptions.Initialization()", Code(&FleetforgeOptions::Initialization));
  d.Add("FleetforgeOptions.Finalization()", Code(&FleetforgeOptions::Finalization));
  d.Add("FleetforgeMenu.Initialization()", Code(&FleetforgeMenu::Initialization));
  d.Add("FleetforgeMenu.Finalization()", Code(&FleetforgeMenu::Finalization));
  // Registration
  d.Add("FleetforgeCompDate.Register()", Code(&FleetforgeCompDate::Register));
  d.Add("FleetforgeMenu.Register()", Code(&FleetforgeMenu::Register));
  // Routines
  d.Add("FleetforgeGlobal.FindMenuItem(TMenuItem,AnsiString)",
        Code(&FleetforgeGlobal::FindMenuItem));
  d.Add("FleetforgeGlobal.CompleteMenuName(TMenuItem,AnsiString)",
        Code(&FleetforgeGlobal::CompleteMenuName));
  d.Add("FleetforgeGlobal.ExecuteMenuItem(AnsiString)", Code(&FleetforgeGlobal::ExecuteMenuItem));
  d.Add("FleetforgeGlobal.ReadOptionsFromRegistry()",
        Code(&FleetforgeGlobal::ReadOptionsFromRegistry));
  d.Add("FleetforgeGlobal.WriteOptionsToRegistry()",
        Code(&FleetforgeGlobal::WriteOptionsToRegistry));
  d.Add("FleetforgeMain.RestoreFormsBruteForce()", Code(&FleetforgeMain::RestoreFormsBruteForce));
  d.Add("FleetforgeIconChanger.ChangeIcon()", Code(&FleetforgeIconChanger::ChangeIcon));
  // Variables
  d.Add("FleetforgeGlobal.Options", &FleetforgeGlobal::Options);
  d.Add("FleetforgeGlobal.ProjOptDialog", &FleetforgeGlobal::ProjOptDialog);
  d.Add("FleetforgeDelphiMainForm.ffDelphiMainForm", &FleetforgeDelphiMainForm::ffDelphiMainForm);
  d.Add("FleetforgeMain.FleetforgeMainObject", &FleetforgeMain::FleetforgeMainObject);
  d.Add("FleetforgeOptions.fmOptions", &FleetforgeOptions::fmOptions);
  // TffDelphiMainForm
  d.Add("FleetforgeDelphiMainForm.TffDelphiMainForm.ClassRecord", &bar_form_class);
  d.Add("FleetforgeDelphiMainForm.TffDelphiMainForm.TypeInfo", &typeid(TffDelphiMainForm));
  d.Published<FleetforgeDelphiMainForm::kPublishedMethods>(
      "FleetforgeDelphiMainForm.TffDelphiMainForm");
  // TFleetforgeMainObject
  d.Add("FleetforgeMain.TFleetforgeMainObject.ClassRecord", &main_object_class);
  d.Add("FleetforgeMain.TFleetforgeMainObject.TypeInfo", &typeid(TFleetforgeMainObject));
  d.Add("FleetforgeMain.TFleetforgeMainObject.Create()", Code(&Create<TFleetforgeMainObject>));
  d.Add("FleetforgeMain.TFleetforgeMainObject.Destroy()", Code(&Destroy<TFleetforgeMainObject>));
  d.Add("FleetforgeMain.TFleetforgeMainObject.FindMenuItem(TMenuItem,AnsiString)",
        Code(&Thunk<&TFleetforgeMainObject::FindMenuItem>::Call));
  d.Published<FleetforgeMain::kPublishedMethods>("FleetforgeMain.TFleetforgeMainObject");
  d.Add("FleetforgeMain.TFleetforgeMainObject.AlignMainForm()",
        Code(&Thunk<&TFleetforgeMainObject::AlignMainForm>::Call));
  d.Add("FleetforgeMain.TFleetforgeMainObject.CloseStandardProject()",
        Code(&Thunk<&TFleetforgeMainObject::CloseStandardProject>::Call));
  d.Add("FleetforgeMain.TFleetforgeMainObject.AlignPropertyInspector()",
        Code(&Thunk<&TFleetforgeMainObject::AlignPropertyInspector>::Call));
  d.Add("FleetforgeMain.TFleetforgeMainObject.AlignEditorForm()",
        Code(&Thunk<&TFleetforgeMainObject::AlignEditorForm>::Call));
  d.Add("FleetforgeMain.TFleetforgeMainObject.AlignProjectManagerForm()",
        Code(&Thunk<&TFleetforgeMainObject::AlignProjectManagerForm>::Call));
  // TFleetforgeCompDateCreator
  d.Add("FleetforgeCompDate.TFleetforgeCompDateCreator.ClassRecord", &compdate_class);
  d.Add("FleetforgeCompDate.TFleetforgeCompDateCreator.TypeInfo", &typeid(CompDate));
  d.Add("FleetforgeCompDate.TFleetforgeCompDateCreator.Create()", Code(&Create<CompDate>));
  d.Add("FleetforgeCompDate.TFleetforgeCompDateCreator.Destroy()", Code(&Destroy<CompDate>));
  d.Add("FleetforgeCompDate.TFleetforgeCompDateCreator.AfterCompile(Boolean)",
        Code(&Thunk<Overload<void(bool)>(&CompDate::AfterCompile)>::Call));
  d.Add("FleetforgeCompDate.TFleetforgeCompDateCreator.AfterCompile(Boolean,Boolean)",
        Code(&Thunk<Overload<void(bool, bool)>(&CompDate::AfterCompile)>::Call));
  d.Add("FleetforgeCompDate.TFleetforgeCompDateCreator.BeforeCompile(IOTAProject,var Boolean)",
        Code(&Thunk<Overload<void(host::IOTAProject*, bool&)>(&CompDate::BeforeCompile)>::Call));
  d.Add(
      "FleetforgeCompDate.TFleetforgeCompDateCreator.BeforeCompile(IOTAProject,Boolean,var "
      "Boolean)",
      Code(
          &Thunk<Overload<void(host::IOTAProject*, bool, bool&)>(&CompDate::BeforeCompile)>::Call));
  d.Add(
      "FleetforgeCompDate.TFleetforgeCompDateCreator.FileNotification(TOTAFileNotification,"
      "AnsiString,var Boolean)",
      Code(&Thunk<&CompDate::FileNotification>::Call));
  // TfmOptions
  d.Add("FleetforgeOptions.TfmOptions.ClassRecord", &options_form_class);
  d.Add("FleetforgeOptions.TfmOptions.TypeInfo", &typeid(TfmOptions));
  d.Published<FleetforgeOptions::kPublishedMethods>("FleetforgeOptions.TfmOptions");
  // TFleetforgeMenuExpert
  d.Add("FleetforgeMenu.TFleetforgeMenuExpert.ClassRecord", &menu_expert_class);
  d.Add("FleetforgeMenu.TFleetforgeMenuExpert.TypeInfo", &typeid(TFleetforgeMenuExpert));
  d.Add("FleetforgeMenu.TFleetforgeMenuExpert.Create()", Code(&Create<TFleetforgeMenuExpert>));
  d.Add("FleetforgeMenu.TFleetforgeMenuExpert.Destroy()", Code(&Destroy<TFleetforgeMenuExpert>));
  d.Add("FleetforgeMenu.TFleetforgeMenuExpert.Execute()",
        Code(&Thunk<&TFleetforgeMenuExpert::Execute>::Call));
  d.Add("FleetforgeMenu.TFleetforgeMenuExpert.GetIDString()",
        Code(&Thunk<&TFleetforgeMenuExpert::GetIDString>::Call));
  d.Add("FleetforgeMenu.TFleetforgeMenuExpert.GetName()",
        Code(&Thunk<&TFleetforgeMenuExpert::GetName>::Call));
  d.Add("FleetforgeMenu.TFleetforgeMenuExpert.GetState()",
        Code(&Thunk<&TFleetforgeMenuExpert::GetState>::Call));
  d.Published<FleetforgeMenu::kPublishedMethods>("FleetforgeMenu.TFleetforgeMenuExpert");
  return d;
}

}  // namespace

const std::vector<host::TExportEntry>& ExportTable() {
  static const ExportDirectory exports = MakeExportDirectory();
  return exports.Entries();
}

}  // namespace Fleetforge7

#ifdef _WIN32
// The DLL's entry point: the system calls it with the instance and the reason.
extern "C" int __stdcall DllMain(void* instance, unsigned long reason, void* reserved) {
  return Fleetforge7::EntryPoint(reinterpret_cast<host::HINSTANCE>(instance),
                                 static_cast<uint32_t>(reason), reserved);
}
#else

// The one symbol the host's loader looks up.
extern "C" __attribute__((visibility("default"))) const host::TModuleImage* HostModuleImage() {
  static const host::TModuleImage image = [] {
    const auto& exports = Fleetforge7::ExportTable();
    const auto& resources = Fleetforge7::PackageResources();
    return host::TModuleImage{host::kModuleImageMagic,
                              host::kModuleImageVersion,
                              &Fleetforge7::EntryPoint,
                              exports.data(),
                              static_cast<uint32_t>(exports.size()),
                              resources.data(),
                              static_cast<uint32_t>(resources.size())};
  }();
  return &image;
}
#endif
