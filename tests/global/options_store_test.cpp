// The add-in's options record and its registry store, driven through the
// package's own exported routines against a real registry file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "cli/package_routines.h"
#include "global/OptionsRecord.h"
#include "host/rtl/regfile.h"
#include "host/vcl/registry.h"
#include "tests/support/files.h"
#include "tests/support/host_error.h"

namespace {

namespace fs = std::filesystem;

using fleetforge_test::ExpectHostError;
using fleetforge_test::HostError;
using OptionsRecord = FleetforgeGlobal::TOptionsRecord;

constexpr const char* kKey = "HKEY_CURRENT_USER\\Software\\Borland\\Delphi\\7.0\\Fleetforge";

// The package loaded for its routines only, as the command line does.
class OptionsStore : public ::testing::Test {
 protected:
  void SetUp() override {
    host::RegistryLocation::UseFile(file_);
    ASSERT_NO_THROW(package_.emplace(FLEETFORGE_DEFAULT_PACKAGE));
    options_ = &package_->Options();
  }
  void TearDown() override {
    package_.reset();
    host::RegistryLocation::Reset();
  }
  void WriteFile(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }
  std::string FileBytes() { return fleetforge_test::ReadAll(file_); }
  const host::RegValue* Stored(const char* name) {
    static host::RegFile file;
    file = host::LoadRegFile(file_);
    return file.FindValue(kKey, name);
  }
  // Checks all six fields.
  void ExpectOptions(const OptionsRecord& expected) {
    EXPECT_EQ(options_->CloseDefault, expected.CloseDefault);
    EXPECT_EQ(options_->HideCaptions, expected.HideCaptions);
    EXPECT_EQ(options_->MaximizeEditor, expected.MaximizeEditor);
    EXPECT_EQ(options_->CreateCompDate, expected.CreateCompDate);
    EXPECT_EQ(options_->ChangeIcon, expected.ChangeIcon);
    EXPECT_EQ(options_->ObjectInspectorHeight, expected.ObjectInspectorHeight);
  }

  fleetforge_test::TempFolder dir_{"options"};
  const std::string file_ = dir_.Path("registry.reg");
  std::optional<fleetforge::PackageRoutines> package_;
  OptionsRecord* options_ = nullptr;
};

TEST_F(OptionsStore, ModuleStartsAllZero) {
  EXPECT_FALSE(options_->CloseDefault);
  EXPECT_FALSE(options_->CreateCompDate);
  EXPECT_EQ(options_->ObjectInspectorHeight, 0);
}

TEST_F(OptionsStore, FreshUserGetsTheDefaultsAndNothingIsCreated) {
  options_->ObjectInspectorHeight = 0;
  package_->Read();
  ExpectOptions({true, false, false, true, false, 0});
  EXPECT_FALSE(fs::exists(file_));
}

TEST_F(OptionsStore, WriteCreatesTheKeyWithAllSixAndReadGivesEachFieldBack) {
  *options_ = {false, true, false, true, true, 321};
  package_->Write();
  for (const char* name : {"CloseDefault", "HideCaptions", "MaximizeEditor", "CreateCompDate",
                           "ChangeIcon", "ObjectInspectorHeight"}) {
    SCOPED_TRACE(name);
    const host::RegValue* value = Stored(name);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, host::REG_DWORD);
  }
  EXPECT_EQ(*Stored("ObjectInspectorHeight"), host::RegValue::Dword(321));
  EXPECT_EQ(*Stored("CloseDefault"), host::RegValue::Dword(0));
  // Each field from its own value: flip them one by one in the file.
  *options_ = {true, false, true, false, false, 0};
  package_->Read();
  ExpectOptions({false, true, false, true, true, 321});
}

