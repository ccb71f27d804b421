// The package module loaded for its options routines only (no unit is
// initialised): the options record it exports and the routines that read it from
// and write it to the registry, as the options command and its tests use them.
#pragma once

#include <string>

#include "global/OptionsRecord.h"
#include "host/rtl/modules.h"

namespace fleetforge {

class PackageRoutines {
 public:
  // Raises EPackageError when the module does not export all three.
  explicit PackageRoutines(const std::string& file) : module_(host::LoadLibrary(file)) {
    options_ = static_cast<FleetforgeGlobal::TOptionsRecord*>(
        const_cast<void*>(host::GetProcAddress(module_, "FleetforgeGlobal.Options")));
    read_ = reinterpret_cast<void (*)()>(const_cast<void*>(
        host::GetProcAddress(module_, "FleetforgeGlobal.ReadOptionsFromRegistry()")));
    write_ = reinterpret_cast<void (*)()>(const_cast<void*>(
        host::GetProcAddress(module_, "FleetforgeGlobal.WriteOptionsToRegistry()")));
    if (!options_ || !read_ || !write_) {
      host::FreeLibrary(module_);
      throw host::EPackageError("The package " + file + " does not export the options routines");
    }
  }
  ~PackageRoutines() { host::FreeLibrary(module_); }
  PackageRoutines(const PackageRoutines&) = delete;
  PackageRoutines& operator=(const PackageRoutines&) = delete;

  FleetforgeGlobal::TOptionsRecord& Options() { return *options_; }
  void Read() { read_(); }
  void Write() { write_(); }

 private:
  host::HMODULE module_;
  FleetforgeGlobal::TOptionsRecord* options_ = nullptr;
  void (*read_)() = nullptr;
  void (*write_)() = nullptr;
};

}  // namespace fleetforge
