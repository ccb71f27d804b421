// The registry object over a registry file and over the in-memory store: typed
// reads and their errors, key paths, the file's place, the preservation of
// everything a write does not touch, unparseable and unwritable files, and
// several processes writing the same file at once.
#include "host/vcl/registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/environment.h"
#include "tests/support/files.h"
#include "tests/support/folders.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/rtl/regfile.h"
#include "tests/rtl/regfile_support.h"

namespace host {
namespace {

constexpr const char* kFleetforgeKey = "\\Software\\Borland\\Delphi\\7.0\\Fleetforge";
constexpr const char* kFleetforgePath =
    "HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Fleetforge";

using fleetforge_test::Exists;
using fleetforge_test::FolderEntries;
using fleetforge_test::ReadAll;
using fleetforge_test::WriteAll;

// A registry file whose only key is Fleetforge's, with these value lines.
std::string FleetforgeFile(const std::string& values) {
  return "REGEDIT4\r\n\r\n[" + std::string(kFleetforgePath) + "]\r\n" + values;
}

// Starts count child processes, each exiting with what body(its number) returns.
std::vector<pid_t> StartChildren(int count, const std::function<int(int)>& body) {
  std::vector<pid_t> children;
  for (int child = 0; child < count; ++child) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body(child));
    children.push_back(pid);
  }
  return children;
}

// A scratch folder, the environment the registry looks at, and the location
// reset before and after each test.
class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegistryLocation::Reset();
    RegistryLocation::UseFile(file_);
  }

  void TearDown() override { RegistryLocation::Reset(); }

  fleetforge_test::TempFolder scratch_{"registry"};
  const std::string folder_ = scratch_.Name();
  const std::string file_ = folder_ + "/registry.reg";
  fleetforge_test::ScopedEnv registry_{"FLEETFORGE_REGISTRY", std::nullopt};
  fleetforge_test::ScopedEnv config_{"XDG_CONFIG_HOME"}, home_{"HOME"};
};

TEST_F(RegistryTest, TypedReadsAndTheirErrors) {
  WriteAll(file_, FleetforgeFile("\"CloseDefault\"=dword:00000002\r\n"
                                 "\"HideCaptions\"=dword:00000000\r\n"
                                 "\"ObjectInspectorHeight\"=dword:fffffffb\r\n"
                                 "\"Text\"=\"12\"\r\n"
                                 "\"Path\"=hex(2):25,54,25,00\r\n"
                                 "\"Short\"=hex(4):01,02\r\n"));
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kFleetforgeKey, false));
  EXPECT_TRUE(reg.ReadBool("CloseDefault"));  // any non-zero number is true
  EXPECT_FALSE(reg.ReadBool("hidecaptions"));
  EXPECT_EQ(-5, reg.ReadInteger("ObjectInspectorHeight"));
  EXPECT_EQ("12", reg.ReadString("Text"));
  EXPECT_EQ("%T%", reg.ReadString("Path"));
  EXPECT_EQ("Invalid data type for 'Text'", RegistryError([&] { reg.ReadBool("Text"); }));
  EXPECT_EQ("Invalid data type for 'Text'", RegistryError([&] { reg.ReadInteger("Text"); }));
  EXPECT_EQ("Invalid data type for 'CloseDefault'",
            RegistryError([&] { reg.ReadString("CloseDefault"); }));
  EXPECT_EQ("Failed to get data for 'ChangeIcon'",
            RegistryError([&] { reg.ReadBool("ChangeIcon"); }));
  EXPECT_EQ("Failed to get data for 'Short'", RegistryError([&] { reg.ReadInteger("Short"); }));
  EXPECT_TRUE(reg.ValueExists("TEXT"));
  EXPECT_FALSE(reg.ValueExists("ChangeIcon"));

  reg.WriteBool("CloseDefault", true);
  reg.WriteInteger("ObjectInspectorHeight", INT32_MIN);
  reg.WriteString("Text", "a \"quoted\" C:\\path");
  TRegistry other;
  ASSERT_TRUE(other.OpenKey(kFleetforgeKey, false));
  EXPECT_EQ(1, other.ReadInteger("CloseDefault"));  // WriteBool stores 1
  EXPECT_EQ(INT32_MIN, other.ReadInteger("ObjectInspectorHeight"));
  EXPECT_EQ("a \"quoted\" C:\\path", other.ReadString("Text"));
  EXPECT_TRUE(other.DeleteValue("text"));
  EXPECT_FALSE(other.DeleteValue("Text"));
  EXPECT_EQ("Failed to get data for 'Text'", RegistryError([&] { reg.ReadString("Text"); }));

  // A value replaced with another type takes the new one.
  reg.WriteInteger("Path", 7);
  EXPECT_EQ(7, reg.ReadInteger("Path"));

  // Without an open key nothing is read or written.
  reg.CloseKey();
  EXPECT_EQ("Failed to get data for 'CloseDefault'",
            RegistryError([&] { reg.ReadBool("CloseDefault"); }));
  EXPECT_EQ("Failed to set data for 'CloseDefault'",
            RegistryError([&] { reg.WriteBool("CloseDefault", true); }));
}

