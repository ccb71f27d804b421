// The compile notifier inside the reference IDE: the package is loaded, a project
// is opened and compiled, and the test looks at CompDate.pas and at the errors
// the IDE reported, as a user would.
#include <memory>

#include "compdate/CompDateFile.h"
#include "compdate_support.h"
#include "global/OptionsRecord.h"
#include "host/toolsapi/toolsapi.h"
#include "host/vcl/menus.h"
#include "host/vcl/registry.h"
#include "ide/addin.h"
#include "tests/support/ide_session.h"

namespace {

using compdate_test::ExampleMoment;
using compdate_test::ExampleText;
using compdate_test::Exists;
using compdate_test::FolderEntries;
using compdate_test::Lines;
using compdate_test::ReadAll;
using compdate_test::WriteAll;
using FleetforgeCompDate::CompDateText;
using FleetforgeCompDate::ReadCompDate;

class CompDateIdeTest : public compdate_test::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    host::RegistryLocation::UseMemory();
  }
  void TearDown() override {
    ide_.reset();
    host::RegistryLocation::Reset();
    ScratchTest::TearDown();
  }

  void StartIde(bool withPackage = true) {
    ide::IdeOptions options;
    options.PackageFile = withPackage ? FLEETFORGE_DEFAULT_PACKAGE : "";
    options.ProjectsFolder = Path("Projects");
    ide_ = std::make_unique<ide::Ide>(options);
    ide_->StartUp();
    ASSERT_TRUE(Errors().empty()) << Errors().front().first << ": " << Errors().front().second;
  }

  // Makes the project file and opens it.
  void Open(const std::string& project) {
    WriteAll(project, "program P;\r\nbegin\r\nend.\r\n");
    ASSERT_TRUE(ide_->OpenProject(project));
  }

  void CompileAt(host::TDateTime moment, bool codeInsight = false) {
    host::PinClock(moment);
    ide_->Compile(codeInsight);
  }

  std::vector<std::pair<std::string, std::string>> Errors() const {
    std::vector<std::pair<std::string, std::string>> errors;
    for (const ide::ReportedError& error : ide_->Errors())
      errors.emplace_back(error.ClassName, error.Message);
    return errors;
  }

  // The one notifier the package registered.
  host::IRef<host::IOTAIDENotifier50> Notifier() const {
    host::IRef<host::IOTAIDENotifier50> notifier;
    EXPECT_EQ(1u, ide_->Services().Notifiers().size());
    if (!ide_->Services().Notifiers().empty()) {
      EXPECT_TRUE(host::Supports(ide_->Services().Notifiers().begin()->second.get(), notifier));
    }
    return notifier;
  }

  std::string Unit() const { return Path("CompDate.pas"); }

  std::unique_ptr<ide::Ide> ide_;
};

TEST_F(CompDateIdeTest, CompilesCountAndRenewTheUnit) {
  StartIde();
  Open(Path("Project.dpr"));
  CompileAt(ExampleMoment());
  EXPECT_EQ(CompDateText(1, 0, ExampleMoment()), ReadAll(Unit()));

  WriteAll(Unit(), ExampleText());
  const host::TDateTime later = ExampleMoment() + 1.5;
  CompileAt(later);
  EXPECT_EQ(CompDateText(13, 3, later), ReadAll(Unit()));
  const host::TDateTime latest = later + 0.25;
  CompileAt(latest, true);
  EXPECT_EQ(CompDateText(13, 4, latest), ReadAll(Unit()));
  EXPECT_TRUE(Errors().empty());
}

// Project > Compile and Syntax Check are compiles of the open project; with
// none open they do nothing.
TEST_F(CompDateIdeTest, TheProjectMenuCompilesTheOpenProject) {
  StartIde();
  const auto choose = [&](const char* name) {
    auto* item = dynamic_cast<host::TMenuItem*>(ide_->MainForm()->FindComponent(name));
    ASSERT_NE(nullptr, item) << name;
    item->Click();
  };
  ide_->CloseAll();
  choose("ProjectCompileItem");
  EXPECT_FALSE(Exists(Unit()));
  Open(Path("Project.dpr"));
  host::PinClock(ExampleMoment());
  choose("ProjectCompileItem");
  choose("ProjectSyntaxCheckItem");
  EXPECT_EQ(CompDateText(2, 0, ExampleMoment()), ReadAll(Unit()));
}

TEST_F(CompDateIdeTest, AFirstCodeInsightCompileCountsOnlyItself) {
  StartIde();
  Open(Path("Project.dpr"));
  CompileAt(ExampleMoment(), true);
  EXPECT_EQ(CompDateText(0, 1, ExampleMoment()), ReadAll(Unit()));
}

