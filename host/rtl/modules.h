// Modules, resources and packages.
//
// A package module is a shared object built against the host. Its export
// directory is the one ELF symbol the loader looks up, "HostModuleImage": a
// table of the module's entry point, its exported names and its resources, the
// way an executable image carries an export directory and a resource section.
//
// Exported names follow the host's symbol convention for package units:
//   Unit.Identifier                       a variable, e.g. FleetforgeGlobal.Options
//   Unit.Identifier(ParamType,ParamType)  a routine, e.g.
//                                         FleetforgeGlobal.FindMenuItem(TMenuItem,AnsiString)
//   Unit.Class.Method(ParamType)          a method, e.g.
//                                         FleetforgeMain.TFleetforgeMainObject.OnTimer(TObject)
//   Unit.Class.ClassRecord, .TypeInfo     a class's record and its type information
// A parameter passed by reference is written "var Type"; no parameters is "()".
// Package-level names (Initialize, Finalize, @GetPackageInfoTable, the module
// entry point) are exported as they are named.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/rtl/sysutils.h"
#include "host/win32/win32.h"

namespace host {

// Module entry point reasons.
constexpr uint32_t DLL_PROCESS_DETACH = 0;
constexpr uint32_t DLL_PROCESS_ATTACH = 1;
constexpr uint32_t DLL_THREAD_ATTACH = 2;
constexpr uint32_t DLL_THREAD_DETACH = 3;

using TDLLEntryPoint = BOOL (*)(HINSTANCE instance, uint32_t reason, void* reserved);

// Resource types, by their numbers.
inline constexpr const char* RT_ICON = "#3";
inline constexpr const char* RT_RCDATA = "#10";
inline constexpr const char* RT_GROUP_ICON = "#14";
inline constexpr const char* RT_VERSION = "#16";

struct TExportEntry {
  const char* Name;
  const void* Address;
};

struct TResourceEntry {
  const char* Type;
  const char* Name;
  const void* Data;
  uint32_t Size;
};

constexpr uint32_t kModuleImageMagic = 0x4B504646;  // "FFPK"
constexpr uint32_t kModuleImageVersion = 1;

struct TModuleImage {
  uint32_t Magic;
  uint32_t Version;
  TDLLEntryPoint EntryPoint;
  const TExportEntry* Exports;
  uint32_t ExportCount;
  const TResourceEntry* Resources;
  uint32_t ResourceCount;
};

using TModuleImageFunction = const TModuleImage* (*)();
inline constexpr const char* kModuleImageSymbol = "HostModuleImage";

// ---- Run-time module list ----------------------------------------------------
struct TLibModule {
  TLibModule* Next;
  HINSTANCE Instance;
  HINSTANCE CodeInstance;
  HINSTANCE DataInstance;
  HINSTANCE ResInstance;
  int32_t Reserved;
};

HOST_API void RegisterModule(TLibModule* module);
HOST_API void UnregisterModule(TLibModule* module);
HOST_API bool IsModuleRegistered(const TLibModule* module);
HOST_API int RegisteredModuleCount();

// ---- Package unit table --------------------------------------------------------
using TProc = void (*)();
struct PackageUnitEntry {
  TProc Init;
  TProc FInit;
};
struct PackageInfoTable {
  int32_t UnitCount;
  const PackageUnitEntry* UnitInfo;
};
using TGetPackageInfoTable = const PackageInfoTable* (*)();

// The host's package load: runs the initialisation entries in table order. An
// error that leaves one unit's initialisation is reported (ReportException) and
// loading goes on with the next unit: the package stays loaded with the units
// that could start.
HOST_API void PackageLoad(const PackageInfoTable* table, TLibModule* module);
// Runs the finalisation entries of the units PackageLoad started, in reverse
// order; an error is reported and the remaining units are still finalised.
HOST_API void PackageUnload(const PackageInfoTable* table, TLibModule* module);

// Where reported errors go (the IDE sets it; the default writes to stderr).
using TExceptionSink = void (*)(const Exception& error);
HOST_API void SetExceptionSink(TExceptionSink sink);
HOST_API void ReportException(const Exception& error);
// Reports whatever is being handled in a catch block (a host error, another
// C++ exception, or an unknown one).
HOST_API void ReportCurrentException();
// The error boundary of event handlers, messages, timers, the user's actions in
// the IDE and the package's unit sections: runs action and reports an error that
// leaves it (ReportCurrentException), as the IDE reports it; the caller goes on.
template <class Action>
void Guarded(Action&& action) {
  try {
    std::forward<Action>(action)();
  } catch (...) {
    ReportCurrentException();
  }
}

// ---- Modules -----------------------------------------------------------------
// The running executable's file, or "" when the system does not say.
HOST_API std::string ExecutableFileName();
// The handle of the running executable (the IDE), which carries its own resources.
HOST_API HINSTANCE MainInstance();
// Registers the resources of the executable itself; returns MainInstance().
HOST_API HINSTANCE RegisterMainModule(const std::string& name,
                                      std::vector<TResourceEntry> resources);

// Opens a package module (dlopen) and calls its entry point with process attach.
// Raises EPackageError when the file cannot be opened or is not a package module.
HOST_API HMODULE LoadLibrary(const std::string& path);
// Calls the entry point with process detach and closes the module (dlclose).
HOST_API bool FreeLibrary(HMODULE module);
HOST_API const void* GetProcAddress(HMODULE module, std::string_view name);
HOST_API std::vector<std::string> ExportedNames(HMODULE module);
HOST_API std::string ModuleFileName(HMODULE module);

// A resource's bytes, or nullptr when absent. Names compare ignoring letter case.
HOST_API std::optional<std::string_view> FindResourceData(HMODULE module, std::string_view type,
                                                          std::string_view name);

// ---- Package information (the PACKAGEINFO resource) --------------------------
// Package flags.
constexpr uint32_t pfNeverBuild = 0x00000001;  // rebuilt only on explicit request
constexpr uint32_t pfDesignOnly = 0x00000002;
constexpr uint32_t pfRunOnly = 0x00000004;
constexpr uint32_t pfPackageModule = 0x40000000;   // module type: a package
constexpr uint32_t pfDelphiProduced = 0x0C000000;  // producer: the Delphi compiler
constexpr uint8_t ufMainUnit = 0x01;
constexpr uint8_t ufPackageUnit = 0x02;
struct PackageUnitInfo {
  uint8_t Flags;
  std::string Name;
};
struct PackageInfo {
  uint32_t Flags = 0;
  std::vector<std::string> Requires;
  std::vector<PackageUnitInfo> Contains;
  std::string PackageName;
};
// The hash byte the package tools put before each name.
HOST_API uint8_t PackageNameHash(std::string_view name);
// Builds and parses the PACKAGEINFO record.
HOST_API std::string EncodePackageInfo(const PackageInfo& info);
// Raises EPackageError when the record is malformed.
HOST_API PackageInfo DecodePackageInfo(std::string_view bytes);

// A class's record as a module exports it.
struct TClassRecord {
  const char* ClassName;
  const char* ParentName;
  uint32_t InstanceSize;
};

// ---- Icons -------------------------------------------------------------------
// Loads an icon group resource; 0 when the module has none of that name.
HOST_API HICON LoadIconA(HINSTANCE instance, const char* name);
struct IconInfo {
  HINSTANCE Module = 0;
  std::string Name;
};
HOST_API const IconInfo* IconDetails(HICON icon);

}  // namespace host
