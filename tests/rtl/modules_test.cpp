// The package loader's unit table (initialisations in order, errors reported and
// loading going on, finalisations of the started units in reverse), the run-time
// module list, the package information record and resources of the main module.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "host/rtl/modules.h"
#include "tests/vcl/host_fixture.h"

namespace {

using host_test::ExpectHostError;
using host_test::Reported;
using host_test::ReportedErrors;

std::vector<std::string>& Calls() {
  static std::vector<std::string> calls;
  return calls;
}

void Call(const char* what) {
  Calls().push_back(what);
}

// Each unit's sections record their call; some fail.
// clang-format off
const host::PackageUnitEntry kUnits[] = {
    {[] { Call("init Global"); }, [] { Call("fin Global"); }},
    {[] { Call("init MainForm");
          throw host::ERegistryException("Failed to get data for 'HideCaptions'"); },
     [] { Call("fin MainForm"); }},
    {nullptr, nullptr},               // a unit without sections
    {[] { Call("init Main"); },
     [] { Call("fin Main");
          throw host::EInvalidOperation("Cannot focus a disabled or invisible window"); }},
    {[] { Call("init CompDate"); throw std::runtime_error("not a host error"); },
     [] { Call("fin CompDate"); }},
    {[] { Call("init Icon"); throw 42; }, nullptr},
};
// clang-format on
const host::PackageInfoTable kTable = {6, kUnits};

class PackageUnits : public host_test::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    Calls().clear();
  }
  host::TLibModule module_{};
};

TEST_F(PackageUnits, EveryInitialisationRunsInOrderAndErrorsAreReported) {
  host::PackageLoad(&kTable, &module_);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"init Global", "init MainForm", "init Main",
                                               "init CompDate", "init Icon"}));
  const std::vector<Reported> expected = {
      {"ERegistryException", "Failed to get data for 'HideCaptions'"},
      {"Exception", "not a host error"},
      {"Exception", "Unknown exception"}};
  EXPECT_EQ(ReportedErrors(), expected);
  host::PackageUnload(&kTable, &module_);
}

TEST_F(PackageUnits, UnloadFinalisesTheStartedUnitsInReverseAndGoesOnAfterAnError) {
  host::PackageLoad(&kTable, &module_);
  Calls().clear();
  ReportedErrors().clear();
  host::PackageUnload(&kTable, &module_);
  EXPECT_EQ(Calls(),
            (std::vector<std::string>{"fin CompDate", "fin Main", "fin MainForm", "fin Global"}));
  EXPECT_EQ(ReportedErrors(),
            (std::vector<Reported>{
                {"EInvalidOperation", "Cannot focus a disabled or invisible window"}}));
  // Once unloaded, nothing is left to finalise.
  Calls().clear();
  host::PackageUnload(&kTable, &module_);
  EXPECT_TRUE(Calls().empty());
}

TEST_F(PackageUnits, UnloadWithoutLoadFinalisesNothing) {
  host::PackageUnload(&kTable, &module_);
  EXPECT_TRUE(Calls().empty());
  host::PackageLoad(nullptr, &module_);
  host::PackageUnload(nullptr, &module_);
  EXPECT_TRUE(ReportedErrors().empty());
}

TEST_F(PackageUnits, EachModuleKeepsItsOwnCount) {
  host::TLibModule other{};
  const host::PackageInfoTable first_two = {2, kUnits};
  host::PackageLoad(&first_two, &other);
  host::PackageLoad(&kTable, &module_);
  Calls().clear();
  host::PackageUnload(&first_two, &other);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"fin MainForm", "fin Global"}));
  Calls().clear();
  host::PackageUnload(&kTable, &module_);
  EXPECT_EQ(Calls().size(), 4u);
}

TEST(ModuleList, RegisteredModulesAreListedOnce) {
  host::TLibModule a{}, b{}, c{};
  const int before = host::RegisteredModuleCount();
  host::RegisterModule(&a);
  host::RegisterModule(&b);
  host::RegisterModule(&b);
  host::RegisterModule(&c);
  host::RegisterModule(nullptr);
  EXPECT_EQ(host::RegisteredModuleCount(), before + 3);
  host::UnregisterModule(&b);  // from the middle of the list
  EXPECT_FALSE(host::IsModuleRegistered(&b));
  EXPECT_TRUE(host::IsModuleRegistered(&a));
  EXPECT_TRUE(host::IsModuleRegistered(&c));
  EXPECT_EQ(host::RegisteredModuleCount(), before + 2);
  host::UnregisterModule(&b);  // not there any more: nothing happens
  host::UnregisterModule(&c);
  host::UnregisterModule(&a);
  EXPECT_EQ(host::RegisteredModuleCount(), before);
}

// ---- Package information --------------------------------------------------------

host::PackageInfo SampleInfo() {
  host::PackageInfo info;
  info.Flags = host::pfDesignOnly | host::pfPackageModule | host::pfDelphiProduced;
  info.Requires = {"rtl", "vcl", "designide"};
  info.Contains = {
      {host::ufMainUnit, "Fleetforge7"}, {0, "FleetforgeGlobal"}, {0, "FleetforgeMenu"}};
  info.PackageName = "Fleetforge7";
  return info;
}