TEST_F(CompDateIdeTest, OtherProjectsGetNoUnit) {
  StartIde();
  WriteAll(Unit(), ExampleText());
  for (const char* name : {"Project.DPR", "Package.dpk", "Project.bpr", "Project.dpr.bak"}) {
    SCOPED_TRACE(name);
    Open(Path(name));
    CompileAt(ExampleMoment() + 1);
    CompileAt(ExampleMoment() + 2, true);
  }
  EXPECT_EQ(ExampleText(), ReadAll(Unit()));
  EXPECT_TRUE(Errors().empty());
}

TEST_F(CompDateIdeTest, WithTheSettingOffNothingIsTouched) {
  // The add-in's settings as its options dialog would store them, CreateCompDate off.
  ASSERT_TRUE(fleetforge_test::StoreOptions({.CloseDefault = true, .ObjectInspectorHeight = 300}));
  StartIde();
  WriteAll(Unit(), ExampleText());
  Open(Path("Project.dpr"));
  CompileAt(ExampleMoment() + 1);
  CompileAt(ExampleMoment() + 1, true);
  Open(Path("Other.dpr"));
  CompileAt(ExampleMoment() + 1);
  EXPECT_EQ(ExampleText(), ReadAll(Unit()));
  ASSERT_EQ(0, std::remove(Unit().c_str()));
  CompileAt(ExampleMoment() + 1);
  EXPECT_EQ((std::vector<std::string>{"Other.dpr", "Project.dpr", "Projects"}),
            FolderEntries(folder_));

  // The setting is read at each compile: switched on (as the options dialog
  // does, in the add-in's exported record), the next compile counts.
  const void* options = ide::AddInView(*ide_).OptionsRecord();
  ASSERT_NE(nullptr, options);
  auto* record = static_cast<FleetforgeGlobal::TOptionsRecord*>(const_cast<void*>(options));
  ASSERT_FALSE(record->CreateCompDate);
  record->CreateCompDate = true;
  CompileAt(ExampleMoment());
  EXPECT_EQ(CompDateText(1, 0, ExampleMoment()), ReadAll(Unit()));
}

TEST_F(CompDateIdeTest, ProjectsOfOneFolderCountTogether) {
  StartIde();
  Open(Path("One.dpr"));
  CompileAt(ExampleMoment());
  Open(Path("Two.dpr"));
  CompileAt(ExampleMoment());
  CompileAt(ExampleMoment(), true);
  Open(Path("One.dpr"));
  CompileAt(ExampleMoment());
  EXPECT_EQ(std::make_pair(3, 1), ReadCompDate(Unit()));
}

TEST_F(CompDateIdeTest, AProjectNameWithoutAFolderMeansTheCurrentFolder) {
  StartIde();
  ASSERT_TRUE(std::filesystem::create_directory(Path("work")));
  ASSERT_EQ(0, ::chdir(Path("work").c_str()));
  Open("Plain.dpr");
  CompileAt(ExampleMoment());
  EXPECT_EQ(CompDateText(1, 0, ExampleMoment()), ReadAll(Path("work/CompDate.pas")));
}

TEST_F(CompDateIdeTest, AMalformedUnitIsReportedOnEveryCompileAndKept) {
  StartIde();
  Open(Path("Project.dpr"));
  const struct {
    const char* name;
    std::string text;
    const char* message;
  } cases[] = {
      {"empty", "", "'' is not a valid integer value"},
      {"one line", "unit CompDate;\r\n", "'' is not a valid integer value"},
      {"two lines", "unit CompDate;\r\n\r\n", "'' is not a valid integer value"},
      {"three lines", "unit CompDate;\r\n\r\n// Build: 12\r\n", "'' is not a valid integer value"},
      {"header edited", "unit CompDate;\r\n\r\n// Build: twelve\r\n// Internal: 3\r\n",
       "'twelve' is not a valid integer value"},
  };
  size_t reported = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll(Unit(), c.text);
    for (bool codeInsight : {false, true, false}) {
      CompileAt(ExampleMoment(), codeInsight);
      ASSERT_EQ(++reported, Errors().size());
      EXPECT_EQ(std::make_pair(std::string("EConvertError"), std::string(c.message)),
                Errors().back());
      EXPECT_EQ(c.text, ReadAll(Unit()));
    }
  }
  // Repaired, the next compile goes on from the file.
  WriteAll(Unit(), ExampleText());
  CompileAt(ExampleMoment());
  EXPECT_EQ(std::make_pair(13, 3), ReadCompDate(Unit()));
  EXPECT_EQ(reported, Errors().size());
}

