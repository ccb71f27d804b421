// The Windows back ends: the registry object over the system registry, checked
// against the system's own reg.exe, and the writers' lock and replacement of a
// file.
#include "host/rtl/filelock.h"
#include "host/rtl/syserror.h"
#include "host/rtl/textfile.h"
#include "host/vcl/registry.h"

#include <gtest/gtest.h>

#include "tests/support/host_error.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/rtl/winapi.h"

namespace host {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFleetforgeKey = "Software\\Borland\\Delphi\\7.0\\Fleetforge";

struct RegRun {
  int code;
  std::string output;
};

// reg.exe with the arguments, its exit code and what it printed (lines end in LF).
RegRun Reg(const std::string& arguments) {
  const std::string command = "reg " + arguments + " 2>&1";
  RegRun run{-1, ""};
  if (std::FILE* pipe = ::_popen(command.c_str(), "r")) {
    char buffer[4096];
    while (size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) run.output.append(buffer, got);
    run.code = ::_pclose(pipe);
  }
  run.output.erase(std::remove(run.output.begin(), run.output.end(), '\r'), run.output.end());
  return run;
}

std::string Hkcu(const std::string& path) {
  return "\"HKCU\\" + path + "\"";
}

bool SystemKeyExists(const std::string& path) {
  return Reg("query " + Hkcu(path)).code == 0;
}

template <class Call>
std::string RegistryError(Call call,
                          fleetforge_test::CallSite where = fleetforge_test::CallSite()) {
  return fleetforge_test::HostError<ERegistryException>(call, where);
}

// The system registry in force, and a scratch key of this process below
// HKCU\Software that is deleted afterwards, with whatever a test created in it.
class SystemRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(0, ::_putenv_s(RegistryLocation::kEnvironmentVariable, ""));
    RegistryLocation::Reset();
    ASSERT_TRUE(RegistryLocation::InSystemRegistry());
    ASSERT_FALSE(SystemKeyExists(scratch_));
  }
  void TearDown() override {
    Reg("delete " + Hkcu(scratch_) + " /f");
    RegistryLocation::Reset();
  }
  const std::string scratch_ =
      "Software\\Fleetforge-test-" + std::to_string(::GetCurrentProcessId());
};

TEST_F(SystemRegistryTest, OptionsWrittenAreSixDwordValuesForReg) {
  struct Value {
    const char* name;
    int value;  // a switch when bool
    bool isSwitch;
    const char* shown;  // as reg.exe shows the data
  } values[] = {
      {"CloseDefault", 1, true, "0x1"},   {"HideCaptions", 0, true, "0x0"},
      {"MaximizeEditor", 7, true, "0x1"}, {"CreateCompDate", 1, true, "0x1"},
      {"ChangeIcon", 0, true, "0x0"},     {"ObjectInspectorHeight", -5, false, "0xfffffffb"},
  };
  // The real key: the first of its folders that is missing now is deleted again.
  std::string created;
  for (std::string key = kFleetforgeKey; !SystemKeyExists(key);
       key = key.substr(0, key.rfind('\\'))) {
    created = key;
  }
  const bool existed = created.empty();
  const std::string backup = (fs::temp_directory_path() / "fleetforge-options-backup.reg").string();
  if (existed) {
    ASSERT_EQ(0, Reg("export " + Hkcu(kFleetforgeKey) + " \"" + backup + "\" /y").code);
  }

  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(std::string("\\") + kFleetforgeKey, true));
    for (const Value& v : values) {
      if (v.isSwitch) {
        reg.WriteBool(v.name, v.value != 0);
      } else {
        reg.WriteInteger(v.name, v.value);
      }
    }
  }
  const RegRun query = Reg("query " + Hkcu(kFleetforgeKey));
  EXPECT_EQ(0, query.code) << query.output;
  for (const Value& v : values) {
    const std::string line = std::string(v.name) + "    REG_DWORD    " + v.shown;
    EXPECT_NE(std::string::npos, query.output.find(line)) << line << " in\n" << query.output;
  }

  if (existed) {
    Reg("delete " + Hkcu(kFleetforgeKey) + " /f");
    EXPECT_EQ(0, Reg("import \"" + backup + "\"").code);
    fs::remove(backup);
  } else {
    EXPECT_EQ(0, Reg("delete " + Hkcu(created) + " /f").code);
  }
}

