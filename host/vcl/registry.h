// The registry object and the store behind it: the current user's registry kept
// as a registry file (REGEDIT4 text), the system's own registry (Windows), or an
// in-memory store.
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
// command line's --registry, else the environment, else the default) and read by
// every TRegistry.
//
// The default differs by platform. POSIX: the registry file DefaultFile().
// Windows: the system registry, HKEY_CURRENT_USER itself (there is no default
// file; a file chosen by UseFile or the environment is still a registry file).
class HOST_API RegistryLocation {
 public:
  // The environment variable that names the registry file.
  static constexpr const char* kEnvironmentVariable = "FLEETFORGE_REGISTRY";
  // POSIX: $XDG_CONFIG_HOME/fleetforge/registry.reg, or
  // ~/.config/fleetforge/registry.reg. Windows: "" (the system registry).
  static AnsiString DefaultFile();
  // The file in force: the one set by UseFile, else the environment's, else the
  // default; "" when the system registry is the store (Windows). Whether the
  // in-memory store is in force is not part of it (InMemory).
  static AnsiString CurrentFile();
  // Whether the system registry is the store now: no file chosen, not in memory,
  // on a platform that has one (Windows).
  static bool InSystemRegistry();
  // Where the registry is, for messages: "memory", kSystemRegistryDescription,
  // or the registry file's name.
  static constexpr const char* kSystemRegistryDescription =
      "the system registry (HKEY_CURRENT_USER)";
  static AnsiString Description();
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
// file stays as it was. Over the in-memory store it changes nothing. Over the
// system registry (Windows) it holds nothing and Commit writes nothing more:
// every write is stored as it is made, so a failure on the way leaves the
// writes before it in place, and other processes may write in between. One at
// a time per process, on one thread.
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
  // <the system's cause>"; in the system registry "Failed to create key <key>:
  // <the system's cause>". A read that the system registry refuses for another
  // reason than a missing value raises "Failed to get data for 'Name': <cause>".
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
  // ": <file>: <the system's cause>" when the registry file could not be
  // written, or ": <the system's cause>" when the system registry refused it.
  void WriteBool(const AnsiString& name, bool value);  // REG_DWORD 1 or 0
  void WriteInteger(const AnsiString& name, Integer value);
  void WriteString(const AnsiString& name, const AnsiString& value);
  bool DeleteValue(const AnsiString& name);

 private:
  HKEY root_ = HKEY_CURRENT_USER;
  AnsiString current_path_;  // the open key below the root, "" when none is open
  bool open_ = false;
  // The open key of the registry file, read once and again only when the file
  // changed; nullptr until first needed (and always over the system registry,
  // which is asked anew by each call).
  std::unique_ptr<RegFileKey> file_key_;
};

}  // namespace host