TEST_F(RegistryTest, KeyPathsAndRoots) {
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey("Software\\Test", false));
  EXPECT_TRUE(reg.OpenKey("\\Software\\Test\\", true));
  EXPECT_EQ("Software\\Test", reg.CurrentPath());
  EXPECT_TRUE(reg.OpenKey("Child", true));  // relative to the open key
  EXPECT_EQ("Software\\Test\\Child", reg.CurrentPath());
  EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\test\\CHILD"));
  EXPECT_FALSE(reg.KeyExists("Child"));  // Software\Test\Child\Child
  EXPECT_TRUE(reg.OpenKey("\\software\\TEST", false));
  EXPECT_EQ("software\\TEST", reg.CurrentPath());
  EXPECT_TRUE(reg.KeyExists("child"));
  EXPECT_FALSE(reg.OpenKey("\\Software\\\\Test", true));
  EXPECT_EQ("software\\TEST", reg.CurrentPath());  // a failed open keeps the open key

  // The key keeps the case it was created with.
  const RegFile file = LoadRegFile(file_);
  const RegKey* key = file.FindKey("HKEY_CURRENT_USER\\software\\test\\child");
  ASSERT_NE(nullptr, key);
  EXPECT_EQ("Child", key->name);
  EXPECT_EQ("Test", file.FindKey("HKEY_CURRENT_USER\\software\\test")->name);

  // Only the current user's root is kept.
  const std::string before = ReadAll(file_);
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_EQ("", reg.CurrentPath());
  EXPECT_FALSE(reg.OpenKey("\\Software\\Test", false));
  EXPECT_FALSE(reg.OpenKey("\\Software\\Other", true));
  EXPECT_FALSE(reg.KeyExists("\\Software\\Test"));
  EXPECT_EQ(before, ReadAll(file_));
}

TEST_F(RegistryTest, MissingFileIsEmptyAndReadsCreateNothing) {
  const std::string nested = folder_ + "/not/yet/registry.reg";
  RegistryLocation::UseFile(nested);
  {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(kFleetforgeKey, false));
    EXPECT_FALSE(reg.KeyExists(kFleetforgeKey));
    EXPECT_TRUE(reg.OpenKey("\\", false));  // the root itself
    EXPECT_FALSE(reg.ValueExists("CloseDefault"));
    EXPECT_EQ("Failed to get data for 'CloseDefault'",
              RegistryError([&] { reg.ReadBool("CloseDefault"); }));
    EXPECT_FALSE(reg.DeleteValue("CloseDefault"));
  }
  EXPECT_TRUE(FolderEntries(folder_).empty());

  // The first write makes the folders and the file; its lock file lasts only as long as the write.
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kFleetforgeKey, true));
  reg.WriteBool("CloseDefault", false);
  EXPECT_EQ(FleetforgeFile("\"CloseDefault\"=dword:00000000\r\n\r\n"), ReadAll(nested));
  EXPECT_EQ(std::vector<std::string>{"registry.reg"}, FolderEntries(folder_ + "/not/yet"));
  struct stat info {};
  ASSERT_EQ(0, ::stat(nested.c_str(), &info));
  EXPECT_EQ(0600u, info.st_mode & 0777u);
}

