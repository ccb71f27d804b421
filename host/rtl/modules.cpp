#include "host/rtl/modules.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "host/rtl/bytes.h"
#include "host/rtl/chars.h"

namespace host {

namespace {

struct LoadedModule {
  std::string FileName;
  void* Library = nullptr;  // dlopen handle; nullptr for the main module
  const TModuleImage* Image = nullptr;
  std::vector<TResourceEntry> OwnResources;  // the main module's
};

struct ModuleRegistry {
  std::map<HMODULE, std::unique_ptr<LoadedModule>> modules;
  HMODULE main = 0;
  TLibModule* lib_modules = nullptr;  // the run-time's registered module list
  std::map<const TLibModule*, int32_t> init_counts;
  std::map<HICON, IconInfo> icons;
  HICON next_icon = 1;
  TExceptionSink sink = nullptr;
};

ModuleRegistry& Registry() {
  static ModuleRegistry registry;
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

// ---- Run-time module list ----------------------------------------------------

void RegisterModule(TLibModule* module) {
  if (module == nullptr || IsModuleRegistered(module)) return;
  module->Next = Registry().lib_modules;
  Registry().lib_modules = module;
}

void UnregisterModule(TLibModule* module) {
  TLibModule** link = &Registry().lib_modules;
  while (*link != nullptr) {
    if (*link == module) {
      *link = module->Next;
      module->Next = nullptr;
      return;
    }
    link = &(*link)->Next;
  }
}

bool IsModuleRegistered(const TLibModule* module) {
  for (const TLibModule* m = Registry().lib_modules; m != nullptr; m = m->Next)
    if (m == module) return true;
  return false;
}

int RegisteredModuleCount() {
  int count = 0;
  for (const TLibModule* m = Registry().lib_modules; m != nullptr; m = m->Next) ++count;
  return count;
}

// ---- Errors ------------------------------------------------------------------

void SetExceptionSink(TExceptionSink sink) {
  Registry().sink = sink;
}

void ReportException(const Exception& error) {
  if (Registry().sink != nullptr) {
    Registry().sink(error);
  } else {
    std::fprintf(stderr, "%s: %s\n", error.ClassName(), error.Message().c_str());
  }
}

void ReportCurrentException() {
  try {
    throw;
  } catch (const Exception& e) {
    ReportException(e);
  } catch (const std::exception& e) {
    ReportException(Exception(e.what()));
  } catch (...) {
    ReportException(Exception("Unknown exception"));
  }
}

// ---- Package unit table --------------------------------------------------------

void PackageLoad(const PackageInfoTable* table, TLibModule* module) {
  if (table == nullptr) return;
  int32_t& started = Registry().init_counts[module];
  started = 0;
  for (int32_t i = 0; i < table->UnitCount; ++i) {
    started = i + 1;
    if (TProc init = table->UnitInfo[i].Init) Guarded(init);
  }
}

void PackageUnload(const PackageInfoTable* table, TLibModule* module) {
  if (table == nullptr) return;
  auto& counts = Registry().init_counts;
  auto it = counts.find(module);
  const int32_t started = it == counts.end() ? 0 : std::min(it->second, table->UnitCount);
  if (it != counts.end()) counts.erase(it);
  for (int32_t i = started - 1; i >= 0; --i) {
    if (TProc finit = table->UnitInfo[i].FInit) Guarded(finit);
  }
}

// ---- Modules -----------------------------------------------------------------

HINSTANCE MainInstance() {
  return Registry().main;
}

HINSTANCE RegisterMainModule(const std::string& name, std::vector<TResourceEntry> resources) {
  ModuleRegistry& registry = Registry();
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

// ---- Package information -----------------------------------------------------

uint8_t PackageNameHash(std::string_view name) {
  // The package tools' name hash: a rotate-and-xor over the upper-cased name.
  uint8_t hash = 0;
  for (char c : name)
    hash = static_cast<uint8_t>(((hash << 5) | (hash >> 3)) ^ static_cast<uint8_t>(UpCase(c)));
  return hash;
}

namespace {
void PutName(std::string& out, const std::string& name) {
  out.push_back(static_cast<char>(PackageNameHash(name)));
  out += name;
  out.push_back('\0');
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  uint8_t Byte() {
    if (pos_ >= bytes_.size()) Fail();
    return static_cast<uint8_t>(bytes_[pos_++]);
  }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(Byte()) << (8 * i);
    return v;
  }
  std::string Name() {
    const uint8_t hash = Byte();
    const size_t end = bytes_.find('\0', pos_);
    if (end == std::string_view::npos) Fail();
    std::string name(bytes_.substr(pos_, end - pos_));
    pos_ = end + 1;
    if (hash != PackageNameHash(name)) Fail();
    return name;
  }
  bool AtEnd() const { return pos_ == bytes_.size(); }
  [[noreturn]] static void Fail() { throw EPackageError("Invalid package information"); }

 private:
  std::string_view bytes_;
  size_t pos_ = 0;
};
}  // namespace

std::string EncodePackageInfo(const PackageInfo& info) {
  std::string out;
  AppendUInt32LE(out, info.Flags);
  AppendUInt32LE(out, static_cast<uint32_t>(info.Requires.size()));
  for (const auto& name : info.Requires) PutName(out, name);
  AppendUInt32LE(out, static_cast<uint32_t>(info.Contains.size()));
  for (const auto& unit : info.Contains) {
    out.push_back(static_cast<char>(unit.Flags));
    PutName(out, unit.Name);
  }
  PutName(out, info.PackageName);
  return out;
}

PackageInfo DecodePackageInfo(std::string_view bytes) {
  Reader reader(bytes);
  PackageInfo info;
  info.Flags = reader.U32();
  const uint32_t requires_count = reader.U32();
  if (requires_count > bytes.size()) Reader::Fail();
  for (uint32_t i = 0; i < requires_count; ++i) info.Requires.push_back(reader.Name());
  const uint32_t contains_count = reader.U32();
  if (contains_count > bytes.size()) Reader::Fail();
  for (uint32_t i = 0; i < contains_count; ++i) {
    PackageUnitInfo unit;
    unit.Flags = reader.Byte();
    unit.Name = reader.Name();
    info.Contains.push_back(std::move(unit));
  }
  info.PackageName = reader.Name();
  if (!reader.AtEnd()) Reader::Fail();
  return info;
}

// ---- Icons -------------------------------------------------------------------

HICON LoadIconA(HINSTANCE instance, const char* name) {
  if (name == nullptr || !FindResourceData(instance, RT_GROUP_ICON, name)) return 0;
  ModuleRegistry& registry = Registry();
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
