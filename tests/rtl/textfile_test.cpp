// Text files, whole-file reads and atomic replacement.
#include "host/rtl/textfile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>

#include "tests/support/files.h"
#include "tests/support/host_error.h"

namespace host {
namespace {

namespace fs = std::filesystem;

using fleetforge_test::ExpectHostError;

class FileTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return scratch_.Path(name); }

  void Put(const std::string& path, const std::string& bytes) const {
    ASSERT_TRUE(fleetforge_test::WriteAll(path, bytes));
  }

  static std::string Get(const std::string& path) { return fleetforge_test::ReadAll(path); }

  // Writes bytes into the scratch file name and opens it for reading; its path.
  std::string OpenToRead(TTextFile& file, const std::string& name, const std::string& bytes) {
    const std::string path = PathOf(name);
    Put(path, bytes);
    file.Reset(path);
    return path;
  }

  std::set<std::string> Entries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  fleetforge_test::TempFolder scratch_{"rtl-files"};
  const std::string folder_ = scratch_.Name();
};

// ---- Reading lines ---------------------------------------------------------------

TEST_F(FileTest, ReadLnAcceptsCrLfLfAndLoneCr) {
  TTextFile file;
  OpenToRead(file, "lines.txt", "one\r\ntwo\nthree\rfour\r\n\r\nsix");
  EXPECT_TRUE(file.IsOpen());
  const char* const expected[] = {"one", "two", "three", "four", "", "six"};
  for (const char* line : expected) {
    SCOPED_TRACE(line);
    ASSERT_FALSE(file.Eof());
    EXPECT_EQ(file.ReadLn(), line);
  }
  EXPECT_TRUE(file.Eof());
  file.CloseFile();
  EXPECT_FALSE(file.IsOpen());
}

TEST_F(FileTest, LineEndPairsAreSplitOnlyAsCrLf) {
  struct Case {
    const char* bytes;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"\r\r\n", {"", ""}},                  // lone CR, then CR LF
      {"\n\r", {"", ""}},                    // LF, then a lone CR at the end
      {"a\r", {"a"}},                        // CR as the very last byte
      {"a\r\n", {"a"}},                      // no empty line after the last line end
      {"\r\n\r\n", {"", ""}}, {"x", {"x"}},  // last line without a line end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::string(c.bytes)));
    TTextFile file;
    OpenToRead(file, "case.txt", c.bytes);
    std::vector<std::string> lines;
    while (!file.Eof()) lines.push_back(file.ReadLn());
    EXPECT_EQ(lines, c.lines);
    file.CloseFile();
  }
}

TEST_F(FileTest, ReadLnAtTheEndGivesEmptyLines) {
  TTextFile file;
  OpenToRead(file, "short.txt", "unit CompDate;\r\n\r\n// Build: 5\r\n");
  EXPECT_EQ(file.ReadLn(), "unit CompDate;");
  EXPECT_EQ(file.ReadLn(), "");
  EXPECT_EQ(file.ReadLn(), "// Build: 5");
  EXPECT_TRUE(file.Eof());
  EXPECT_EQ(file.ReadLn(), "");
  EXPECT_EQ(file.ReadLn(), "");
  EXPECT_TRUE(file.Eof());
  file.CloseFile();

  OpenToRead(file, "short.txt", "");
  EXPECT_TRUE(file.Eof());
  EXPECT_EQ(file.ReadLn(), "");
}

TEST_F(FileTest, EofDoesNotConsumeAndBytesPassUnchanged) {
  const std::string line("\x00\x7f\x80\xe9\xff\x1a z", 8);
  TTextFile file;
  OpenToRead(file, "bytes.txt", line + "\r\nnext");
  EXPECT_FALSE(file.Eof());
  EXPECT_FALSE(file.Eof());
  EXPECT_EQ(file.ReadLn(), line);
  EXPECT_EQ(file.ReadLn(), "next");
}

// ---- Writing lines ---------------------------------------------------------------

TEST_F(FileTest, WriteLnEndsLinesWithCrLf) {
  const std::string path = PathOf("out.txt");
  Put(path, "old contents that must go away");
  TTextFile file;
  file.Rewrite(path);
  file.WriteLn("unit CompDate;");
  file.WriteLn("");
  file.Write("// Build: ");
  file.Write("");
  file.WriteLn("12");
  file.Write(std::string("\xe9\x00", 2));
  file.CloseFile();
  EXPECT_EQ(Get(path), "unit CompDate;\r\n\r\n// Build: 12\r\n" + std::string("\xe9\x00", 2));
}