TEST_F(SystemRegistryTest, ValuesWrittenByRegAreReadWithTheHostsErrors) {
  for (const char* add : {"/v CloseDefault /t REG_DWORD /d 2",
                          "/v Height /t REG_DWORD /d 0xfffffffb", "/v Text /t REG_SZ /d 12"}) {
    ASSERT_EQ(0, Reg("add " + Hkcu(scratch_) + " " + add + " /f").code) << add;
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("\\" + scratch_, false));
  EXPECT_TRUE(reg.ReadBool("closedefault"));  // any non-zero number, any case
  EXPECT_EQ(2, reg.ReadInteger("CloseDefault"));
  EXPECT_EQ(-5, reg.ReadInteger("Height"));
  EXPECT_EQ("12", reg.ReadString("Text"));
  EXPECT_TRUE(reg.ValueExists("TEXT"));
  EXPECT_FALSE(reg.ValueExists("ChangeIcon"));
  EXPECT_EQ("Failed to get data for 'ChangeIcon'",
            RegistryError([&] { reg.ReadBool("ChangeIcon"); }));
  EXPECT_EQ("Invalid data type for 'Text'", RegistryError([&] { reg.ReadBool("Text"); }));
  EXPECT_EQ("Invalid data type for 'Height'", RegistryError([&] { reg.ReadString("Height"); }));

  // A switch written back is 1; a deleted value is gone for reg.exe too.
  reg.WriteBool("CloseDefault", reg.ReadBool("CloseDefault"));
  EXPECT_TRUE(reg.DeleteValue("text"));
  EXPECT_FALSE(reg.DeleteValue("Text"));
  const RegRun query = Reg("query " + Hkcu(scratch_));
  EXPECT_NE(std::string::npos, query.output.find("CloseDefault    REG_DWORD    0x1\n"))
      << query.output;
  EXPECT_EQ(std::string::npos, query.output.find("Text")) << query.output;

  // Without an open key nothing is read or written.
  reg.CloseKey();
  EXPECT_EQ("Failed to get data for 'Height'", RegistryError([&] { reg.ReadInteger("Height"); }));
  EXPECT_EQ("Failed to set data for 'Height'",
            RegistryError([&] { reg.WriteInteger("Height", 1); }));
}

TEST_F(SystemRegistryTest, KeysAreOpenedAndCreatedAsAsked) {
  TRegistry reg;
  // Opening without creating creates nothing, however deep the path.
  EXPECT_FALSE(reg.OpenKey("\\" + scratch_ + "\\Missing\\Deeper", false));
  EXPECT_FALSE(reg.KeyExists("\\" + scratch_));
  EXPECT_FALSE(SystemKeyExists(scratch_));

  // With creating, the parents are made; relative paths go on from the open key,
  // in any case.
  ASSERT_TRUE(reg.OpenKey("\\" + scratch_ + "\\Sub", true));
  ASSERT_TRUE(reg.OpenKey("Inner", true));
  EXPECT_EQ(scratch_ + "\\Sub\\Inner", reg.CurrentPath());
  reg.WriteInteger("N", 3);
  EXPECT_TRUE(SystemKeyExists(scratch_ + "\\Sub\\Inner"));
  ASSERT_TRUE(reg.OpenKey("\\" + scratch_ + "\\SUB\\inner", false));
  EXPECT_EQ(3, reg.ReadInteger("n"));

  // A name the system refuses: its cause, and nothing made.
  const std::string tooLong(300, 'x');
  const std::string error =
      RegistryError([&] { reg.OpenKey("\\" + scratch_ + "\\" + tooLong, true); });
  const std::string expected = "Failed to create key " + scratch_ + "\\" + tooLong + ": ";
  EXPECT_EQ(expected, error.substr(0, expected.size()));
  EXPECT_GT(error.size(), expected.size());
  EXPECT_FALSE(SystemKeyExists(scratch_ + "\\" + tooLong));

  // A transaction holds nothing here: each write is stored at once.
  {
    TRegistryTransaction transaction;
    ASSERT_TRUE(reg.OpenKey("\\" + scratch_, false));
    reg.WriteInteger("Uncommitted", 5);
  }
  EXPECT_EQ(0, Reg("query " + Hkcu(scratch_) + " /v Uncommitted").code);
}

TEST_F(SystemRegistryTest, AChosenFileOrMemoryIsTheStoreInstead) {
  const fs::path file = fs::temp_directory_path() /
                        ("fleetforge-registry-" + std::to_string(::GetCurrentProcessId()) + ".reg");
  EXPECT_EQ("", RegistryLocation::CurrentFile());
  EXPECT_EQ(RegistryLocation::kSystemRegistryDescription, RegistryLocation::Description());

  RegistryLocation::UseFile(file.string());
  EXPECT_FALSE(RegistryLocation::InSystemRegistry());
  EXPECT_EQ(file.string(), RegistryLocation::Description());
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\" + scratch_, true));
    reg.WriteBool("InFile", true);
    TRegistryTransaction transaction;
    reg.WriteInteger("Committed", -1);
    transaction.Commit();
  }
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  in.close();
  EXPECT_EQ("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\" + scratch_ +
                "]\r\n\"InFile\"=dword:00000001\r\n\"Committed\"=dword:ffffffff\r\n\r\n",
            text.str());
  fs::remove(file);

  RegistryLocation::UseMemory();
  EXPECT_EQ("memory", RegistryLocation::Description());
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\" + scratch_, true));
    reg.WriteBool("InMemory", true);
  }
  EXPECT_FALSE(SystemKeyExists(scratch_));  // neither store touched the system registry

  // The environment's file is chosen as a file given on the command line is.
  RegistryLocation::Reset();
  ASSERT_EQ(0, ::_putenv_s(RegistryLocation::kEnvironmentVariable, file.string().c_str()));
  EXPECT_FALSE(RegistryLocation::InSystemRegistry());
  EXPECT_EQ(file.string(), RegistryLocation::CurrentFile());
}

