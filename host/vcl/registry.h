// The registry object and the store behind it: the current user's registry kept
// as a registry file (REGEDIT4 text), or an in-memory store.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/rtl/classes.h"
#include "host/rtl/regfile.h"

namespace host {

class RegFileKey;
class LockedRegFile;

using HKEY = uint32_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;

// Where the current user's registry lives. Chosen once by the process (the
// command line's --registry, else the environment, else the default path) and
// read by every TRegistry.
class HOST_API RegistryLocation {
 public:
  // The environment variable that names the registry file.
  static constexpr const char* kEnvironmentVariable = "FLEETFORGE_REGISTRY";
  // $XDG_CONFIG_HOME/fleetforge/registry.reg, or ~/.config/fleetforge/registry.reg.
  static AnsiString DefaultFile();
  // The file in force: the one set by UseFile, else the environment's, else the default.
  static AnsiString CurrentFile();
  static void UseFile(const AnsiString& path);
  // An in-memory registry for this process, empty at first (tests and scratch runs).
  static void UseMemory();
  static bool InMemory();
  // Forgets UseFile/UseMemory: back to the environment or the default.
  static void Reset();
};

// One read-change-write of the current user's registry. While an object of this
// class lives, every TRegistry of the process reads and writes a copy of the
// registry file taken under the file's writers' lock, which the object holds;
// Commit replaces the file once with everything written since, so that other
// writers see all of it or nothing. Without Commit (a failure on the way) the
// file stays as it was. Over the in-memory store it changes nothing. One at a
// time per process, on one thread.
class HOST_API TRegistryTransaction {
 public:
  // Takes the lock and reads the file: ERegistryException when the file cannot be
  // parsed, or naming the file and the system's cause when it cannot be locked or read.
  TRegistryTransaction();
  ~TRegistryTransaction();
  TRegistryTransaction(const TRegistryTransaction&) = delete;
  TRegistryTransaction& operator=(const TRegistryTransaction&) = delete;
  // Writes the file when anything was changed; ERegistryException naming the file
  // and the cause when it cannot be replaced.
  void Commit();

 private:
  std::unique_ptr<LockedRegFile> file_;
};

class HOST_API TRegistry : public TObject {
 public:
  TRegistry();  // root HKEY_CURRENT_USER, no key open
  ~TRegistry() override;
  HOST_CLASS_NAME(TRegistry)

  HKEY RootKey() const { return root_; }
  void SetRootKey(HKEY root);  // closes an open key
  // Opens key (absolute from the root when it starts with "\", else relative to
  // the open key). With canCreate, missing keys on the path are created. Returns
  // whether the key is open; a missing key with canCreate false returns false.
  // A key that cannot be created because the store failed (its file, folder,
  // lock or disk) raises ERegistryException "Failed to create key <key>: <file>:
  // <the system's cause>".
  bool OpenKey(const AnsiString& key, bool canCreate);
  void CloseKey();
  const AnsiString& CurrentPath() const { return current_path_; }
  bool KeyExists(const AnsiString& key);
  bool ValueExists(const AnsiString& name);

  // Typed reads raise ERegistryException "Failed to get data for 'Name'" when the
  // value is missing and "Invalid data type for 'Name'" when it has another type.
  bool ReadBool(const AnsiString& name);  // the integer read compared with 0
  Integer ReadInteger(const AnsiString& name);
  AnsiString ReadString(const AnsiString& name);
  // Writes raise ERegistryException "Failed to set data for 'Name'", followed by
  // ": <file>: <the system's cause>" when the store could not be written.
  void WriteBool(const AnsiString& name, bool value);  // REG_DWORD 1 or 0
  void WriteInteger(const AnsiString& name, Integer value);
  void WriteString(const AnsiString& name, const AnsiString& value);
  bool DeleteValue(const AnsiString& name);

 private:
  HKEY root_ = HKEY_CURRENT_USER;
  AnsiString current_path_;  // the open key below the root, "" when none is open
  bool open_ = false;
  // The open key of the registry file, read once and again only when the file
  // changed; nullptr until first needed.
  std::unique_ptr<RegFileKey> file_key_;
};

}  // namespace host
