// The writers' lock and the replacement of a file: permissions, owners, links,
// planted lock-file links and what killed writers leave behind.
#include "host/rtl/filelock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/files.h"
#include "tests/support/folders.h"
#include "tests/support/processes.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace host {
namespace {

namespace fs = std::filesystem;
using fleetforge_test::ChildSetup;
using fleetforge_test::FolderEntries;
using fleetforge_test::InChild;
using fleetforge_test::kNobody;

constexpr auto Get = &fleetforge_test::ReadAll;
constexpr auto Put = &fleetforge_test::WriteAll;

// The message of the EInOutError that a write of "new" to path raises; "" for none.
std::string WriteError(const std::string& path) {
  try {
    TLockedFile(path).Replace("new");
  } catch (const EInOutError& e) {
    return e.Message();
  }
  return "";
}

// A folder that the unprivileged user owns, in a scratch folder anyone may enter.
class LockedFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(0, ::chmod(root_.c_str(), 0755));
    folder_ = root_ + "/f";
    ASSERT_EQ(0, ::mkdir(folder_.c_str(), 0755));
    if (::geteuid() == 0) {
      ASSERT_EQ(0, ::chown(folder_.c_str(), kNobody, kNobody));
    }
  }
  void TearDown() override { ::chmod(folder_.c_str(), 0755); }
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  // A file of the unprivileged user with the given mode.
  void PutOwned(const std::string& name, const std::string& bytes, mode_t mode) {
    Put(Path(name), bytes);
    if (::geteuid() == 0) {
      ASSERT_EQ(0, ::chown(Path(name).c_str(), kNobody, kNobody));
    }
    ASSERT_EQ(0, ::chmod(Path(name).c_str(), mode));
  }
  fleetforge_test::TempFolder scratch_{"rtl-lock"};
  const std::string root_ = scratch_.Name();
  std::string folder_;
};

// What the permission bits allow, as an ordinary user sees it (under root, the
// write runs in a child that has become the unprivileged user).
TEST_F(LockedFileTest, PermissionsDecideBetweenReplacingRewritingAndRefusing) {
  struct Case {
    const char* name;
    mode_t fileMode;    // 0: no file
    mode_t folderMode;  // of the folder the file is in
    const char* cause;  // "" when the write must succeed
  } cases[] = {
      {"read-only file", 0444, 0755, "Permission denied"},
      {"read-only file, read-only folder", 0444, 0555, "Permission denied"},
      {"writable file, read-only folder: rewritten in place", 0644, 0555, ""},
      {"no file, read-only folder", 0, 0555, "Permission denied"},
      {"writable file, writable folder", 0640, 0755, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(0, ::chmod(folder_.c_str(), 0755));
    fs::remove(Path("unit"));
    if (c.fileMode != 0) PutOwned("unit", "old", c.fileMode);
    ASSERT_EQ(0, ::chmod(folder_.c_str(), c.folderMode));
    const std::string expected = *c.cause ? Path("unit") + ": " + c.cause : "";
    const int code = InChild({.unprivileged = true},
                             [&] { return WriteError(Path("unit")) == expected ? 0 : 1; });
    EXPECT_EQ(0, code) << "expected error \"" << expected << "\"";
    EXPECT_EQ(*c.cause ? (c.fileMode ? "old" : "") : "new", Get(Path("unit")));
    if (c.fileMode != 0) {
      struct stat info {};
      ASSERT_EQ(0, ::stat(Path("unit").c_str(), &info));
      EXPECT_EQ(c.fileMode, info.st_mode & 07777);
    }
    ASSERT_EQ(0, ::chmod(folder_.c_str(), 0755));
    EXPECT_EQ(c.fileMode ? std::vector<std::string>{"unit"} : std::vector<std::string>{},
              FolderEntries(folder_))
        << "no lock or temporary file is left";
  }
}

TEST_F(LockedFileTest, ARewriteKeepsOwnerGroupModeAndLinks) {
  // Another user's file with set-group-id, rewritten by root (or by its owner).
  PutOwned("unit", "old", 02664);
  TLockedFile(Path("unit")).Replace("new");
  struct stat info {};
  ASSERT_EQ(0, ::stat(Path("unit").c_str(), &info));
  EXPECT_EQ(02664u, info.st_mode & 07777);
  EXPECT_EQ(::geteuid() == 0 ? kNobody : ::geteuid(), info.st_uid);
  EXPECT_EQ("new", Get(Path("unit")));

  // A dangling link (relative, through a second link) gets its file made.
  ASSERT_EQ(0, ::mkdir(Path("real").c_str(), 0755));
  ASSERT_EQ(0, ::symlink("real/target", Path("middle").c_str()));
  ASSERT_EQ(0, ::symlink("middle", Path("link").c_str()));
  TLockedFile(Path("link")).Replace("through");
  EXPECT_TRUE(fs::is_symlink(Path("link")));
  EXPECT_TRUE(fs::is_symlink(Path("middle")));
  EXPECT_EQ("through", Get(Path("real/target")));
  EXPECT_EQ(std::vector<std::string>{"target"}, FolderEntries(Path("real")));
}

TEST_F(LockedFileTest, APlantedLockFileLinkIsRefused) {
  Put(Path("unit"), "old");
  const std::string lock = TLockedFile::LockFileName(Path("unit"));
  EXPECT_EQ(Path(".unit.fleetforge.lock"), lock);
  ASSERT_EQ(0, ::symlink((root_ + "/elsewhere").c_str(), lock.c_str()));
  EXPECT_EQ(lock + ": Too many levels of symbolic links", WriteError(Path("unit")));
  EXPECT_FALSE(fs::exists(root_ + "/elsewhere"));
  EXPECT_EQ("old", Get(Path("unit")));
}

TEST_F(LockedFileTest, StaleTemporaryFilesOfTheFileAreRemovedByTheNextWriter) {
  Put(Path("unit"), "old");
  for (const char* name :
       {".unit.fleetforge-Ab3dE9.tmp", ".unit.fleetforge-zzzzzz.tmp",
        ".unit.fleetforge-toolong7.tmp", ".other.fleetforge-Ab3dE9.tmp", "unit.Ab3dE9"})
    Put(Path(name), "left by a killed writer");
  // A writer that holds the lock keeps the next one waiting. (The second writer
  // starts before the first takes the lock: a child would share the lock.)
  const pid_t second = ::fork();
  if (second == 0) {
    ::usleep(200000);
    ::_exit(WriteError(Path("unit")).empty() ? 0 : 1);
  }
  {
    TLockedFile held(Path("unit"));
    ::usleep(400000);
    EXPECT_EQ("old", Get(Path("unit"))) << "the second writer waits for the lock";
    held.Replace("first");
    ::usleep(100000);
    EXPECT_EQ("first", Get(Path("unit"))) << "the second writer waits for the lock";
  }
  EXPECT_EQ(0, fleetforge_test::WaitFor(second));
  EXPECT_EQ("new", Get(Path("unit")));
  EXPECT_EQ((std::vector<std::string>{".other.fleetforge-Ab3dE9.tmp",
                                      ".unit.fleetforge-toolong7.tmp", "unit", "unit.Ab3dE9"}),
            FolderEntries(folder_));
}

}  // namespace
}  // namespace host
