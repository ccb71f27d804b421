#include "host/rtl/units.h"

#include <cstdlib>
#include <iterator>
#include <map>

#include "host/rtl/sysutils.h"

namespace host {

namespace {

struct UnitState {
  UnitGuard guard;
  int32_t work_runs = 0;
  void (*init)() = nullptr;
  void (*finit)() = nullptr;
};

// SysUtils takes the user's regional settings at start-up.
void SysUtilsInit() {
  const char* separator = std::getenv("FLEETFORGE_TIME_SEPARATOR");
  if (separator != nullptr && separator[0] != '\0') SetTimeSeparator(separator[0]);
}

std::map<std::string, UnitState>& Sections() {
  static std::map<std::string, UnitState> sections = {
      {"System", {}},   {"SysUtils", {{}, 0, &SysUtilsInit, nullptr}},
      {"Classes", {}},  {"Controls", {}},
      {"Forms", {}},    {"Menus", {}},
      {"ComCtrls", {}}, {"ExtCtrls", {}},
      {"Registry", {}}, {"ToolsAPI", {}},
      {"ExptIntf", {}},
  };
  return sections;
}

constexpr const char* kHostUnitNames[] = {
    "System",
    "Windows",
    "Messages",
    "Types",
    "SysConst",
    "SysUtils",
    "Variants",
    "VarUtils",
    "TypInfo",
    "Classes",
    "ActiveX",
    "RTLConsts",
    "Math",
    "StrUtils",
    "DateUtils",
    "IniFiles",
    "Registry",
    "Contnrs",
    "SyncObjs",
    "MultiMon",
    "CommCtrl",
    "ShellAPI",
    "ShlObj",
    "CommDlg",
    "WinSpool",
    "Consts",
    "Graphics",
    "Controls",
    "Forms",
    "Menus",
    "StdCtrls",
    "ExtCtrls",
    "Buttons",
    "ComCtrls",
    "Dialogs",
    "ImgList",
    "ActnList",
    "StdActns",
    "ToolWin",
    "ComStrs",
    "Clipbrd",
    "Printers",
    "HelpIntfs",
    "Themes",
    "UxTheme",
    "FlatSB",
    "Mask",
    "ExtDlgs",
    "CheckLst",
    "Grids",
    "Tabs",
    "ActnMan",
    "ActnCtrls",
    "ActnMenus",
    "CustomizeDlg",
    "XPMan",
    "ToolsAPI",
    "ExptIntf",
    "ToolIntf",
    "VirtIntf",
    "EditIntf",
    "FileIntf",
    "IStreams",
    "DesignIntf",
    "DesignEditors",
    "DesignMenus",
    "DesignConst",
    "PropertyCategories",
    "VCLEditors",
    "TreeIntf",
    "ComponentDesigner",
    "ColnEdit",
    "ActnRes",
    "IDEMessages",
    "Proxies",
    "WideStrings",
    "ZLib",
    "Jpeg",
    "AxCtrls",
    "OleCtrls",
    "ComObj",
    "ComServ",
    "OleServer",
};
static_assert(std::size(kHostUnitNames) == kHostUnitCount,
              "kHostUnitCount must be the number of host unit names");

}  // namespace

const std::vector<std::string>& HostUnitNames() {
  static const std::vector<std::string> names(std::begin(kHostUnitNames), std::end(kHostUnitNames));
  return names;
}

bool HostUnitHasSections(const std::string& unit) {
  return Sections().count(unit) != 0;
}

void HostUnitInitialization(const std::string& unit) {
  auto it = Sections().find(unit);
  if (it == Sections().end()) return;
  UnitState& state = it->second;
  if (!state.guard.EnterInitialization()) return;
  ++state.work_runs;
  if (state.init) state.init();
}

void HostUnitFinalization(const std::string& unit) {
  auto it = Sections().find(unit);
  if (it == Sections().end()) return;
  UnitState& state = it->second;
  if (!state.guard.EnterFinalization()) return;
  ++state.work_runs;
  if (state.finit) state.finit();
}

int32_t HostUnitCounter(const std::string& unit) {
  auto it = Sections().find(unit);
  return it == Sections().end() ? 0 : it->second.guard.Counter();
}

int32_t HostUnitWorkRuns(const std::string& unit) {
  auto it = Sections().find(unit);
  return it == Sections().end() ? 0 : it->second.work_runs;
}

void InitializeHostUnits() {
  for (const std::string& name : HostUnitNames()) HostUnitInitialization(name);
}

void FinalizeHostUnits() {
  const auto& names = HostUnitNames();
  for (auto it = names.rbegin(); it != names.rend(); ++it) HostUnitFinalization(*it);
}

}  // namespace host