// ---- The writers' lock and the replacement of a file --------------------------

std::string Get(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void Put(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class LockedFileWin32Test : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(folder_); }
  void TearDown() override {
    for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
      ::SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(folder_);
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  const fs::path folder_ =
      fs::temp_directory_path() / ("fleetforge-lock-" + std::to_string(::GetCurrentProcessId()));
};

TEST_F(LockedFileWin32Test, ReplacementKeepsEverythingElse) {
  Put(Path("other.txt"), "other");
  Put(Path("file.txt"), "old");
  ::SetFileAttributesA(Path("file.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  // Left behind by killed writers: removed under the lock; others are kept.
  const std::vector<std::string> kept = {".file.txt.fleetforge-abc12.tmp",
                                         ".other.txt.fleetforge-abc123.tmp", "file.txt.tmp"};
  for (const std::string& name : kept) Put(Path(name), "kept");
  Put(Path(".file.txt.fleetforge-abc123.tmp"), "stale");
  {
    TLockedFile lock(Path("file.txt"));
    EXPECT_EQ(Path("file.txt"), lock.Target());
    EXPECT_TRUE(fs::exists(Path(".file.txt.fleetforge.lock")));
    lock.Replace("new\r\n");
  }
  EXPECT_EQ("new\r\n", Get(Path("file.txt")));
  EXPECT_NE(0u, ::GetFileAttributesA(Path("file.txt").c_str()) & FILE_ATTRIBUTE_HIDDEN);
  std::vector<std::string> expected = kept;
  expected.push_back("file.txt");
  expected.push_back("other.txt");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, Entries(folder_));  // no lock file, no temporary file left
  EXPECT_EQ("other", Get(Path("other.txt")));

  // Missing folders are made when asked for.
  TLockedFile(Path("new\\sub\\file.txt"), true).Replace("made");
  EXPECT_EQ("made", Get(Path("new\\sub\\file.txt")));
}

TEST_F(LockedFileWin32Test, ARefusedFileIsLeftAsItWas) {
  struct Case {
    const char* name;
    DWORD attributes;  // 0: a folder
  } cases[] = {{"read-only.txt", FILE_ATTRIBUTE_READONLY}, {"folder", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.attributes == 0) {
      fs::create_directory(Path(c.name));
    } else {
      Put(Path(c.name), "old");
      ::SetFileAttributesA(Path(c.name).c_str(), c.attributes);
    }
    const std::string error =
        fleetforge_test::HostError<EInOutError>([&] { TLockedFile(Path(c.name)).Replace("new"); });
    EXPECT_EQ(Path(c.name) + ": " + WindowsErrorMessage(ERROR_ACCESS_DENIED), error);
    if (c.attributes != 0) {
      EXPECT_EQ("old", Get(Path(c.name)));
    }
  }
  EXPECT_EQ((std::vector<std::string>{"folder", "read-only.txt"}), Entries(folder_));
}

// Either delimiter separates folders, so a missing folder is told from a missing file.
TEST_F(LockedFileWin32Test, AReadTellsAMissingFolderFromAMissingFile) {
  const struct {
    std::string path;
    const char* message;
  } cases[] = {{Path("missing.txt"), "File not found"},
               {Path("no-folder\\missing.txt"), "Path not found"},
               {folder_.string() + "/no-folder/missing.txt", "Path not found"}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.message, fleetforge_test::HostError<EInOutError>([&] { ReadFileBytes(c.path); }))
        << c.path;
  }
}

TEST_F(LockedFileWin32Test, WritersTakeTurnsAndWaitForReaders) {
  const std::string file = Path("counter.txt");
  Put(file, "0");
  // Each writer adds one, many times over: a lost update shows in the count.
  constexpr int kRounds = 100;
  std::atomic<int> failures{0};
  auto writer = [&] {
    try {
      for (int i = 0; i < kRounds; ++i) {
        TLockedFile lock(file);
        lock.Replace(std::to_string(std::stoi(Get(file)) + 1));
      }
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
      ++failures;
    }
  };
  std::thread first(writer), second(writer);
  first.join();
  second.join();
  EXPECT_EQ(0, failures);
  EXPECT_EQ(std::to_string(2 * kRounds), Get(file));

  // A reader that keeps the file open holds the replacement up until it lets go.
  std::FILE* reader = std::fopen(file.c_str(), "rb");
  ASSERT_NE(nullptr, reader);
  std::atomic<bool> closed{false};
  std::thread closer([&] {
    ::Sleep(200);
    closed = true;
    std::fclose(reader);
  });
  const std::string error =
      fleetforge_test::HostError<EInOutError>([&] { TLockedFile(file).Replace("after"); });
  EXPECT_TRUE(closed);
  closer.join();
  EXPECT_EQ("(no error)", error);
  EXPECT_EQ("after", Get(file));
}

}  // namespace
}  // namespace host
