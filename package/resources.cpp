#include "package/resources.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "host/rtl/bytes.h"
#include "host/rtl/version.h"
#include "icon/IconArt.h"

namespace Fleetforge7 {

// The form images, generated from the text form files at build time.
const std::vector<std::pair<std::string, std::string>>& FormImageResources();

namespace {

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

void PutShortString(std::string& out, const std::string& s) {
  out.push_back(static_cast<char>(s.size()));
  out += s;
}

// The compiler's option record: minimum and maximum stack size, image base, the
// unit alias list and the description.
std::string PackageOptionsRecord() {
  std::string out;
  host::AppendUInt32LE(out, 16384);
  host::AppendUInt32LE(out, 1048576);
  host::AppendUInt32LE(out, 0x400000);
  PutShortString(out, "WinTypes=Windows;WinProcs=Windows;DbiTypes=BDE;DbiProcs=BDE;DbiErrs=BDE;");
  PutShortString(out, kDescription);
  return out;
}

// File version 0.0.1.18 in both fixed fields; US English, code page 1252.
std::string VersionBlock() {
  host::VersionInfo info;
  const uint16_t version[4] = {0, 0, 1, 18};
  std::copy(version, version + 4, info.FileVersion);
  std::copy(version, version + 4, info.ProductVersion);
  info.FileFlags = 0;
  info.FileOS = 4;    // 32-bit Windows
  info.FileType = 1;  // an application
  info.Language = 0x0409;
  info.CodePage = 1252;
  info.Strings = {{"CompanyName", "Fleetforge team"},
                  {"FileDescription", "Fleetforge for Delphi 7"},
                  {"FileVersion", "0.0.1.18"},
                  {"InternalName", "Fleetforge"},
                  {"LegalCopyright", "Copyright (c) 2004 Fleetforge team"},
                  {"LegalTrademarks", ""},
                  {"OriginalFilename", "Fleetforge7.bpl"},
                  {"ProductName", "Fleetforge"},
                  {"ProductVersion", "0.0.1.0"},
                  {"Comments", "Lays out the Delphi 7 IDE on one screen"}};
  return host::EncodeVersionInfo(info);
}

struct Store {
  std::string description = host::WidenToUtf16LE(kDescription) + std::string(2, '\0');
  std::string package_info = PackageInfoRecord();
  std::string package_options = PackageOptionsRecord();
  std::string version = VersionBlock();
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
                     Entry(host::RT_RCDATA, "PACKAGEOPTIONS", store.package_options),
                     Entry(host::RT_VERSION, "#1", store.version)};
    for (const auto& [name, text] : FormImageResources())
      store.entries.push_back(Entry(host::RT_RCDATA, name.c_str(), text));
    // The icon groups: each group directory and the images it names by id.
    for (const auto* group : {&FleetforgeIconChanger::PackageMainIconGroup(),
                              &FleetforgeIconChanger::FleetforgeIconGroup()}) {
      store.entries.push_back(Entry(host::RT_GROUP_ICON, group->Name.c_str(), group->Directory));
      for (const auto& image : group->Images)
        store.entries.push_back(Entry(host::RT_ICON, image.Name.c_str(), image.Dib));
    }
  }
  return store.entries;
}

}  // namespace Fleetforge7