TEST_F(RegistryTest, WriteKeepsEveryOtherByte) {
  const std::string original =
      "REGEDIT4\r\n"
      "\r\n"
      "; settings exported by hand\r\n"
      "[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Editor]\r\n"
      "\"Font\"=\"Courier New\"\r\n"
      "\"Size\"=dword:0000000A\r\n"
      "\"Blob\"=hex:01,02,03,\\\r\n"
      "  04,05\r\n"
      "\r\n"
      "[HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Fleetforge]\r\n"
      "\"CloseDefault\"=dword:00000001\r\n"
      "\"ObjectInspectorHeight\"=dword:00000190\r\n"
      ";  height in pixels\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
      "\"Path\"=hex(2):25,00\r\n"
      "@=\"default\"\r\n";
  WriteAll(file_, original);
  ::chmod(file_.c_str(), 0640);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kFleetforgeKey, false));
  reg.WriteBool("CloseDefault", true);  // already stored: nothing changes
  EXPECT_EQ(original, ReadAll(file_));

  reg.WriteInteger("ObjectInspectorHeight", 500);
  std::string expected = original;
  const std::string oldLine = "\"ObjectInspectorHeight\"=dword:00000190\r\n";
  const std::string newLine = "\"ObjectInspectorHeight\"=dword:000001f4\r\n";
  expected.replace(expected.find(oldLine), oldLine.size(), newLine);
  EXPECT_EQ(expected, ReadAll(file_));

  reg.WriteBool("ChangeIcon", true);
  expected.insert(expected.find(newLine) + newLine.size(), "\"ChangeIcon\"=dword:00000001\r\n");
  EXPECT_EQ(expected, ReadAll(file_));

  ASSERT_TRUE(reg.OpenKey("\\Software\\Fleetforge\\New", true));
  reg.WriteString("S", "x");
  expected += "\r\n[HKEY_CURRENT_USER\\Software\\Fleetforge\\New]\r\n\"S\"=\"x\"\r\n\r\n";
  EXPECT_EQ(expected, ReadAll(file_));

  struct stat info {};
  ASSERT_EQ(0, ::stat(file_.c_str(), &info));
  EXPECT_EQ(0640u, info.st_mode & 0777u);
  EXPECT_EQ(std::vector<std::string>{"registry.reg"}, FolderEntries(folder_));
}

TEST_F(RegistryTest, LinkedFileIsReplacedBehindTheLink) {
  const std::string real = folder_ + "/real.reg";
  WriteAll(real, "REGEDIT4\r\n\r\n");
  ASSERT_EQ(0, ::symlink(real.c_str(), file_.c_str()));
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kFleetforgeKey, true));
  reg.WriteInteger("ObjectInspectorHeight", 300);
  struct stat info {};
  ASSERT_EQ(0, ::lstat(file_.c_str(), &info));
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  EXPECT_EQ(RegValue::Dword(300),
            *LoadRegFile(real).FindValue(kFleetforgePath, "ObjectInspectorHeight"));
}

TEST_F(RegistryTest, ReadsSeeOtherWriters) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kFleetforgeKey, true));
  reg.WriteInteger("ObjectInspectorHeight", 1);
  WriteAll(file_, FleetforgeFile("\"ObjectInspectorHeight\"=dword:00000002\r\n"));
  EXPECT_EQ(2, reg.ReadInteger("ObjectInspectorHeight"));
  // Rewritten in place at once with the same size: still seen.
  WriteAll(file_, FleetforgeFile("\"ObjectInspectorHeight\"=dword:00000003\r\n"));
  EXPECT_EQ(3, reg.ReadInteger("ObjectInspectorHeight"));
}

// An open key is parsed once, and again whenever another writer changed the file:
// in place or by a replacement, with the same size, at once after the read (the
// file's times may not have moved) or after the file had settled (its status
// tells).
TEST_F(RegistryTest, OpenKeyIsReadOnceAndAgainWhenTheFileChanged) {
  auto text = [](int n) {  // the same size for every n below 10
    return FleetforgeFile("\"N\"=dword:0000000" + std::to_string(n) + "\r\n");
  };
  const std::string temp = file_ + ".new";
  for (const int settle : {RegFileKey::kSettleSeconds, 0}) {
    SCOPED_TRACE(settle);
    // With no settling time, each change comes a clock tick after the last read.
    auto later = [settle] {
      if (settle == 0) ::usleep(50000);
    };
    WriteAll(file_, text(1));
    later();
    RegFileKey key(file_, kFleetforgePath, settle);
    auto value = [&key]() -> int {
      const RegKeyValues& now = key.Current();
      const RegNamedValue* found = now.FindValue("N");
      return !now.exists        ? -1
             : found == nullptr ? 0
                                : static_cast<unsigned char>(found->value.data[0]);
    };
    EXPECT_EQ(1, value());
    EXPECT_EQ(1, value());
    EXPECT_EQ(1, key.Reads());  // unchanged: not parsed again
    WriteAll(file_, text(2));   // in place
    EXPECT_EQ(2, value());
    EXPECT_EQ(2, key.Reads());
    later();
    WriteAll(temp, text(3));
    ASSERT_EQ(0, ::rename(temp.c_str(), file_.c_str()));
    EXPECT_EQ(3, value());
    later();
    ASSERT_EQ(0, ::unlink(file_.c_str()));
    EXPECT_EQ(-1, value());
    EXPECT_EQ(-1, value());
    EXPECT_EQ(4, key.Reads());
    WriteAll(file_, text(4));
    EXPECT_EQ(4, value());
    EXPECT_EQ(4, value());
    EXPECT_EQ(5, key.Reads());
  }
}

