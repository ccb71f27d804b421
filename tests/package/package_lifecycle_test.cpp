// The package's life in the reference IDE: the mode decision, the restart
// notice, registration through the services, the unit table and its guards,
// unloading that really unloads, and the loader's error paths.
#ifndef _WIN32
#include <elf.h>
#endif
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

#include "host/rtl/modules.h"
#include "host/rtl/units.h"
#include "host/rtl/version.h"
#include "ide/addin.h"
#include "tests/support/ide_session.h"
#include "tests/support/modules.h"

namespace {

using fleetforge_test::MakeSession;
using fleetforge_test::SessionSetup;

constexpr const char* kNotice = "Please restart Delphi to activate Fleetforge!";

template <class F>
F Export(const ide::Ide& ide, const char* name) {
  return reinterpret_cast<F>(const_cast<void*>(host::GetProcAddress(ide.Package(), name)));
}

class PackageLifecycle : public fleetforge_test::SessionTest {
 protected:
  // Starts the reference IDE, the package loaded at start-up unless said otherwise.
  ide::Ide& Start(const SessionSetup& setup = {}) {
    session_ = MakeSession(setup);
    session_->StartUp();
    return session_->GetIde();
  }
  // Where the package keeps its layout manager (none in the dormant mode).
  host::TObject* const* LayoutManager() {
    return static_cast<host::TObject* const*>(
        session_->GetIde().PackageVariable("FleetforgeMain.FleetforgeMainObject"));
  }
};

TEST_F(PackageLifecycle, LoadedAtStartUpIsActiveWithoutMessage) {
  ide::Ide& ide = Start();
  EXPECT_EQ(ide::AddInView(ide).CurrentMode(), ide::Mode::Active);
  EXPECT_TRUE(host::Application->MessagesShown().empty());
  EXPECT_TRUE(ide.Errors().empty());
  EXPECT_EQ(ide.Services().Notifiers().size(), 1u);
  EXPECT_EQ(ide.Services().Wizards().size(), 1u);
  host::TMenuItem* tools = ide.ToolsMenu();
  ASSERT_NE(tools, nullptr);
  EXPECT_EQ(tools->Items(0)->Caption(), "&Fleetforge Options...");
  EXPECT_EQ(tools->Items(0)->Name(), "FleetforgeOptions");
  auto* layout = LayoutManager();
  ASSERT_NE(layout, nullptr);
  EXPECT_NE(*layout, nullptr) << "the active mode has a layout manager";
}

TEST_F(PackageLifecycle, InstalledIntoRunningIdeIsDormantAndAsksForRestartOnce) {
  ide::Ide& ide = Start({.LoadAtStartUp = false});
  ASSERT_EQ(ide::AddInView(ide).CurrentMode(), ide::Mode::Unloaded);
  const host::TNotifyEvent activate_before = host::Application->OnActivate();
  session_->QueueInput("key enter");  // the notice is a modal box
  session_->Do("install");
  EXPECT_EQ(ide::AddInView(ide).CurrentMode(), ide::Mode::Dormant);
  ASSERT_EQ(host::Application->MessagesShown().size(), 1u);
  EXPECT_EQ(host::Application->MessagesShown()[0].Text, kNotice);
  EXPECT_EQ(host::Application->MessagesShown()[0].Caption, "Fleetforge");
  EXPECT_EQ(host::Application->MessagesShown()[0].Flags, 0);
  EXPECT_TRUE(ide.Errors().empty());
  // Registered all the same, and nothing of the IDE's own is taken over.
  EXPECT_EQ(ide.Services().Notifiers().size(), 1u);
  EXPECT_EQ(ide.Services().Wizards().size(), 1u);
  EXPECT_EQ(ide.ToolsMenu()->Items(0)->Name(), "FleetforgeOptions");
  EXPECT_TRUE(host::Application->OnActivate() == activate_before);
  EXPECT_EQ(ide::AddInView(ide).IconHolder(), "ide");
  auto* layout = LayoutManager();
  EXPECT_EQ(*layout, nullptr);
  // Time passing brings no second notice.
  session_->Do("wait 5000");
  EXPECT_EQ(host::Application->MessagesShown().size(), 1u);
}

TEST_F(PackageLifecycle, NoticeWithoutAnAnswerFailsLoudlyInsteadOfHanging) {
  ide::Ide& ide = Start({.LoadAtStartUp = false});
  session_->Do("install");  // no input queued
  ASSERT_FALSE(ide.Errors().empty());
  EXPECT_EQ(ide.Errors()[0].ClassName, "EInvalidOperation");
}

// Another add-in's wizard, registered before the package.
class OtherWizard : public host::TNotifierObject<host::IOTAWizard> {
 public:
  host::AnsiString GetIDString() override { return "other.Wizard"; }
  host::AnsiString GetName() override { return "Other"; }
  host::TWizardState GetState() override { return host::wsEnabled; }
  void Execute() override {}
};

TEST_F(PackageLifecycle, UnloadAfterAFailedMenuRegisterLeavesAnotherAddInsWizard) {
  ide::Ide& ide = Start({.LoadAtStartUp = false});
  auto* other = new OtherWizard;
  const int32_t other_index = ide.Services().AddWizard(other);
  ASSERT_EQ(other_index, 0) << "the index an unset WizardIndex holds";
  // A component of the main menu with the entry's name that is not a menu item:
  // the wizard's constructor fails, and with it the package's Register.
  auto* squatter = new host::TComponent(ide.MainMenu());
  squatter->SetName("FleetforgeOptions");
  session_->QueueInput("key enter");  // the restart notice
  session_->Do("install");
  ASSERT_EQ(ide.Errors().size(), 1u);
  EXPECT_EQ(ide.Errors()[0].ClassName, "EInvalidCast");
  ASSERT_EQ(ide.Services().Wizards().size(), 1u) << "only the other add-in's";
  session_->Do("unload");
  EXPECT_EQ(ide::AddInView(ide).CurrentMode(), ide::Mode::Unloaded);
  ASSERT_EQ(ide.Services().Wizards().size(), 1u) << "the other add-in's wizard was removed";
  EXPECT_EQ(ide.Services().Wizards().at(other_index).get(), other);
  EXPECT_TRUE(ide.Services().Notifiers().empty()) << "the compile notifier still goes";
  EXPECT_EQ(ide.Errors().size(), 1u);
}

TEST_F(PackageLifecycle, UnloadRemovesNotifierAndWizardAndReleasesThem) {
  const int32_t live_before = host::TInterfacedObject::LiveObjects();
  ide::Ide& ide = Start();
  const int32_t live_loaded = host::TInterfacedObject::LiveObjects();
  EXPECT_GE(live_loaded, live_before + 2);
  const std::string file = ide.PackageFile();
  session_->Do("unload");
  EXPECT_EQ(ide::AddInView(ide).CurrentMode(), ide::Mode::Unloaded);
  EXPECT_TRUE(ide.Services().Notifiers().empty());
  EXPECT_TRUE(ide.Services().Wizards().empty());
  EXPECT_EQ(host::TInterfacedObject::LiveObjects(), live_loaded - 2);
  EXPECT_TRUE(ide.Errors().empty());
  for (int32_t i = 0; i < ide.ToolsMenu()->Count(); ++i)
    EXPECT_NE(ide.ToolsMenu()->Items(i)->Name(), "FleetforgeOptions");
  // The module is really gone from the process.
  EXPECT_FALSE(fleetforge_test::ModuleIsLoaded(file));
  // Ticks and palette resizes after the module is closed reach nothing of it.
  session_->Do("wait 3000");
  session_->Do("size AppBuilder 700 100");
  EXPECT_TRUE(ide.Errors().empty());
}

TEST_F(PackageLifecycle, LoadUnloadAndLoadAgainInOneProcess) {
  ide::Ide& ide = Start();
  session_->Do("unload");
  const size_t windows = host::Screen->FormCount();  // the IDE's own, once the add-in's bar is gone
  for (int cycle = 0; cycle < 1000; ++cycle) {
    session_->Do("unload");
    session_->QueueInput("key enter");
    session_->Do("install");
    ASSERT_EQ(ide::AddInView(ide).CurrentMode(), ide::Mode::Dormant) << "cycle " << cycle;
  }
  EXPECT_EQ(host::Application->MessagesShown().size(), 1000u);
  EXPECT_EQ(static_cast<size_t>(host::Screen->FormCount()), windows);
  session_->Do("unload");
  fleetforge_test::StoreOptions({.CloseDefault = true,
                                 .HideCaptions = true,
                                 .MaximizeEditor = true,
                                 .CreateCompDate = true,
                                 .ChangeIcon = true,
                                 .ObjectInspectorHeight = 300});
  session_->QueueInput("key enter");
  session_->Do("install");
  EXPECT_EQ(ide::AddInView(ide).CurrentMode(), ide::Mode::Dormant)
      << "installed into a running IDE, whatever the options";
  EXPECT_EQ(ide.Services().Notifiers().size(), 1u);
  EXPECT_EQ(host::RegisteredModuleCount(), 1);
  EXPECT_TRUE(ide.Errors().empty());
}

TEST_F(PackageLifecycle, UnitTableHoldsTheHostUnitsThenTheSevenUnitsInOrder) {
  const ide::Ide& ide = Start();
  auto get_table = Export<const host::PackageInfoTable* (*)()>(ide, "@GetPackageInfoTable");
  ASSERT_NE(get_table, nullptr);
  EXPECT_EQ(get_table,
            Export<const host::PackageInfoTable* (*)()>(ide, "Fleetforge7.GetPackageInfoTable()"));
  const host::PackageInfoTable* table = get_table();
  ASSERT_EQ(table->UnitCount, 91);
  const char* units[] = {"FleetforgeGlobal",   "FleetforgeDelphiMainForm", "FleetforgeMain",
                         "FleetforgeCompDate", "FleetforgeIconChanger",    "FleetforgeOptions",
                         "FleetforgeMenu"};
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(units[i]);
    EXPECT_EQ(reinterpret_cast<const void*>(table->UnitInfo[84 + i].Init),
              host::GetProcAddress(ide.Package(), std::string(units[i]) + ".Initialization()"));
    EXPECT_EQ(reinterpret_cast<const void*>(table->UnitInfo[84 + i].FInit),
              host::GetProcAddress(ide.Package(), std::string(units[i]) + ".Finalization()"));
  }
  for (int i = 0; i < 84; ++i) {
    EXPECT_NE(table->UnitInfo[i].Init, nullptr);
    EXPECT_NE(table->UnitInfo[i].FInit, nullptr);
  }
  // Host units with sections of their own were run from the table too: the
  // host's start-up and the package each hold one count.
  EXPECT_EQ(host::HostUnitCounter("SysUtils"), -2);
  const int32_t runs = host::HostUnitWorkRuns("SysUtils");
  session_->Do("unload");
  EXPECT_EQ(host::HostUnitCounter("SysUtils"), -1);
  EXPECT_EQ(host::HostUnitWorkRuns("SysUtils"), runs)
      << "the package's sections did no work of the unit's";
}

