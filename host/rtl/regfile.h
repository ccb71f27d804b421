// Registry files: the text format that the system's registry editor exports and
// imports, "REGEDIT4" (8-bit text) and "Windows Registry Editor Version 5.00"
// (UTF-16LE with the byte order mark FF FE), and the read-modify-write of such a
// file on disk.
//
// A parsed file is kept as the sequence of its own lines (a value with
// continuation lines is one item), so that a change re-emits every untouched
// line byte for byte: only a changed value's line is formatted anew, a new value
// goes at the end of its key's last section, a new key section at the end of the
// file. What the lines mean is what importing them in order would leave in the
// registry: sections of the same key add up, a later value overrides an earlier
// one, "[-Key]" deletes a key with its subtree, "Name"=- deletes a value.
//
// Key paths are given in full, root first ("HKEY_CURRENT_USER\Software\X");
// key paths and value names compare case-insensitively (the letters A to Z) and
// keep the case they were created with. The empty value name is the key's
// default value ("@" in the file).
//
// Either header is read in either encoding (a file that starts with FF FE is
// UTF-16LE, any other is 8-bit); the version decides how hex(1), hex(2) and
// hex(7) data is read. Lines end in CR LF or LF; added lines use the file's.
//
// Encodings. The text of a UTF-16 file is held as UTF-8 internally and encoded
// back when serialized, so a UTF-16 file stays UTF-16 and version 5 when it is
// changed (its untouched lines keep their bytes); a new file is REGEDIT4, 8-bit,
// with CR LF. String data is held as 8-bit text with its NUL terminators in
// either version; in version 5 the hex forms of string types (hex(1), hex(2),
// hex(7)) are UTF-16LE in the file and are converted on the way in and out.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/rtl/sysutils.h"

namespace host {

class TLockedFile;

// A registry file that could not be read or replaced (a missing folder that
// cannot be made, a read or write error). Parse errors are plain
// ERegistryException; both report the host class ERegistryException.
class HOST_API ERegistryFileIOError : public ERegistryException {
 public:
  using ERegistryException::ERegistryException;
};

// Value types, by their registry numbers.
enum TRegDataType : uint32_t {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
  REG_MULTI_SZ = 7,
  REG_QWORD = 11,
};

// A value as the registry holds it: its type number (one of TRegDataType, or any
// other) and its data bytes. A REG_SZ written as "text" holds text + NUL.
struct HOST_API RegValue {
  uint32_t type = 0;
  std::string data;

  bool operator==(const RegValue& other) const = default;
  static RegValue String(std::string_view text);  // REG_SZ: text + NUL
  static RegValue Dword(uint32_t value);          // REG_DWORD: 4 bytes, little endian
};

struct HOST_API RegNamedValue {
  std::string name;  // "" for the default value
  RegValue value;
};

// A key as the file's lines leave it.
struct HOST_API RegKey {
  std::string name;                   // with the case it was created with
  std::vector<RegNamedValue> values;  // in the order they were created
  std::vector<RegKey> subkeys;        // likewise

  const RegKey* FindSubkey(std::string_view name) const;  // case-insensitive
  const RegNamedValue* FindValue(std::string_view name) const;
};

// Same names (case included), same values and the same subkeys, in any order.
HOST_API bool SameKeys(const RegKey& a, const RegKey& b);

enum class RegLineKind {
  Header,       // REGEDIT4 or Windows Registry Editor Version 5.00
  Blank,        // empty or blanks only
  Comment,      // first non-blank character ';'
  Key,          // [ROOT\Path]
  KeyDelete,    // [-ROOT\Path]
  Value,        // "Name"=data or @=data, with its continuation lines
  ValueDelete,  // "Name"=-
};

struct HOST_API RegLine {
  RegLineKind kind = RegLineKind::Blank;
  // The exact text with its line end(s); UTF-8 when the file is UTF-16.
  std::string text;
  int lineNumber = 0;  // first line in the parsed file; 0 for a line added since
  // Key, KeyDelete: the key; Value, ValueDelete: the key of their section. The
  // root's name (upper case) first, then the components as written.
  std::vector<std::string> path;
  std::string name;  // Value, ValueDelete
  RegValue value;    // Value
};

class RegFile;
HOST_API RegFile ParseRegFile(std::string_view bytes, const std::string& fileNameForErrors);
HOST_API std::string SerializeRegFile(const RegFile& file);

class HOST_API RegFile {
 public:
  // The standard roots, in upper case.
  static const std::vector<std::string>& RootNames();

  // An empty REGEDIT4 file: the header and a blank line.
  RegFile();

  int Version() const { return version_; }  // 4 or 5
  bool Utf16() const { return utf16_; }
  const std::vector<RegLine>& Lines() const { return lines_; }
  // The standard roots with what the lines put under them, in RootNames() order.
  const std::vector<RegKey>& Roots() const { return roots_; }

  // nullptr when the key does not exist or the path is not a valid key path.
  const RegKey* FindKey(std::string_view keyPath) const;
  const RegValue* FindValue(std::string_view keyPath, std::string_view name) const;

  // Each returns whether the file changed. CreateKey and SetValue create missing
  // keys (a key's section makes its parents exist). Setting a value to what it
  // already holds changes nothing. They raise ERegistryException when the path is
  // not a valid key path under a standard root, or when the name or data cannot
  // be written in this file (a line break in a name, text that is not UTF-8 for a
  // UTF-16 file or a version 5 string in hex form).
  bool CreateKey(std::string_view keyPath);
  bool SetValue(std::string_view keyPath, std::string_view name, const RegValue& value);
  bool DeleteValue(std::string_view keyPath, std::string_view name);

