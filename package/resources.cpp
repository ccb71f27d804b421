#include "package/resources.h"

#include <cstring>
#include <string>

namespace Fleetforge7 {

namespace {

std::string Utf16Z(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    out.push_back(static_cast<char>(c));
    out.push_back('\0');
  }
  out.append(2, '\0');
  return out;
}

std::string PackageInfoRecord() {
  host::PackageInfo info;
  info.Flags =
      host::pfPackageModule | host::pfDelphiProduced | host::pfDesignOnly | host::pfNeverBuild;
  info.Requires = {"designide70.bpl", "vcl70.bpl"};
  info.Contains = {{host::ufMainUnit | host::ufPackageUnit, "Fleetforge7"},
                   {0, "FleetforgeMenu"},
                   {0, "FleetforgeDelphiMainForm"},
                   {0, "FleetforgeMain"},
                   {0, "FleetforgeGlobal"},
                   {0, "SysInit"},
                   {0, "FleetforgeIconChanger"},
                   {0, "FleetforgeOptions"},
                   {0, "FleetforgeCompDate"}};
  info.PackageName = "Fleetforge7";
  return host::EncodePackageInfo(info);
}

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void PutShortString(std::string& out, const std::string& s) {
  out.push_back(static_cast<char>(s.size()));
  out += s;
}

// The compiler's option record: minimum and maximum stack size, image base, the
// unit alias list and the description.
std::string PackageOptionsRecord() {
  std::string out;
  PutU32(out, 16384);
  PutU32(out, 1048576);
  PutU32(out, 0x400000);
  PutShortString(out, "WinTypes=Windows;WinProcs=Windows;DbiTypes=BDE;DbiProcs=BDE;DbiErrs=BDE;");
  PutShortString(out, kDescription);
  return out;
}

struct Store {
  std::string description = Utf16Z(kDescription);
  std::string package_info = PackageInfoRecord();
  std::string package_options = PackageOptionsRecord();
  std::vector<host::TResourceEntry> entries;
};

host::TResourceEntry Entry(const char* type, const char* name, const std::string& data) {
  return {type, name, data.data(), static_cast<uint32_t>(data.size())};
}

}  // namespace

const std::vector<host::TResourceEntry>& PackageResources() {
  static Store store;
  if (store.entries.empty()) {
    store.entries = {Entry(host::RT_RCDATA, "DESCRIPTION", store.description),
                     Entry(host::RT_RCDATA, "PACKAGEINFO", store.package_info),
                     Entry(host::RT_RCDATA, "PACKAGEOPTIONS", store.package_options)};
  }
  return store.entries;
}

}  // namespace Fleetforge7