TEST_F(OptionsStore, AnyNonZeroSwitchReadsTrueAndIsWrittenBackAsOne) {
  WriteFile(std::string("REGEDIT4\r\n\r\n[") + kKey +
            "]\r\n\"CloseDefault\"=dword:00000002\r\n\"HideCaptions\"=dword:00000000\r\n"
            "\"MaximizeEditor\"=dword:ffffffff\r\n\"CreateCompDate\"=dword:00000000\r\n"
            "\"ChangeIcon\"=dword:00000000\r\n\"ObjectInspectorHeight\"=dword:fffffffb\r\n");
  package_->Read();
  EXPECT_TRUE(options_->CloseDefault);
  EXPECT_TRUE(options_->MaximizeEditor);
  EXPECT_FALSE(options_->CreateCompDate);
  EXPECT_EQ(options_->ObjectInspectorHeight, -5) << "no clamping";
  package_->Write();
  EXPECT_EQ(*Stored("CloseDefault"), host::RegValue::Dword(1));
  EXPECT_EQ(*Stored("MaximizeEditor"), host::RegValue::Dword(1));
  EXPECT_EQ(*Stored("ObjectInspectorHeight"), host::RegValue::Dword(0xfffffffbu));
}

TEST_F(OptionsStore, HeightsOutsideTheDialogsRangeReadBackUnchanged) {
  for (int32_t height : {-5, 5000, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(height);
    options_->ObjectInspectorHeight = height;
    package_->Write();
    options_->ObjectInspectorHeight = 0;
    package_->Read();
    EXPECT_EQ(options_->ObjectInspectorHeight, height);
  }
}

TEST_F(OptionsStore, MissingValueStopsTheReadWithTheHostsError) {
  WriteFile(std::string("REGEDIT4\r\n\r\n[") + kKey +
            "]\r\n\"CloseDefault\"=dword:00000000\r\n\"HideCaptions\"=dword:00000001\r\n");
  *options_ = {true, false, true, false, true, 77};
  ExpectHostError<host::ERegistryException>([&] { package_->Read(); },
                                            "Failed to get data for 'MaximizeEditor'");
  EXPECT_FALSE(options_->CloseDefault) << "read before the failure";
  EXPECT_TRUE(options_->HideCaptions) << "read before the failure";
  EXPECT_FALSE(options_->MaximizeEditor) << "the failing one keeps its default";
  EXPECT_TRUE(options_->CreateCompDate) << "later ones keep their defaults";
  EXPECT_FALSE(options_->ChangeIcon);
  EXPECT_EQ(options_->ObjectInspectorHeight, 77) << "the height keeps its previous value";
}

TEST_F(OptionsStore, SwitchStoredAsTextFailsLikeAMissingValue) {
  WriteFile(std::string("REGEDIT4\r\n\r\n[") + kKey + "]\r\n\"CloseDefault\"=\"1\"\r\n");
  ExpectHostError<host::ERegistryException>([&] { package_->Read(); },
                                            "Invalid data type for 'CloseDefault'");
  EXPECT_TRUE(options_->CloseDefault) << "the default stands";
}

TEST_F(OptionsStore, OtherKeysCommentsAndTypesStayByteForByte) {
  const std::string head =
      "REGEDIT4\r\n\r\n; the user's own notes\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n"
      "@=\"default \\\"quoted\\\"\"\r\n\"Bin\"=hex:01,02,ff\r\n\"Multi\"=hex(7):61,00,62,00,00\r\n"
      "\"Big\"=hex(b):01,00,00,00,00,00,00,00\r\n\r\n";
  const std::string tail = "\r\n[HKEY_CURRENT_USER\\Software\\Later]\r\n\"X\"=dword:0000000A\r\n";
  WriteFile(head + "[" + kKey + "]\r\n\"CloseDefault\"=dword:00000000\r\n" + tail);
  *options_ = {true, false, false, true, false, 150};
  package_->Write();
  const std::string after = FileBytes();
  EXPECT_EQ(after.substr(0, head.size()), head);
  EXPECT_EQ(after.substr(after.size() - tail.size()), tail);
  EXPECT_EQ(*Stored("CloseDefault"), host::RegValue::Dword(1));
  EXPECT_EQ(*Stored("ObjectInspectorHeight"), host::RegValue::Dword(150));
}

TEST_F(OptionsStore, UnparseableFileIsNamedWithItsLineAndNeverOverwritten) {
  const std::string broken =
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n\"A\"=dword:xyz\r\n";
  WriteFile(broken);
  const std::string message = HostError<host::ERegistryException>([&] { package_->Read(); });
  EXPECT_NE(message.find(file_), std::string::npos) << message;
  EXPECT_NE(message.find("line 4"), std::string::npos) << message;
  EXPECT_THROW(package_->Write(), host::ERegistryException);
  EXPECT_EQ(FileBytes(), broken);
}

}  // namespace