TEST_F(PackageLifecycle, SecondInitialisationDoesNothingAndOnlyTheLastFinalisationWorks) {
  ide::Ide& ide = Start();
  auto* layout = LayoutManager();
  host::TObject* first = *layout;
  ASSERT_NE(first, nullptr);
  auto init = Export<void (*)()>(ide, "FleetforgeMain.Initialization()");
  auto finit = Export<void (*)()>(ide, "FleetforgeMain.Finalization()");
  init();
  EXPECT_EQ(*layout, first) << "a second initialisation creates nothing";
  finit();
  EXPECT_EQ(*layout, first) << "the matching finalisation of the second run does nothing";
  const size_t timers = host::MessageLoop::Instance().ActiveTimers();
  session_->Do("unload");
  EXPECT_LT(host::MessageLoop::Instance().ActiveTimers(), timers)
      << "the last finalisation frees it";
  EXPECT_TRUE(ide.Errors().empty());
}

TEST_F(PackageLifecycle, ThreadAttachAndDetachChangeNothing) {
  const ide::Ide& ide = Start();
  auto entry = Export<host::BOOL (*)(host::HINSTANCE, uint32_t, void*)>(
      ide, "Fleetforge7.EntryPoint(HINSTANCE,Cardinal,Pointer)");
  ASSERT_NE(entry, nullptr);
  const int modules = host::RegisteredModuleCount();
  EXPECT_EQ(entry(ide.Package(), host::DLL_THREAD_ATTACH, nullptr), host::TRUE);
  EXPECT_EQ(entry(ide.Package(), host::DLL_THREAD_DETACH, nullptr), host::TRUE);
  EXPECT_EQ(host::RegisteredModuleCount(), modules);
  EXPECT_EQ(ide::AddInView(ide).CurrentMode(), ide::Mode::Active);
}

