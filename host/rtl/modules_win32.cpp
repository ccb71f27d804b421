// The module loader on Windows: a package module is a DLL. The system loads it
// and calls its entry point (LoadLibrary, FreeLibrary), its names are the DLL's
// exports (GetProcAddress), its resources are the DLL's resource section
// (FindResource, LoadResource), and its icons are loaded by the system
// (LoadIconA). The executable's resources are its own resource section.
#include <map>
#include <string>

#include "host/rtl/chars.h"
#include "host/rtl/modules.h"
#include "host/rtl/syserror.h"

namespace host {
namespace {
// Taken before <windows.h> turns RT_RCDATA into the system's own macro.
constexpr const char* kPackageInfoType = RT_RCDATA;
}  // namespace
}  // namespace host

// After the host's headers: <windows.h> defines macros (TRUE, LoadLibrary, ...)
// that would rename the host's own names.
#include "host/rtl/winapi.h"
#undef LoadLibrary

namespace host {

namespace {

struct LoadedModules {
  std::map<HMODULE, std::string> files;       // the file each module was loaded from
  std::map<HICON, IconInfo> icons;            // what each loaded icon is
  std::string mainName;                       // the executable's name, as registered
  std::vector<TResourceEntry> mainResources;  // registered besides its own
};

LoadedModules& Registry() {
  static LoadedModules registry;
  return registry;
}

::HMODULE System(HMODULE module) {
  return reinterpret_cast<::HMODULE>(module);
}

}  // namespace

std::string ExecutableFileName() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::string();
    if (length < path.size()) return path.substr(0, length);
    path.resize(path.size() * 2);
  }
}

HINSTANCE MainInstance() {
  return reinterpret_cast<HINSTANCE>(::GetModuleHandleA(nullptr));
}

// The executable's resources are compiled into it; resources registered here
// are found after those (they are not the system's, so LoadIconA does not see
// them).
HINSTANCE RegisterMainModule(const std::string& name, std::vector<TResourceEntry> resources) {
  Registry().mainName = name;
  Registry().mainResources = std::move(resources);
  return MainInstance();
}

HMODULE LoadLibrary(const std::string& path) {
  // The system calls the module's entry point with process attach.
  ::HMODULE library = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (library == nullptr) {
    throw EPackageError("Can't load package " + path + ".\n" +
                        WindowsErrorMessage(::GetLastError()));
  }
  const HMODULE handle = reinterpret_cast<HMODULE>(library);
  Registry().files[handle] = path;
  if (!FindResourceData(handle, kPackageInfoType, "PACKAGEINFO")) {
    Registry().files.erase(handle);
    ::FreeLibrary(library);
    throw EPackageError("Can't load package " + path + ".\nThe file is not a package module.");
  }
  return handle;
}

bool FreeLibrary(HMODULE module) {
  LoadedModules& registry = Registry();
  if (registry.files.erase(module) == 0) return false;
  for (auto it = registry.icons.begin(); it != registry.icons.end();)
    it = it->second.Module == module ? registry.icons.erase(it) : std::next(it);
  // The system calls the module's entry point with process detach.
  return ::FreeLibrary(System(module)) != 0;
}

const void* GetProcAddress(HMODULE module, std::string_view name) {
  if (!Registry().files.contains(module)) return nullptr;
  return reinterpret_cast<const void*>(::GetProcAddress(System(module), std::string(name).c_str()));
}

// The names of the module's export directory, in the directory's (sorted) order.
std::vector<std::string> ExportedNames(HMODULE module) {
  std::vector<std::string> names;
  if (!Registry().files.contains(module)) return names;
  const auto* base = reinterpret_cast<const unsigned char*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (directory.VirtualAddress == 0) return names;
  const auto* exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + directory.VirtualAddress);
  const auto* nameTable = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i)
    names.emplace_back(reinterpret_cast<const char*>(base + nameTable[i]));
  return names;
}

std::string ModuleFileName(HMODULE module) {
  if (module == MainInstance()) return Registry().mainName;
  const auto& files = Registry().files;
  const auto it = files.find(module);
  return it == files.end() ? std::string() : it->second;
}

std::optional<std::string_view> FindResourceData(HMODULE module, std::string_view type,
                                                 std::string_view name) {
  // Only modules the system has loaded for us are asked.
  const bool main = module == MainInstance();
  if (!main && !Registry().files.contains(module)) return std::nullopt;
  const std::string typeText(type), nameText(name);
  HRSRC resource = ::FindResourceA(System(module), nameText.c_str(), typeText.c_str());
  if (resource == nullptr && main) {
    for (const TResourceEntry& entry : Registry().mainResources)
      if (SameText(entry.Type, type) && SameText(entry.Name, name))
        return std::string_view(static_cast<const char*>(entry.Data), entry.Size);
  }
  if (resource == nullptr) return std::nullopt;
  HGLOBAL loaded = ::LoadResource(System(module), resource);
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) return std::nullopt;
  return std::string_view(static_cast<const char*>(data),
                          ::SizeofResource(System(module), resource));
}

// ---- Icons -------------------------------------------------------------------

HICON LoadIconA(HINSTANCE instance, const char* name) {
  if (name == nullptr) return 0;
  ::HICON icon = ::LoadIconA(reinterpret_cast<::HINSTANCE>(instance), name);
  if (icon == nullptr) return 0;
  // Icon handles are 32-bit values, also in a 64-bit process.
  const auto handle = static_cast<HICON>(reinterpret_cast<uintptr_t>(icon));
  Registry().icons[handle] = IconInfo{instance, name};
  return handle;
}

const IconInfo* IconDetails(HICON icon) {
  const auto& icons = Registry().icons;
  const auto it = icons.find(icon);
  return it == icons.end() ? nullptr : &it->second;
}

}  // namespace host