TEST_F(RegistryTest, UnparseableFileIsReportedAndNeverOverwritten) {
  const std::string broken =
      FleetforgeFile("\"CloseDefault\"=dword:00000001\r\n\"HideCaptions\"=dword:zz\r\n");
  WriteAll(file_, broken);
  const std::string error = "Registry file " + file_ + ", line 5: bad dword value 'zz'";
  TRegistry reg;
  EXPECT_EQ(error, RegistryError([&] { reg.OpenKey(kFleetforgeKey, false); }));
  EXPECT_EQ(error, RegistryError([&] { reg.OpenKey("\\Software\\Other", true); }));
  EXPECT_EQ(broken, ReadAll(file_));

  // A key opened before the file broke: reads and writes report the file too.
  WriteAll(file_, "REGEDIT4\r\n");
  ASSERT_TRUE(reg.OpenKey(kFleetforgeKey, true));
  WriteAll(file_, broken);
  EXPECT_EQ(error, RegistryError([&] { reg.ReadBool("CloseDefault"); }));
  EXPECT_EQ(error, RegistryError([&] { reg.WriteBool("CloseDefault", false); }));
  EXPECT_EQ(error, RegistryError([&] { reg.DeleteValue("CloseDefault"); }));
  EXPECT_EQ(broken, ReadAll(file_));
  EXPECT_EQ(std::vector<std::string>{"registry.reg"}, FolderEntries(folder_));
}

TEST_F(RegistryTest, UnwritablePlaceFailsTheWrite) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kFleetforgeKey, true));
  WriteAll(folder_ + "/plain", "a file, not a folder");
  RegistryLocation::UseFile(folder_ + "/plain/registry.reg");
  // The store's own failure is named with the file and the system's cause.
  const std::string cause = ": " + folder_ + "/plain/registry.reg: Not a directory";
  EXPECT_EQ("Failed to set data for 'CloseDefault'" + cause,
            RegistryError([&] { reg.WriteBool("CloseDefault", true); }));
  EXPECT_EQ("Failed to set data for 'ObjectInspectorHeight'" + cause,
            RegistryError([&] { reg.WriteInteger("ObjectInspectorHeight", 3); }));
  EXPECT_EQ("Failed to create key Software\\Other" + cause,
            RegistryError([&] { reg.OpenKey("\\Software\\Other", true); }));
  EXPECT_FALSE(reg.OpenKey(kFleetforgeKey, false));
  EXPECT_EQ("a file, not a folder", ReadAll(folder_ + "/plain"));

  // A value name that the file cannot hold fails the same way.
  RegistryLocation::UseFile(file_);
  EXPECT_EQ("Failed to set data for 'a\nb'", RegistryError([&] { reg.WriteBool("a\nb", true); }));
}

TEST_F(RegistryTest, Location) {
  ::setenv("XDG_CONFIG_HOME", "/xdg/config", 1);
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ("/xdg/config/fleetforge/registry.reg", RegistryLocation::DefaultFile());
  ::setenv("XDG_CONFIG_HOME", "relative/config", 1);  // ignored: not absolute
  EXPECT_EQ("/home/someone/.config/fleetforge/registry.reg", RegistryLocation::DefaultFile());
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ("/home/someone/.config/fleetforge/registry.reg", RegistryLocation::DefaultFile());

  RegistryLocation::Reset();
  EXPECT_EQ(RegistryLocation::DefaultFile(), RegistryLocation::CurrentFile());
  ::setenv("FLEETFORGE_REGISTRY", "/env/registry.reg", 1);
  EXPECT_EQ("/env/registry.reg", RegistryLocation::CurrentFile());
  RegistryLocation::UseFile("/command/line.reg");
  EXPECT_EQ("/command/line.reg", RegistryLocation::CurrentFile());
  RegistryLocation::Reset();
  EXPECT_EQ("/env/registry.reg", RegistryLocation::CurrentFile());

  // The default place, made on the first write.
  ::unsetenv("FLEETFORGE_REGISTRY");
  ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
  TRegistry reg;
  EXPECT_FALSE(reg.OpenKey(kFleetforgeKey, false));
  EXPECT_FALSE(Exists(folder_ + "/fleetforge"));
  ASSERT_TRUE(reg.OpenKey(kFleetforgeKey, true));
  reg.WriteBool("HideCaptions", true);
  const RegFile file = LoadRegFile(folder_ + "/fleetforge/registry.reg");
  EXPECT_EQ(RegValue::Dword(1), *file.FindValue(kFleetforgePath, "HideCaptions"));
}