TEST_F(FileTest, ReopeningClosesTheOpenFileFirst) {
  const std::string path = PathOf("reopen.txt");
  TTextFile file;
  file.Rewrite(path);
  file.WriteLn("written");
  file.Reset(path);  // flushes and closes the written file
  EXPECT_EQ(file.ReadLn(), "written");
  file.Rewrite(PathOf("other.txt"));
  file.WriteLn("x");
  file.CloseFile();
  EXPECT_EQ(Get(PathOf("other.txt")), "x\r\n");
}

TEST_F(FileTest, DestructorFlushesAndClosesAnOpenFile) {
  const std::string path = PathOf("scoped.txt");
  {
    TTextFile file;
    file.Rewrite(path);
    file.WriteLn("kept");
  }
  EXPECT_EQ(Get(path), "kept\r\n");
}

// ---- Failures ----------------------------------------------------------------------

TEST_F(FileTest, OpeningFailuresHaveTheHostMessages) {
  Put(PathOf("plain"), "x");
  fs::create_directory(PathOf("folder"));
  TTextFile file;
  ExpectHostError<EInOutError>([&] { file.Reset(PathOf("missing.txt")); }, "File not found");
  ExpectHostError<EInOutError>([&] { file.Reset(PathOf("nofolder/missing.txt")); },
                               "Path not found");
  ExpectHostError<EInOutError>([&] { file.Reset(PathOf("plain/below.txt")); }, "Path not found");
  ExpectHostError<EInOutError>([&] { file.Reset(PathOf("folder")); }, "Access denied");
  ExpectHostError<EInOutError>([&] { file.Rewrite(PathOf("nofolder/new.txt")); }, "Path not found");
  ExpectHostError<EInOutError>([&] { file.Rewrite(PathOf("folder")); }, "Access denied");
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(fs::exists(PathOf("nofolder")));
}

TEST_F(FileTest, OperationsNeedAFileOpenInTheRightDirection) {
  const std::string path = PathOf("dir.txt");
  Put(path, "line\r\n");
  TTextFile file;
  ExpectHostError<EInOutError>([&] { file.ReadLn(); }, "File not open");
  ExpectHostError<EInOutError>([&] { file.Eof(); }, "File not open");
  ExpectHostError<EInOutError>([&] { file.Write("x"); }, "File not open");
  ExpectHostError<EInOutError>([&] { file.WriteLn("x"); }, "File not open");
  ExpectHostError<EInOutError>([&] { file.CloseFile(); }, "File not open");

  file.Reset(path);
  ExpectHostError<EInOutError>([&] { file.Write("x"); }, "File not open for output");
  ExpectHostError<EInOutError>([&] { file.WriteLn("x"); }, "File not open for output");
  EXPECT_EQ(file.ReadLn(), "line");
  file.CloseFile();
  ExpectHostError<EInOutError>([&] { file.CloseFile(); }, "File not open");

  file.Rewrite(path);
  ExpectHostError<EInOutError>([&] { file.ReadLn(); }, "File not open for input");
  ExpectHostError<EInOutError>([&] { file.Eof(); }, "File not open for input");
  file.CloseFile();
  EXPECT_EQ(Get(path), "");
}

TEST_F(FileTest, AFullDiskIsReportedAndTheFileIsClosed) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full here";
  TTextFile file;
  file.Rewrite("/dev/full");
  ExpectHostError<EInOutError>(
      [&] {
        file.WriteLn("no room");
        file.CloseFile();
      },
      "Disk full");
  if (file.IsOpen()) ExpectHostError<EInOutError>([&] { file.CloseFile(); }, "Disk full");
  EXPECT_FALSE(file.IsOpen());
}

TEST(InOutErrorMessage, MapsSystemErrors) {
  EXPECT_EQ(InOutErrorMessage(ENOENT), "File not found");
  EXPECT_EQ(InOutErrorMessage(ENOTDIR), "Path not found");
  for (int error : {EACCES, EPERM, EROFS, EISDIR}) {
    EXPECT_EQ(InOutErrorMessage(error), "Access denied") << error;
  }
  EXPECT_EQ(InOutErrorMessage(ENOSPC), "Disk full");
  EXPECT_EQ(InOutErrorMessage(EDQUOT), "Disk full");
  EXPECT_EQ(InOutErrorMessage(EMFILE), "Too many open files");
  EXPECT_EQ(InOutErrorMessage(EIO), "I/O error 5");
  EXPECT_EQ(InOutErrorMessage(EFBIG), "I/O error " + std::to_string(EFBIG));
}

// ---- Whole files ---------------------------------------------------------------------

