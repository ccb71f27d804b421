// The module loader on POSIX: a package module is a shared object (dlopen)
// whose export directory and resources are the table its HostModuleImage
// function returns; the executable's own resources are registered by the IDE.
#include <dlfcn.h>

#include <filesystem>
#include <map>
#include <memory>

#include "host/rtl/chars.h"
#include "host/rtl/modules.h"

namespace host {

namespace {

struct LoadedModule {
  std::string FileName;
  void* Library = nullptr;  // dlopen handle; nullptr for the main module
  const TModuleImage* Image = nullptr;
  std::vector<TResourceEntry> OwnResources;  // the main module's
};

struct LoadedModules {
  std::map<HMODULE, std::unique_ptr<LoadedModule>> modules;
  HMODULE main = 0;
  std::map<HICON, IconInfo> icons;
  HICON next_icon = 1;
};

LoadedModules& Registry() {
  static LoadedModules registry;
  return registry;
}

LoadedModule* Lookup(HMODULE module) {
  auto& modules = Registry().modules;
  auto it = modules.find(module);
  return it == modules.end() ? nullptr : it->second.get();
}

HMODULE HandleOf(LoadedModule* module) {
  return reinterpret_cast<HMODULE>(module);
}

}  // namespace

// ---- Modules -----------------------------------------------------------------

std::string ExecutableFileName() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : self.string();
}

HINSTANCE MainInstance() {
  return Registry().main;
}

HINSTANCE RegisterMainModule(const std::string& name, std::vector<TResourceEntry> resources) {
  LoadedModules& registry = Registry();
  if (registry.main != 0) registry.modules.erase(registry.main);
  auto module = std::make_unique<LoadedModule>();
  module->FileName = name;
  module->OwnResources = std::move(resources);
  const HMODULE handle = HandleOf(module.get());
  registry.modules.emplace(handle, std::move(module));
  registry.main = handle;
  return handle;
}

HMODULE LoadLibrary(const std::string& path) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    throw EPackageError("Can't load package " + path + ".\n" + (why ? why : "unknown error"));
  }
  auto image_function = reinterpret_cast<TModuleImageFunction>(dlsym(library, kModuleImageSymbol));
  const TModuleImage* image = image_function ? image_function() : nullptr;
  if (image == nullptr || image->Magic != kModuleImageMagic ||
      image->Version != kModuleImageVersion) {
    dlclose(library);
    throw EPackageError("Can't load package " + path + ".\nThe file is not a package module.");
  }
  auto module = std::make_unique<LoadedModule>();
  module->FileName = path;
  module->Library = library;
  module->Image = image;
  const HMODULE handle = HandleOf(module.get());
  Registry().modules.emplace(handle, std::move(module));
  if (image->EntryPoint != nullptr) image->EntryPoint(handle, DLL_PROCESS_ATTACH, nullptr);
  return handle;
}

bool FreeLibrary(HMODULE module) {
  LoadedModule* loaded = Lookup(module);
  if (loaded == nullptr || loaded->Library == nullptr) return false;
  if (loaded->Image->EntryPoint != nullptr)
    loaded->Image->EntryPoint(module, DLL_PROCESS_DETACH, nullptr);
  void* library = loaded->Library;
  auto& icons = Registry().icons;
  for (auto it = icons.begin(); it != icons.end();)
    it = it->second.Module == module ? icons.erase(it) : std::next(it);
  Registry().modules.erase(module);
  return dlclose(library) == 0;
}

const void* GetProcAddress(HMODULE module, std::string_view name) {
  LoadedModule* loaded = Lookup(module);
  if (loaded == nullptr || loaded->Image == nullptr) return nullptr;
  const TModuleImage* image = loaded->Image;
  for (uint32_t i = 0; i < image->ExportCount; ++i)
    if (name == image->Exports[i].Name) return image->Exports[i].Address;
  return nullptr;
}

std::vector<std::string> ExportedNames(HMODULE module) {
  std::vector<std::string> names;
  const LoadedModule* loaded = Lookup(module);
  if (const TModuleImage* image = loaded ? loaded->Image : nullptr)
    for (uint32_t i = 0; i < image->ExportCount; ++i) names.emplace_back(image->Exports[i].Name);
  return names;
}

std::string ModuleFileName(HMODULE module) {
  LoadedModule* loaded = Lookup(module);
  return loaded ? loaded->FileName : std::string();
}

std::optional<std::string_view> FindResourceData(HMODULE module, std::string_view type,
                                                 std::string_view name) {
  LoadedModule* loaded = Lookup(module);
  if (loaded == nullptr) return std::nullopt;
  const TResourceEntry* entries =
      loaded->Image ? loaded->Image->Resources : loaded->OwnResources.data();
  const size_t count = loaded->Image ? loaded->Image->ResourceCount : loaded->OwnResources.size();
  for (size_t i = 0; i < count; ++i) {
    if (SameText(entries[i].Type, type) && SameText(entries[i].Name, name))
      return std::string_view(static_cast<const char*>(entries[i].Data), entries[i].Size);
  }
  return std::nullopt;
}

// ---- Icons -------------------------------------------------------------------

HICON LoadIconA(HINSTANCE instance, const char* name) {
  if (name == nullptr || !FindResourceData(instance, RT_GROUP_ICON, name)) return 0;
  LoadedModules& registry = Registry();
  // The same icon loaded twice is the same shared handle, as with LoadIcon.
  for (const auto& [handle, info] : registry.icons)
    if (info.Module == instance && SameText(info.Name, name)) return handle;
  const HICON handle = registry.next_icon++;
  registry.icons[handle] = IconInfo{instance, name};
  return handle;
}

const IconInfo* IconDetails(HICON icon) {
  auto& icons = Registry().icons;
  auto it = icons.find(icon);
  return it == icons.end() ? nullptr : &it->second;
}

}  // namespace host