TEST_F(RegistryTest, MemoryStoreTouchesNoFile) {
  RegistryLocation::UseMemory();
  EXPECT_TRUE(RegistryLocation::InMemory());
  {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(kFleetforgeKey, false));
    ASSERT_TRUE(reg.OpenKey(kFleetforgeKey, true));
    reg.WriteBool("CloseDefault", true);
    reg.WriteString("Text", "t");
    EXPECT_EQ("Invalid data type for 'Text'", RegistryError([&] { reg.ReadBool("Text"); }));
    EXPECT_EQ("Failed to set data for 'a\rb'", RegistryError([&] { reg.WriteBool("a\rb", true); }));
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\software\\borland\\delphi\\7.0\\FLEETFORGE", false));
  EXPECT_TRUE(reg.ReadBool("closedefault"));
  EXPECT_TRUE(FolderEntries(folder_).empty());

  RegistryLocation::UseMemory();  // a fresh, empty store
  EXPECT_FALSE(reg.OpenKey(kFleetforgeKey, false));
  RegistryLocation::UseFile(file_);
  EXPECT_FALSE(RegistryLocation::InMemory());
}

// One writer process: rounds of the six option writes plus a counter of its own.
int WriterProcess(const std::string& file, int child, int rounds) {
  try {
    RegistryLocation::UseFile(file);
    for (int round = 0; round < rounds; ++round) {
      TRegistry reg;
      if (!reg.OpenKey(kFleetforgeKey, true)) return 2;
      const bool flag = (round + child) % 2 == 0;
      reg.WriteBool("CloseDefault", flag);
      reg.WriteBool("HideCaptions", !flag);
      reg.WriteBool("MaximizeEditor", flag);
      reg.WriteBool("CreateCompDate", !flag);
      reg.WriteBool("ChangeIcon", flag);
      reg.WriteInteger("ObjectInspectorHeight", child * 1000 + round);
      reg.WriteInteger("Writer" + std::to_string(child), round);
    }
  } catch (...) {
    return 3;
  }
  return 0;
}

TEST_F(RegistryTest, ConcurrentWritersAllLandWhole) {
  constexpr int kWriters = 3;
  constexpr int kRounds = 200;
  WriteAll(file_, "REGEDIT4\r\n\r\n; kept\r\n[HKEY_CURRENT_USER\\Other]\r\n\"K\"=\"v\"\r\n");
  std::vector<pid_t> children =
      StartChildren(kWriters, [&](int child) { return WriterProcess(file_, child, kRounds); });
  for (const pid_t pid : children) ASSERT_GE(pid, 0);
  // Meanwhile every read sees a whole file.
  int reads = 0;
  std::string readError;
  for (size_t running = children.size(); running > 0;) {
    try {
      LoadRegFile(file_);
      ++reads;
    } catch (const ERegistryException& e) {
      readError = e.Message();
    }
    running = 0;
    for (pid_t& pid : children) {
      int status = 0;
      if (pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer status " << status;
        pid = 0;
      }
      if (pid > 0) ++running;
    }
  }
  EXPECT_EQ("", readError);
  EXPECT_GT(reads, 0);

  const RegFile file = LoadRegFile(file_);
  for (const char* name :
       {"CloseDefault", "HideCaptions", "MaximizeEditor", "CreateCompDate", "ChangeIcon"}) {
    SCOPED_TRACE(name);
    const RegValue* value = file.FindValue(kFleetforgePath, name);
    ASSERT_NE(nullptr, value);
    EXPECT_TRUE(*value == RegValue::Dword(0) || *value == RegValue::Dword(1));
  }
  const RegValue* height = file.FindValue(kFleetforgePath, "ObjectInspectorHeight");
  ASSERT_NE(nullptr, height);
  std::set<uint32_t> written;
  for (int child = 0; child < kWriters; ++child) {
    for (int round = 0; round < kRounds; ++round) written.insert(child * 1000 + round);
  }
  bool found = false;
  for (uint32_t candidate : written) found = found || *height == RegValue::Dword(candidate);
  EXPECT_TRUE(found);
  // No write was lost: each writer's last round is there.
  for (int child = 0; child < kWriters; ++child) {
    const RegValue* last = file.FindValue(kFleetforgePath, "Writer" + std::to_string(child));
    ASSERT_NE(nullptr, last);
    EXPECT_EQ(RegValue::Dword(kRounds - 1), *last);
  }
  EXPECT_EQ(RegValue::String("v"), *file.FindValue("HKEY_CURRENT_USER\\Other", "K"));
  EXPECT_EQ(0u, ReadAll(file_).find("REGEDIT4\r\n\r\n; kept\r\n[HKEY_CURRENT_USER\\Other]\r\n"));
  EXPECT_EQ(std::vector<std::string>{"registry.reg"}, FolderEntries(folder_));
}