// ---- What the module carries ------------------------------------------------------

class LoadedPackage : public PackageLifecycle {
 protected:
  void SetUp() override {
    PackageLifecycle::SetUp();
    package_ = Start().Package();
  }
  std::optional<std::string_view> Resource(const char* type, const char* name) const {
    return host::FindResourceData(package_, type, name);
  }
  host::HMODULE package_ = 0;
};

TEST_F(LoadedPackage, ExportsEightyNamesOnceEachButNotTheUnloadRestore) {
  const std::vector<std::string> names = host::ExportedNames(package_);
  EXPECT_EQ(names.size(), 80u);
  for (const std::string& name : names)
    EXPECT_NE(host::GetProcAddress(package_, name), nullptr) << name;
  for (const char* name :
       {"Initialize", "Finalize", "@GetPackageInfoTable", "Fleetforge7.PackageLoad()",
        "Fleetforge7.PackageUnload()", "FleetforgeCompDate.Register()", "FleetforgeMenu.Register()",
        "FleetforgeGlobal.FindMenuItem(TMenuItem,AnsiString)",
        "FleetforgeGlobal.CompleteMenuName(TMenuItem,AnsiString)",
        "FleetforgeGlobal.ExecuteMenuItem(AnsiString)", "FleetforgeMain.RestoreFormsBruteForce()",
        "FleetforgeIconChanger.ChangeIcon()", "FleetforgeGlobal.Options",
        "FleetforgeGlobal.ProjOptDialog", "FleetforgeOptions.fmOptions"}) {
    SCOPED_TRACE(name);
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end());
    EXPECT_NE(host::GetProcAddress(package_, name), nullptr);
  }
  EXPECT_EQ(host::GetProcAddress(package_, "FleetforgeMain.RestoreFormsOnUnload()"), nullptr)
      << "the unload restore is not exported";
  std::vector<std::string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "no name twice";
}