 private:
  friend RegFile ParseRegFile(std::string_view bytes, const std::string& fileNameForErrors);
  friend std::string SerializeRegFile(const RegFile& file);

  void Rebuild();
  std::vector<std::string> CheckedPath(std::string_view keyPath) const;
  std::string DisplayKeyPath(const std::vector<std::string>& path) const;
  size_t AppendSection(const std::vector<std::string>& path);
  void EnsureTerminated(size_t index);
  RegLine MakeValueLine(const std::vector<std::string>& path, std::string_view name,
                        const RegValue& value, const std::string& lineEnd) const;

  int version_ = 4;
  bool utf16_ = false;
  std::string eol_ = "\r\n";
  std::vector<RegLine> lines_;
  std::vector<RegKey> roots_;
};

// Parses a whole file. An empty input (0 bytes) is an empty registry. Anything
// that is not a registry file raises ERegistryException
// "Registry file <fileNameForErrors>, line <n>: <what is wrong>".
HOST_API RegFile ParseRegFile(std::string_view bytes, const std::string& fileNameForErrors);
// The file's bytes: every line's text, encoded as UTF-16LE with its byte order
// mark when the file is UTF-16.
HOST_API std::string SerializeRegFile(const RegFile& file);

// The registry file at path. A missing file (or a missing folder) is an empty
// registry; nothing is created. Raises ERegistryException when it cannot be
// parsed, ERegistryFileIOError when it cannot be read.
HOST_API RegFile LoadRegFile(const std::string& path);

// One key as a registry file's lines leave it, read without keeping the lines:
// whether it exists, and its values. Its subkeys are not read.
struct HOST_API RegKeyValues {
  bool exists = false;
  std::vector<RegNamedValue> values;  // in the order they were created

  const RegNamedValue* FindValue(std::string_view name) const;  // case-insensitive
};

// The key at keyPath ("HKEY_CURRENT_USER\Software\X") in a whole file's bytes.
// The whole file is read and checked as ParseRegFile does, with the same errors,
// but only the one key is kept: time is linear in the file's size, and memory
// beyond the bytes is the key's values (and the decoded text of a UTF-16 file).
HOST_API RegKeyValues ReadRegKey(std::string_view bytes, std::string_view keyPath,
                                 const std::string& fileNameForErrors);

// One key of the registry file at path, parsed when first asked for and parsed
// again only when the file has changed since. Errors as LoadRegFile's. Not for
// use by several threads at once.
//
// Whether the file changed is told by its status: device, inode, size, and the
// modification and status-change times to the nanosecond. A replacement (a new
// inode, or a reused inode number with new times) and an in-place write (new
// times, or a new size) show there, except for a write of the same size within
// one tick of the file system's clock (a few milliseconds, up to two seconds on
// coarse file systems), which can leave every field as it was. So a file whose
// modification or status change lies less than kSettleSeconds before it was
// read is not trusted on its status alone: until it has settled, every use
// reads its bytes again and compares them (their length and a 64-bit hash) with
// those the key was parsed from, and parses again only when they differ. A file
// that was missing stays missing until a status shows it.
class HOST_API RegFileKey {
 public:
  static constexpr int kSettleSeconds = 3;

  // settleSeconds other than kSettleSeconds is for tests.
  RegFileKey(std::string path, std::string keyPath, int settleSeconds = kSettleSeconds);
  const std::string& Path() const { return path_; }
  const std::string& KeyPath() const { return keyPath_; }
  // The key as the file holds it now.
  const RegKeyValues& Current();
  // How often the file has been parsed (for tests and measurements).
  int Reads() const { return reads_; }

 private:
  struct Stamp {
    uint64_t device = 0, inode = 0, size = 0;
    int64_t modified = 0, modifiedNs = 0, changed = 0, changedNs = 0;
    bool operator==(const Stamp& other) const = default;
  };
  enum class StampResult { Present, Missing, Error };
  StampResult TakeStamp(Stamp& stamp) const;
  bool Settled(const Stamp& stamp, int64_t now) const;
  void Load();

  std::string path_;
  std::string keyPath_;
  int settleSeconds_;
  RegKeyValues key_;
  bool loaded_ = false;
  bool present_ = false;  // the file existed when the key was read
  bool settled_ = false;  // its status alone tells whether it changed since
  Stamp stamp_;
  uint64_t hash_ = 0;  // of the bytes the key was read from, while not settled
  int reads_ = 0;
};

// The registry file at path held for one read-change-write: the constructor takes
// the writers' lock of the file (TLockedFile, with its folder made when missing)
// and reads and parses the file; Save replaces it with File() as it then stands
// (atomically, keeping its owner, group and permissions, or 0600 for a new file);
// the destructor lets go of the lock. A file that cannot be parsed raises
// ERegistryException and is left alone; a file that cannot be locked, read or
// replaced raises ERegistryFileIOError "<path>: <the system's cause>" and is left
// as it was. When path is a symbolic link, the file it leads to is replaced.
class HOST_API LockedRegFile {
 public:
  explicit LockedRegFile(const std::string& path);
  ~LockedRegFile();
  LockedRegFile(const LockedRegFile&) = delete;
  LockedRegFile& operator=(const LockedRegFile&) = delete;

  const std::string& Path() const { return path_; }
  RegFile& File() { return file_; }
  void Save();

 private:
  std::string path_;
  std::unique_ptr<TLockedFile> lock_;
  RegFile file_;
};

// One read-change-write of the registry file at path: change is called on the
// file read under the lock, and when it returns true the file is saved.
HOST_API void UpdateRegFile(const std::string& path, const std::function<bool(RegFile&)>& change);

}  // namespace host