// A transaction reads and writes a copy held under the lock; the file changes
// once, at Commit, or not at all.
TEST_F(RegistryTest, TransactionLandsWholeOrNotAtAll) {
  WriteAll(file_, "REGEDIT4\r\n\r\n; kept\r\n");
  const std::string before = ReadAll(file_);
  for (const bool commit : {false, true}) {
    SCOPED_TRACE(commit ? "committed" : "abandoned");
    {
      TRegistryTransaction transaction;
      TRegistry reg;
      ASSERT_TRUE(reg.OpenKey(kFleetforgeKey, true));
      reg.WriteInteger("ObjectInspectorHeight", 400);
      reg.WriteBool("HideCaptions", true);
      EXPECT_EQ(400, reg.ReadInteger("ObjectInspectorHeight"));
      EXPECT_EQ(before, ReadAll(file_)) << "nothing lands before Commit";
      if (commit) transaction.Commit();
    }
    const RegFile file = LoadRegFile(file_);
    EXPECT_EQ(commit, file.FindValue(kFleetforgePath, "HideCaptions") != nullptr);
    EXPECT_EQ(std::vector<std::string>{"registry.reg"}, FolderEntries(folder_));
  }
  // A place that cannot be locked is named with the cause, before anything is read.
  WriteAll(folder_ + "/plain", "a file");
  RegistryLocation::UseFile(folder_ + "/plain/registry.reg");
  EXPECT_EQ(folder_ + "/plain/registry.reg: Not a directory",
            RegistryError([] { TRegistryTransaction transaction; }));
}

// Fifty processes each read a counter and add one in a transaction: none is lost.
TEST_F(RegistryTest, ConcurrentTransactionsLoseNoUpdate) {
  constexpr int kWriters = 50;
  const std::vector<pid_t> children = StartChildren(kWriters, [](int child) {
    try {
      TRegistryTransaction transaction;
      TRegistry reg;
      if (!reg.OpenKey(kFleetforgeKey, true)) return 2;
      const int count = reg.ValueExists("Count") ? reg.ReadInteger("Count") : 0;
      reg.WriteInteger("Count", count + 1);
      reg.WriteInteger("Writer" + std::to_string(child), count);
      transaction.Commit();
    } catch (...) {
      return 3;
    }
    return 0;
  });
  for (const pid_t pid : children) {
    ASSERT_GE(pid, 0);
    int status = 0;
    ASSERT_EQ(pid, ::waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer status " << status;
  }
  const RegFile file = LoadRegFile(file_);
  EXPECT_EQ(RegValue::Dword(kWriters), *file.FindValue(kFleetforgePath, "Count"));
  std::set<std::string> seen;  // each writer saw another count
  for (int child = 0; child < kWriters; ++child) {
    const RegValue* value = file.FindValue(kFleetforgePath, "Writer" + std::to_string(child));
    ASSERT_NE(nullptr, value) << child;
    seen.insert(value->data);
  }
  EXPECT_EQ(static_cast<size_t>(kWriters), seen.size());
  EXPECT_EQ(std::vector<std::string>{"registry.reg"}, FolderEntries(folder_));
}

}  // namespace
}  // namespace host