void ExpectSameInfo(const host::PackageInfo& a, const host::PackageInfo& b) {
  EXPECT_EQ(a.Flags, b.Flags);
  EXPECT_EQ(a.Requires, b.Requires);
  ASSERT_EQ(a.Contains.size(), b.Contains.size());
  for (size_t i = 0; i < a.Contains.size(); ++i) {
    SCOPED_TRACE(a.Contains[i].Name);
    EXPECT_EQ(a.Contains[i].Flags, b.Contains[i].Flags);
    EXPECT_EQ(a.Contains[i].Name, b.Contains[i].Name);
  }
  EXPECT_EQ(a.PackageName, b.PackageName);
}

// Decoding the bytes fails with the package error.
void ExpectRejected(std::string_view bytes,
                    fleetforge_test::CallSite where = fleetforge_test::CallSite()) {
  ExpectHostError<host::EPackageError>([&] { host::DecodePackageInfo(bytes); },
                                       "Invalid package information", where);
}

TEST(PackageInfoRecord, RoundTrips) {
  const host::PackageInfo info = SampleInfo();
  const std::string bytes = host::EncodePackageInfo(info);
  ExpectSameInfo(host::DecodePackageInfo(bytes), info);
  host::PackageInfo empty;
  ExpectSameInfo(host::DecodePackageInfo(host::EncodePackageInfo(empty)), empty);
}

TEST(PackageInfoRecord, NamesCarryTheirHashByte) {
  EXPECT_EQ(host::PackageNameHash("Fleetforge7"), host::PackageNameHash("FLEETFORGE7"))
      << "the hash ignores letter case";
  EXPECT_NE(host::PackageNameHash("rtl"), host::PackageNameHash("vcl"));
  const std::string bytes = host::EncodePackageInfo(SampleInfo());
  // The first required name starts after the flags and the count: hash, name, NUL.
  EXPECT_EQ(static_cast<uint8_t>(bytes[8]), host::PackageNameHash("rtl"));
  EXPECT_EQ(bytes.substr(9, 4), std::string("rtl\0", 4));
}

TEST(PackageInfoRecord, WrongHashByteIsRejected) {
  std::string bytes = host::EncodePackageInfo(SampleInfo());
  bytes[8] = static_cast<char>(bytes[8] ^ 0x01);
  ExpectRejected(bytes);
  // The package name's hash too (it stands right before the last name).
  bytes = host::EncodePackageInfo(SampleInfo());
  const size_t last = bytes.size() - std::string("Fleetforge7").size() - 2;
  bytes[last] = static_cast<char>(bytes[last] + 1);
  ExpectRejected(bytes);
}

TEST(PackageInfoRecord, TruncatedOrPaddedDataIsRejected) {
  const std::string bytes = host::EncodePackageInfo(SampleInfo());
  for (size_t length = 0; length < bytes.size(); ++length) {
    SCOPED_TRACE(testing::Message() << "first " << length << " bytes");
    ExpectRejected(std::string_view(bytes).substr(0, length));
  }
  ExpectRejected(bytes + '\0');
}

TEST(PackageInfoRecord, HugeCountsAreRejectedBeforeReading) {
  std::string bytes = host::EncodePackageInfo(SampleInfo());
  bytes[4] = bytes[5] = bytes[6] = bytes[7] = static_cast<char>(0xFF);  // 4294967295 required
  ExpectRejected(bytes);
}

// ---- The main module's resources and icons -----------------------------------------

TEST(MainModule, ResourcesAndIconsAreFoundByNameIgnoringCase) {
  static const char kText[] = "hello";
  static const char kIcon[] = "\x00\x00\x01\x00";
  const host::HINSTANCE main = host::RegisterMainModule(
      "delphi32.exe",
      {{host::RT_RCDATA, "GREETING", kText, 5}, {host::RT_GROUP_ICON, "MAINICON", kIcon, 4}});
  EXPECT_EQ(host::MainInstance(), main);
  EXPECT_EQ(host::ModuleFileName(main), "delphi32.exe");
  const auto text = host::FindResourceData(main, host::RT_RCDATA, "greeting");
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, "hello");
  EXPECT_FALSE(host::FindResourceData(main, host::RT_GROUP_ICON, "GREETING").has_value())
      << "the type counts too";
  EXPECT_FALSE(host::FindResourceData(0xBAD, host::RT_RCDATA, "GREETING").has_value());

  const host::HICON icon = host::LoadIconA(main, "mainicon");
  ASSERT_NE(icon, 0u);
  EXPECT_EQ(host::LoadIconA(main, "MAINICON"), icon) << "the same shared handle";
  ASSERT_NE(host::IconDetails(icon), nullptr);
  EXPECT_EQ(host::IconDetails(icon)->Module, main);
  EXPECT_EQ(host::LoadIconA(main, "NOSUCHICON"), 0u);
  EXPECT_EQ(host::LoadIconA(main, nullptr), 0u);
  EXPECT_EQ(host::IconDetails(0xFFFF), nullptr);
}

TEST(Libraries, NonModuleFilesAreRejected) {
  try {
    host::LoadLibrary("/nonexistent/Fleetforge7.bpl");
    ADD_FAILURE() << "no error";
  } catch (const host::EPackageError& e) {
    EXPECT_EQ(e.Message().rfind("Can't load package /nonexistent/Fleetforge7.bpl.\n", 0), 0u)
        << e.Message();
  }
  EXPECT_FALSE(host::FreeLibrary(0xBAD));
  EXPECT_EQ(host::GetProcAddress(0xBAD, "Initialize"), nullptr);
  EXPECT_TRUE(host::ExportedNames(0xBAD).empty());
}

}  // namespace