TEST_F(LoadedPackage, DescriptionIsTheTitleInWideCharacters) {
  const auto description = Resource(host::RT_RCDATA, "DESCRIPTION");
  ASSERT_TRUE(description);
  std::string expected;
  for (char c : std::string("Fleetforge7 v0.0.1 build 18 (2004/9/29)"))
    expected += std::string{c, '\0'};
  expected += std::string(2, '\0');
  EXPECT_EQ(std::string(*description), expected);
}

TEST_F(LoadedPackage, PackageInfoNamesTheRequiredPackagesAndTheNineContainedUnits) {
  const auto info_bytes = Resource(host::RT_RCDATA, "PACKAGEINFO");
  ASSERT_TRUE(info_bytes);
  const host::PackageInfo info = host::DecodePackageInfo(*info_bytes);
  EXPECT_EQ(info.Flags, 0x4C000003u);
  EXPECT_EQ(info.Requires, (std::vector<std::string>{"designide70.bpl", "vcl70.bpl"}));
  const char* contains[] = {
      "Fleetforge7",           "FleetforgeMenu",    "FleetforgeDelphiMainForm",
      "FleetforgeMain",        "FleetforgeGlobal",  "SysInit",
      "FleetforgeIconChanger", "FleetforgeOptions", "FleetforgeCompDate"};
  ASSERT_EQ(info.Contains.size(), 9u);
  for (size_t i = 0; i < 9; ++i) {
    EXPECT_EQ(info.Contains[i].Name, contains[i]);
    EXPECT_EQ(info.Contains[i].Flags, i == 0 ? 3 : 0);
  }
  EXPECT_EQ(info.PackageName, "Fleetforge7");
}