TEST_F(FileTest, ReadFileBytesReadsEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string big;
  for (int i = 0; i < 1000; ++i) big += all;  // larger than one read
  Put(PathOf("all"), big);
  EXPECT_EQ(ReadFileBytes(PathOf("all")), big);
  Put(PathOf("empty"), "");
  EXPECT_EQ(ReadFileBytes(PathOf("empty")), "");
  fs::create_directory(PathOf("folder"));
  ExpectHostError<EInOutError>([&] { ReadFileBytes(PathOf("missing")); }, "File not found");
  ExpectHostError<EInOutError>([&] { ReadFileBytes(PathOf("nofolder/x")); }, "Path not found");
  ExpectHostError<EInOutError>([&] { ReadFileBytes(PathOf("folder")); }, "Access denied");
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 0777;
}

TEST_F(FileTest, AtomicWriteCreatesAndReplacesLeavingNoTemporaryFile) {
  const std::string path = PathOf("CompDate.pas");
  const std::string first("first\r\n\x00\xff", 9);
  AtomicWriteFile(path, first);
  EXPECT_EQ(Get(path), first);
  AtomicWriteFile(path, "second, longer than the first\r\n");
  EXPECT_EQ(Get(path), "second, longer than the first\r\n");
  AtomicWriteFile(path, "");
  EXPECT_EQ(Get(path), "");
  EXPECT_EQ(Entries(), std::set<std::string>{"CompDate.pas"});
}

TEST_F(FileTest, AtomicWriteKeepsPermissionsOrFollowsTheUmask) {
  const mode_t saved = ::umask(022);
  AtomicWriteFile(PathOf("new022"), "x");
  ::umask(077);
  AtomicWriteFile(PathOf("new077"), "x");
  ::umask(saved);
  EXPECT_EQ(ModeOf(PathOf("new022")), 0644u);
  EXPECT_EQ(ModeOf(PathOf("new077")), 0600u);

  Put(PathOf("kept"), "old");
  ASSERT_EQ(::chmod(PathOf("kept").c_str(), 0640), 0);
  AtomicWriteFile(PathOf("kept"), "new");
  EXPECT_EQ(ModeOf(PathOf("kept")), 0640u);
  EXPECT_EQ(Get(PathOf("kept")), "new");
}

TEST_F(FileTest, AtomicWriteThroughASymbolicLinkReplacesItsTarget) {
  Put(PathOf("real"), "old");
  ASSERT_EQ(::symlink("real", PathOf("link").c_str()), 0);
  AtomicWriteFile(PathOf("link"), "new");
  EXPECT_TRUE(fs::is_symlink(PathOf("link")));
  EXPECT_EQ(Get(PathOf("real")), "new");
  EXPECT_EQ(Entries(), (std::set<std::string>{"link", "real"}));
}

TEST_F(FileTest, AtomicWriteFailureOverAFolderRemovesTheTemporaryFile) {
  fs::create_directory(PathOf("target"));
  Put(PathOf("target/inside"), "untouched");
  ExpectHostError<EInOutError>([&] { AtomicWriteFile(PathOf("target"), "bytes"); },
                               PathOf("target") + ": Is a directory");
  EXPECT_TRUE(fs::is_directory(PathOf("target")));
  EXPECT_EQ(Get(PathOf("target/inside")), "untouched");
  EXPECT_EQ(Entries(), std::set<std::string>{"target"});
}

TEST_F(FileTest, AtomicWriteIntoAMissingFolderFails) {
  ExpectHostError<EInOutError>([&] { AtomicWriteFile(PathOf("nofolder/file"), "bytes"); },
                               PathOf("nofolder/file") + ": No such file or directory");
  EXPECT_TRUE(Entries().empty());
}

// A write that fails half-way (here: the file size limit, which holds for root
// too) leaves the previous file byte for byte as it was.
TEST_F(FileTest, AtomicWriteFailingMidWayLeavesTheOldFileWhole) {
  const std::string path = PathOf("CompDate.pas");
  const std::string old = "unit CompDate;\r\n\r\n// Build: 12\r\n// Internal: 3\r\n";
  Put(path, old);

  rlimit savedLimit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &savedLimit), 0);
  rlimit small = savedLimit;
  small.rlim_cur = 16;
  auto savedSignal = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string message = "no error";
  try {
    AtomicWriteFile(path, std::string(4096, 'n'));
  } catch (const EInOutError& e) {
    message = e.Message();
  }
  ::setrlimit(RLIMIT_FSIZE, &savedLimit);
  std::signal(SIGXFSZ, savedSignal);

  EXPECT_EQ(message, path + ": File too large");
  EXPECT_EQ(Get(path), old);
  EXPECT_EQ(Entries(), std::set<std::string>{"CompDate.pas"});
}

}  // namespace
}  // namespace host