TEST_F(CompDateIdeTest, AUnitThatCannotBeWrittenIsReported) {
  StartIde();
  WriteAll(Path("plain"), "a file");
  Open(Path("Project.dpr"));
  ASSERT_TRUE(std::filesystem::create_directory(Unit()));
  CompileAt(ExampleMoment());
  EXPECT_EQ((std::vector<std::pair<std::string, std::string>>{
                {"EInOutError", Unit() + ": " + fleetforge_test::kIsADirectory}}),
            Errors());
  EXPECT_TRUE(FolderEntries(Unit()).empty());
}

TEST_F(CompDateIdeTest, CountersWrapAroundAtTheLimit) {
  StartIde();
  Open(Path("Project.dpr"));
  WriteAll(Unit(), CompDateText(2147483647, -7, ExampleMoment()));
  CompileAt(ExampleMoment());
  EXPECT_EQ(std::make_pair(INT32_MIN, -7), ReadCompDate(Unit()));
  const std::vector<std::string> lines = Lines(ReadAll(Unit()));
  EXPECT_EQ("// Build: -2147483648", lines[2]);
  EXPECT_EQ("  CompileBuildStr    :String    = '-2147483648';", lines[11]);
  CompileAt(ExampleMoment(), true);
  EXPECT_EQ(std::make_pair(INT32_MIN, -6), ReadCompDate(Unit()));
  EXPECT_TRUE(Errors().empty());
}

TEST_F(CompDateIdeTest, TheNotifierAnswersBothInterfacesWithOneTableAndNeverCancels) {
  StartIde();
  host::IRef<host::IOTAIDENotifier50> notifier = Notifier();
  ASSERT_TRUE(notifier);
  host::IRef<host::IOTAIDENotifier> older;
  ASSERT_TRUE(host::Supports(notifier.get(), older));
  EXPECT_EQ(static_cast<void*>(notifier.get()), static_cast<void*>(older.get()));
  EXPECT_EQ(static_cast<void*>(ide_->Services().Notifiers().begin()->second.get()),
            static_cast<void*>(notifier.get()));

  // Projects as the IDE hands them to notifiers, for calling the notifier directly.
  host::IRef<ide::IdeProject> project(new ide::IdeProject(Path("Project.dpr")));
  host::IRef<ide::IdeProject> other(new ide::IdeProject(Path("Package.dpk")));
  host::PinClock(ExampleMoment());
  for (bool preset : {false, true}) {
    SCOPED_TRACE(preset ? "cancel preset" : "cancel clear");
    bool cancel = preset;
    notifier->FileNotification(host::ofnFileOpening, Path("Project.dpr"), cancel);
    EXPECT_EQ(preset, cancel);
    notifier->BeforeCompile(project.get(), cancel);
    EXPECT_EQ(preset, cancel);
    notifier->AfterCompile(true);
    notifier->BeforeCompile(project.get(), false, cancel);
    EXPECT_EQ(preset, cancel);
    notifier->BeforeCompile(other.get(), true, cancel);
    EXPECT_EQ(preset, cancel);
    notifier->AfterCompile(false, true);
    notifier->AfterSave();
    notifier->BeforeSave();
    notifier->Modified();
  }
  // Only the three-argument BeforeCompile of the Delphi project counted.
  EXPECT_EQ(CompDateText(2, 0, ExampleMoment()), ReadAll(Unit()));
}

TEST_F(CompDateIdeTest, UnloadingTakesTheNotifierOut) {
  StartIde();
  Open(Path("Project.dpr"));
  host::IRef<host::IOTAIDENotifier50> notifier = Notifier();
  ASSERT_TRUE(notifier);
  notifier.Clear();
  CompileAt(ExampleMoment());
  ide_->UnloadPackage();
  EXPECT_TRUE(ide_->Services().Notifiers().empty());
  EXPECT_TRUE(Errors().empty());
  CompileAt(ExampleMoment() + 1);
  EXPECT_EQ(CompDateText(1, 0, ExampleMoment()), ReadAll(Unit()));
}

TEST_F(CompDateIdeTest, APackageInstalledIntoARunningIdeCountsAllTheSame) {
  StartIde(false);
  ide_->InstallPackage(FLEETFORGE_DEFAULT_PACKAGE);
  ASSERT_EQ(ide::Mode::Dormant, ide::AddInView(*ide_).CurrentMode());
  Open(Path("Project.dpr"));
  CompileAt(ExampleMoment());
  EXPECT_EQ(CompDateText(1, 0, ExampleMoment()), ReadAll(Unit()));
}

}  // namespace