TEST_F(LoadedPackage, VersionInfoIsVersion0_0_1Build18WithItsProductStrings) {
  const auto version_bytes = Resource(host::RT_VERSION, "#1");
  ASSERT_TRUE(version_bytes);
  const host::VersionInfo version = host::DecodeVersionInfo(*version_bytes);
  EXPECT_EQ(std::vector<uint16_t>(version.FileVersion, version.FileVersion + 4),
            (std::vector<uint16_t>{0, 0, 1, 18}));
  EXPECT_EQ(std::vector<uint16_t>(version.ProductVersion, version.ProductVersion + 4),
            (std::vector<uint16_t>{0, 0, 1, 18}));
  EXPECT_EQ(version.FileType, 1u);
  EXPECT_EQ(version.FileOS, 4u);
  EXPECT_EQ(version.FileFlags, 0u);
  EXPECT_EQ(version.Language, 0x0409);
  EXPECT_EQ(version.CodePage, 1252);
  const auto value = [&](const std::string& key) {
    for (const auto& [k, v] : version.Strings)
      if (k == key) return v;
    return std::string("(absent)");
  };
  EXPECT_EQ(value("FileVersion"), "0.0.1.18");
  EXPECT_EQ(value("ProductVersion"), "0.0.1.0");
  EXPECT_EQ(value("FileDescription"), "Fleetforge for Delphi 7");
  EXPECT_EQ(value("InternalName"), "Fleetforge");
  EXPECT_EQ(value("ProductName"), "Fleetforge");
  EXPECT_EQ(value("OriginalFilename"), "Fleetforge7.bpl");
  EXPECT_EQ(value("LegalTrademarks"), "");
}

TEST_F(LoadedPackage, PackageOptionsCarryTheUnitAliases) {
  const auto options = Resource(host::RT_RCDATA, "PACKAGEOPTIONS");
  ASSERT_TRUE(options);
  EXPECT_NE(
      options->find("WinTypes=Windows;WinProcs=Windows;DbiTypes=BDE;DbiProcs=BDE;DbiErrs=BDE;"),
      std::string_view::npos);
}

#ifndef _WIN32
// (On Windows the DLL's export directory is what others see; objdump checks it.)
// The symbols a 64-bit ELF shared object defines for others: its dynamic symbol
// table without the undefined ones (its imports).
std::vector<std::string> DefinedDynamicSymbols(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string image{std::istreambuf_iterator<char>(in), {}};
  if (image.size() < sizeof(Elf64_Ehdr) || image.compare(0, SELFMAG, ELFMAG) != 0 ||
      image[EI_CLASS] != ELFCLASS64)
    return {"(not a 64-bit ELF file)"};
  const auto* header = reinterpret_cast<const Elf64_Ehdr*>(image.data());
  const auto* sections = reinterpret_cast<const Elf64_Shdr*>(image.data() + header->e_shoff);
  std::vector<std::string> names;
  for (int i = 0; i < header->e_shnum; ++i) {
    if (sections[i].sh_type != SHT_DYNSYM) continue;
    const char* strings = image.data() + sections[sections[i].sh_link].sh_offset;
    const auto* symbols = reinterpret_cast<const Elf64_Sym*>(image.data() + sections[i].sh_offset);
    for (size_t k = 1; k < sections[i].sh_size / sizeof(Elf64_Sym); ++k)
      if (symbols[k].st_shndx != SHN_UNDEF) names.push_back(strings + symbols[k].st_name);
  }
  return names;
}

TEST(PackageModule, ItsOnlyDynamicSymbolIsTheExportDirectory) {
  // Type information, virtual tables and template code stay inside the module;
  // the loader reaches everything else through HostModuleImage.
  EXPECT_EQ(DefinedDynamicSymbols(FLEETFORGE_DEFAULT_PACKAGE),
            std::vector<std::string>{"HostModuleImage"});
}
#endif

