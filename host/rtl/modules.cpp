#include "host/rtl/modules.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "host/rtl/bytes.h"
#include "host/rtl/chars.h"

namespace host {

namespace {

struct ModuleRegistry {
  TLibModule* lib_modules = nullptr;  // the run-time's registered module list
  std::map<const TLibModule*, int32_t> init_counts;
  TExceptionSink sink = nullptr;
};

ModuleRegistry& Registry() {
  static ModuleRegistry registry;
  return registry;
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

}  // namespace host