TEST_F(PackageLifecycle, ErrorLeavingAnInitialisationIsReportedAndThePackageStaysLoaded) {
  {
    host::TRegistry registry;
    registry.OpenKey("\\Software\\Borland\\Delphi\\7.0\\Fleetforge", true);
    registry.WriteBool("CloseDefault", false);
    registry.WriteBool("HideCaptions", true);
  }
  ide::Ide& ide = Start();
  ASSERT_EQ(ide.Errors().size(), 1u);
  EXPECT_EQ(ide.Errors()[0].ClassName, "ERegistryException");
  EXPECT_EQ(ide.Errors()[0].Message, "Failed to get data for 'MaximizeEditor'");
  EXPECT_EQ(ide::AddInView(ide).CurrentMode(), ide::Mode::Active);
  const nlohmann::json options = session_->State()["options"];
  EXPECT_EQ(options["CloseDefault"], false);
  EXPECT_EQ(options["HideCaptions"], true);
  EXPECT_EQ(options["MaximizeEditor"], false);
  EXPECT_EQ(options["CreateCompDate"], true);
  EXPECT_EQ(options["ObjectInspectorHeight"], 0);
  EXPECT_EQ(ide.Services().Notifiers().size(), 1u) << "the later units and registration still ran";
}

TEST(PackageLoader, ModuleWithoutImageIsRefused) {
  const std::string file = std::string(FLEETFORGE_FIXTURE_DIR) + "/fixture_not_a_package.bpl";
  try {
    host::LoadLibrary(file);
    FAIL() << "loaded a module that is no package";
  } catch (const host::EPackageError& e) {
    EXPECT_NE(e.Message().find("not a package module"), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(fleetforge_test::ModuleIsLoaded(file)) << "closed again";
}

TEST(PackageLoader, IdeReportsPackageWithoutInitialize) {
  host::RegistryLocation::UseMemory();
  ide::SessionOptions options;
  options.Ide.PackageFile = std::string(FLEETFORGE_FIXTURE_DIR) + "/fixture_no_initialize.bpl";
  options.Ide.ProjectsFolder = fleetforge_test::ScratchFolder("noinit");
  ide::Session session(options);
  session.StartUp();
  ASSERT_EQ(session.GetIde().Errors().size(), 1u);
  EXPECT_EQ(session.GetIde().Errors()[0].ClassName, "EPackageError");
  EXPECT_NE(session.GetIde().Errors()[0].Message.find("Initialize"), std::string::npos);
  EXPECT_EQ(ide::AddInView(session.GetIde()).CurrentMode(), ide::Mode::Unloaded);
  host::RegistryLocation::Reset();
}

TEST(PackageLoader, FailingUnitIsReportedLaterUnitsRunAndFinalisationIsReversed) {
  std::vector<std::string> reported;
  static std::vector<std::string>* sink_target = nullptr;
  sink_target = &reported;
  host::SetExceptionSink([](const host::Exception& e) {
    sink_target->push_back(std::string(e.ClassName()) + ": " + e.Message());
  });
  const host::HMODULE module =
      host::LoadLibrary(std::string(FLEETFORGE_FIXTURE_DIR) + "/fixture_failing_unit.bpl");
  struct Trace {
    int order[8];
    int count;
  };
  auto* trace = static_cast<const Trace*>(host::GetProcAddress(module, "Trace"));
  reinterpret_cast<void (*)()>(const_cast<void*>(host::GetProcAddress(module, "Initialize")))();
  reinterpret_cast<void (*)()>(const_cast<void*>(host::GetProcAddress(module, "Finalize")))();
  const std::vector<int> order(trace->order, trace->order + trace->count);
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3, -3, -2, -1}));
  EXPECT_EQ(reported,
            (std::vector<std::string>{"EConvertError: 'x' is not a valid integer value"}));
  host::FreeLibrary(module);
  host::SetExceptionSink(nullptr);
}

}  // namespace
