// The layout manager over a load of the package: the once-only close of the
// empty default project at the first tick, the border restore after the options
// are confirmed and at unload, the palette's resize handler given back, and an
// IDE that stays sound once the module is closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>

#include "global/OptionsRecord.h"
#include "host/vcl/comctrls.h"
#include "host/vcl/forms.h"
#include "host/vcl/messageloop.h"
#include "tests/layout/layout_support.h"
#include "tests/support/ide_session.h"

namespace FleetforgeMain {
class TFleetforgeMainObject;
}

namespace {

using FleetforgeMain::TFleetforgeMainObject;
using host::TForm;
using layout_test::Box;
using layout_test::BoxOf;
using layout_test::LayoutSession;
using layout_test::Switches;

struct ScreenCase {
  const char* Label;
  host::ScreenDescription Screen;
};

const ScreenCase kScreens[] = {
    {"Bottom1024x768", {1024, 768, host::TaskbarEdge::Bottom, 30}},
    {"Top1280x1024", {1280, 1024, host::TaskbarEdge::Top, 30}},
};

std::string ScreenName(const ScreenCase& screen) {
  return screen.Label;
}
void PrintTo(const ScreenCase& screen, std::ostream* out) {
  *out << screen.Label;
}

using AlignMainFormFn = void (*)(TFleetforgeMainObject*);
using RestoreFn = void (*)();

constexpr const char* kToolWindows[] = {"ObjectTreeView", "PropertyInspector", "ProjectManagerForm",
                                        "EditWindow_0"};

// ---- The default project ---------------------------------------------------------

struct ProjectCase {
  const char* Label;
  const char* File;  // below the projects folder; nullptr: the IDE's own default project
  bool Closed;
};

void PrintTo(const ProjectCase& project, std::ostream* out) {
  *out << project.Label;
}

const ProjectCase kProjects[] = {
    {"IdesDefaultProject", nullptr, true},
    {"DprSavedInAnotherFolder", "saved/elsewhere/Project1.dpr", true},
    {"CppProject", "cpp/Project1.cpp", true},
    {"NameInLowerCase", "lower/project1.dpr", false},
    {"ExtensionInUpperCase", "upper/Project1.DPR", false},
    {"CppExtensionInUpperCase", "cppupper/Project1.CPP", false},
    {"AnotherProject", "other/Project2.dpr", false},
    {"LongerName", "longer/MyProject1.dpr", false},
    {"BackupOfTheDefault", "backup/Project1.dpr.bak", false},
    {"InAFolderNamedLikeIt", "Project1.dpr/Unit1.dpr", false},
    {"BackslashInTheName", "backslash/Saved\\Project1.dpr", false},  // only "/" separates folders
    {"ColonInTheName", "colon/v2:Project1.dpr", false},
};

class DefaultProject : public ::testing::TestWithParam<std::tuple<ScreenCase, ProjectCase>> {
 protected:
  DefaultProject() : ide_(std::get<0>(GetParam()).Screen) {}
  LayoutSession ide_;
};

TEST_P(DefaultProject, FirstTickDecidesOnceByTheFileNameAlone) {
  const ProjectCase& c = std::get<1>(GetParam());
  ide_.Start({.CloseDefault = true});
  std::string project = ide_.Ide().ProjectFile();
  ASSERT_EQ(project, ide_.Projects() + "/Project1.dpr");
  if (c.File != nullptr) {
    project = ide_.MakeFile(c.File);
    ide_.Ide().OpenProject(project);  // before the first tick
    ASSERT_EQ(ide_.Ide().ProjectFile(), project);
  }
  ide_.S().Do("wait 999");
  ASSERT_EQ(ide_.Ide().ProjectFile(), project) << "closed before the first tick";
  ide_.S().Do("wait 1");
  if (c.Closed) {
    EXPECT_EQ(ide_.Ide().ProjectFile(), "") << "the first tick closes it";
    EXPECT_EQ(ide_.Main()->Caption(), "Delphi 7") << "through the IDE's Close All";
  } else {
    EXPECT_EQ(ide_.Ide().ProjectFile(), project) << "not the default project";
  }
  // Whatever is opened afterwards, a default project included, stays open.
  if (!std::filesystem::exists(project)) ide_.MakeFile("Project1.dpr");  // the IDE's is a name only
  for (const std::string& later : {project, ide_.MakeFile("again/Project1.dpr")}) {
    ide_.S().Do("open " + later);
    ide_.S().Do("wait 5000");
    EXPECT_EQ(ide_.Ide().ProjectFile(), later) << "closed again by a later tick";
  }
  EXPECT_TRUE(ide_.Ide().Errors().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Names, DefaultProject,
    ::testing::Combine(::testing::ValuesIn(kScreens), ::testing::ValuesIn(kProjects)),
    [](const ::testing::TestParamInfo<std::tuple<ScreenCase, ProjectCase>>& info) {
      return ScreenName(std::get<0>(info.param)) + "_" + std::get<1>(info.param).Label;
    });

// ---- Over a load: options, restore, unload ----------------------------------------

class LayoutLifecycle : public ::testing::TestWithParam<ScreenCase> {
 protected:
  LayoutLifecycle() : ide_(GetParam().Screen) {}
  LayoutSession ide_;
};

TEST_P(LayoutLifecycle, CloseDefaultSwitchedOnAfterTheFirstTickClosesNothing) {
  ide_.Start({.CloseDefault = false});
  const std::string project = ide_.Ide().ProjectFile();
  ASSERT_FALSE(project.empty());
  ide_.S().Do("wait 1000");
  EXPECT_EQ(ide_.Ide().ProjectFile(), project);
  // As the options dialog does when confirmed.
  FleetforgeGlobal::TOptionsRecord* options = ide_.Options();
  ASSERT_NE(options, nullptr);
  ASSERT_FALSE(options->CloseDefault);
  options->CloseDefault = true;
  ide_.S().Do("wait 5000");
  EXPECT_EQ(ide_.Ide().ProjectFile(), project);
}

TEST_P(LayoutLifecycle, ConfirmedOptionsGiveTheBordersBackUntilTheLayoutTakesThemAgain) {
  ide_.Start({});
  ide_.S().Do("wait 2000");
  const auto restore = ide_.Export<RestoreFn>("FleetforgeMain.RestoreFormsBruteForce()");
  const auto align =
      ide_.Export<AlignMainFormFn>("FleetforgeMain.TFleetforgeMainObject.AlignMainForm()");
  ASSERT_NE(restore, nullptr);
  ASSERT_NE(align, nullptr);
  TForm* editor = ide_.Form("EditWindow_0");
  editor->SetBorderIcons(host::biSystemMenu | host::biHelp);
  std::vector<Box> placed;
  for (const char* name : kToolWindows) placed.push_back(BoxOf(ide_.Form(name)));

  restore();
  EXPECT_EQ(ide_.Main()->BorderStyle(), host::bsSizeable);
  EXPECT_EQ(ide_.Form("PropertyInspector")->BorderStyle(), host::bsSizeToolWin);
  EXPECT_EQ(ide_.Form("ProjectManagerForm")->BorderStyle(), host::bsSizeToolWin);
  EXPECT_EQ(editor->BorderStyle(), host::bsSizeable);
  EXPECT_EQ(editor->BorderIcons(), host::biSystemMenu | host::biHelp | host::biMaximize)
      << "the maximise icon is added, the others kept";
  EXPECT_EQ(ide_.Form("ObjectTreeView")->BorderStyle(), host::bsNone)
      << "the Object TreeView is not restored";
  EXPECT_FALSE(ide_.Form("PropertyInspector")->DockSite()) << "docking is not given back";
  for (size_t i = 0; i < std::size(kToolWindows); ++i)
    EXPECT_EQ(BoxOf(ide_.Form(kToolWindows[i])), placed[i]) << kToolWindows[i] << " moved";

  // With the captions still hidden the options command aligns the main window
  // again, and the next tick takes the tool windows' borders again.
  align(ide_.Manager());
  EXPECT_EQ(ide_.Main()->BorderStyle(), host::bsNone);
  ide_.S().Do("wait 1000");
  EXPECT_EQ(ide_.Form("PropertyInspector")->BorderStyle(), host::bsNone);
  EXPECT_EQ(ide_.Form("ProjectManagerForm")->BorderStyle(), host::bsNone);
  EXPECT_EQ(editor->BorderStyle(), host::bsSizeable);
  EXPECT_EQ(editor->BorderIcons(), host::biSystemMenu | host::biHelp | host::biMaximize);
  EXPECT_TRUE(ide_.Ide().Errors().empty());
}

TEST_P(LayoutLifecycle, UnloadGivesBordersBackWhileTheIdeIsUpAndLeavesTheEditor) {
  ide_.Start({});
  ide_.S().Do("wait 2000");
  TForm* editor = ide_.Form("EditWindow_0");
  editor->SetBorderStyle(host::bsDialog);
  editor->SetBorderIcons(host::biSystemMenu);
  std::vector<Box> placed;
  for (const char* name : kToolWindows) placed.push_back(BoxOf(ide_.Form(name)));
  ASSERT_NE(ide_.Form("ProjectOptionsDialog"), nullptr);

  ide_.S().Do("unload");
  EXPECT_EQ(ide_.Main()->BorderStyle(), host::bsSizeable);
  EXPECT_EQ(ide_.Form("PropertyInspector")->BorderStyle(), host::bsSizeToolWin);
  EXPECT_EQ(ide_.Form("ProjectManagerForm")->BorderStyle(), host::bsSizeToolWin);
  EXPECT_EQ(ide_.Form("ObjectTreeView")->BorderStyle(), host::bsNone);
  EXPECT_EQ(editor->BorderStyle(), host::bsDialog) << "the unload restore leaves the editor";
  EXPECT_EQ(editor->BorderIcons(), host::biSystemMenu);
  ide_.S().Do("wait 3000");
  for (size_t i = 0; i < std::size(kToolWindows); ++i)
    EXPECT_EQ(BoxOf(ide_.Form(kToolWindows[i])), placed[i]) << kToolWindows[i] << " moved";
  EXPECT_EQ(ide_.Form("PropertyInspector")->BorderStyle(), host::bsSizeToolWin)
      << "no tick after the restore";
  EXPECT_TRUE(ide_.Ide().Errors().empty());
}

TEST_P(LayoutLifecycle, UnloadWithoutProjectOptionsDialogChangesNoForm) {
  ide_.Start({});
  ide_.S().Do("wait 2000");
  delete ide_.Form("ProjectOptionsDialog");
  ASSERT_EQ(ide_.Form("ProjectOptionsDialog"), nullptr);
  ide_.S().Do("unload");
  EXPECT_EQ(ide_.Main()->BorderStyle(), host::bsNone);
  for (const char* name : {"ObjectTreeView", "PropertyInspector", "ProjectManagerForm"})
    EXPECT_EQ(ide_.Form(name)->BorderStyle(), host::bsNone) << name;
  EXPECT_EQ(ide_.Form("EditWindow_0")->BorderStyle(), host::bsSizeable);
  EXPECT_TRUE(ide_.Ide().Errors().empty());
}

TEST_P(LayoutLifecycle, AfterUnloadThePaletteHasTheIdesHandlerAndNothingCallsIntoTheModule) {
  ide_.Start({.CloseDefault = true});
  ide_.S().Do("wait 2000");
  host::TTabControl* palette = ide_.Ide().Palette();
  ASSERT_EQ(ide_.Ide().Holder(palette->OnResize()), "fleetforge");
  ide_.S().Do("unload");
  ASSERT_EQ(ide_.Ide().Package(), 0u);
  EXPECT_EQ(ide_.Ide().Holder(palette->OnResize()), "ide");
  EXPECT_EQ(host::MessageLoop::Instance().ActiveTimers(), 0u) << "a timer outlived the module";

  // Resizing the palette runs the IDE's own handler, which counts the buttons
  // that fit under the tabs.
  const int32_t buttons_before = ide_.Ide().PaletteButtonsShown();
  ide_.S().Do("size AppBuilder 700 0");
  const int32_t expected = std::max(palette->DisplayRect().Width(), 0) / 24;
  ASSERT_NE(expected, buttons_before) << "the resize is meant to change the count";
  EXPECT_EQ(ide_.Ide().PaletteButtonsShown(), expected);
  palette->SetBounds(0, 0, 300, palette->Height());
  EXPECT_EQ(ide_.Ide().PaletteButtonsShown(), std::max(palette->DisplayRect().Width(), 0) / 24);

  const Box tree = BoxOf(ide_.Form("ObjectTreeView"));
  ide_.S().Do("move ObjectTreeView 333 222");
  ide_.S().Do("wait 5000");
  EXPECT_EQ(BoxOf(ide_.Form("ObjectTreeView")), (Box{333, 222, tree.Width, tree.Height}))
      << "a tick after unload";
  EXPECT_TRUE(ide_.Ide().Errors().empty());
}

TEST_P(LayoutLifecycle, OptionsConfirmedTwiceStillGiveTheIdesHandlerBackAtUnload) {
  ide_.Start({});
  const auto restore = ide_.Export<RestoreFn>("FleetforgeMain.RestoreFormsBruteForce()");
  const auto align =
      ide_.Export<AlignMainFormFn>("FleetforgeMain.TFleetforgeMainObject.AlignMainForm()");
  for (int i = 0; i < 2; ++i) {  // what each confirmation with hidden captions does
    restore();
    align(ide_.Manager());
    ide_.S().Do("wait 1000");
  }
  host::TTabControl* palette = ide_.Ide().Palette();
  ASSERT_EQ(ide_.Ide().Holder(palette->OnResize()), "fleetforge");
  ide_.S().Do("unload");
  EXPECT_EQ(ide_.Ide().Holder(palette->OnResize()), "ide");
  ide_.S().Do("size AppBuilder 700 0");
  ide_.S().Do("wait 3000");
  EXPECT_TRUE(ide_.Ide().Errors().empty());
}

TEST_P(LayoutLifecycle, PaletteWithoutHandlerHasNoneAgainAfterUnload) {
  ide_.Start({.HideCaptions = false});
  const auto align =
      ide_.Export<AlignMainFormFn>("FleetforgeMain.TFleetforgeMainObject.AlignMainForm()");
  host::TTabControl* palette = ide_.Ide().Palette();
  palette->SetOnResize({});
  align(ide_.Manager());
  align(ide_.Manager());
  ASSERT_EQ(ide_.Ide().Holder(palette->OnResize()), "fleetforge");
  ide_.S().Do("unload");
  EXPECT_EQ(ide_.Ide().Holder(palette->OnResize()), "none");
  ide_.S().Do("size AppBuilder 700 0");
  ide_.S().Do("wait 3000");
  EXPECT_TRUE(ide_.Ide().Errors().empty());
}

TEST_P(LayoutLifecycle, PaletteNeverTakenOverKeepsTheIdesHandlerAtUnload) {
  ide_.Start({.HideCaptions = false});
  host::TTabControl* palette = ide_.Ide().Palette();
  ide_.S().Do("wait 2000");
  ASSERT_EQ(ide_.Ide().Holder(palette->OnResize()), "ide");
  ide_.S().Do("unload");
  EXPECT_EQ(ide_.Ide().Holder(palette->OnResize()), "ide");
  ide_.S().Do("size AppBuilder 700 0");
  EXPECT_EQ(ide_.Ide().PaletteButtonsShown(), std::max(palette->DisplayRect().Width(), 0) / 24);
  EXPECT_TRUE(ide_.Ide().Errors().empty());
}

// Another package's handler installed after the take-over: the IDE's own comes
// back at unload all the same. A take-over after that keeps the handler it finds
// (the other package's), and that one comes back.
TEST_P(LayoutLifecycle, AHandlerReplacedAfterTheTakeOverStillGivesTheIdesBack) {
  for (const bool alignAgain : {false, true}) {
    SCOPED_TRACE(alignAgain ? "taken over again" : "taken over once");
    ide_.Start({});
    host::TTabControl* palette = ide_.Ide().Palette();
    ASSERT_EQ(ide_.Ide().Holder(palette->OnResize()), "fleetforge");
    struct OtherPackage : host::TObject {
      void Resize(host::TObject*) {}
    } other_package;
    palette->SetOnResize(host::TNotifyEvent(&other_package, &OtherPackage::Resize));
    ASSERT_EQ(ide_.Ide().Holder(palette->OnResize()), "other");
    if (alignAgain)
      ide_.Export<AlignMainFormFn>("FleetforgeMain.TFleetforgeMainObject.AlignMainForm()")(
          ide_.Manager());
    ide_.S().Do("unload");
    EXPECT_EQ(ide_.Ide().Holder(palette->OnResize()), alignAgain ? "other" : "ide");
    if (!alignAgain) {
      ide_.S().Do("size AppBuilder 700 0");
      EXPECT_EQ(ide_.Ide().PaletteButtonsShown(), std::max(palette->DisplayRect().Width(), 0) / 24);
    }
    EXPECT_TRUE(ide_.Ide().Errors().empty());
    ide_.Stop();
  }
}

TEST_P(LayoutLifecycle, UnloadWithTheMainWindowGoneTouchesNothingOfIt) {
  ide_.Start({});
  ide_.S().Do("wait 2000");
  host::TTabControl* palette = ide_.Ide().Palette();
  const host::TNotifyEvent taken = palette->OnResize();
  ASSERT_EQ(ide_.Ide().Holder(taken), "fleetforge");
  // As at the IDE's own shutdown: the application has no main window any more.
  host::Application->SetMainForm(nullptr);
  ide_.S().Do("unload");
  EXPECT_TRUE(palette->OnResize() == taken) << "the palette of a gone main window was touched";
  EXPECT_EQ(ide_.Main()->BorderStyle(), host::bsNone);
  EXPECT_EQ(ide_.Form("PropertyInspector")->BorderStyle(), host::bsSizeToolWin)
      << "the other windows are still restored";
  EXPECT_EQ(host::MessageLoop::Instance().ActiveTimers(), 0u);
  EXPECT_TRUE(ide_.Ide().Errors().empty());
  // The handler left behind belongs to a closed module: give the IDE its own.
  palette->SetOnResize(host::TNotifyEvent(&ide_.Ide(), &ide::Ide::PaletteResize));
  host::Application->SetMainForm(ide_.Main());
  ide_.S().Do("wait 3000");
  EXPECT_TRUE(ide_.Ide().Errors().empty());
}

TEST_P(LayoutLifecycle, InstalledIntoARunningIdeLaysOutNothingButRestoresAtUnload) {
  ide_.Start({.CloseDefault = true}, /*withPackage=*/false);
  ide_.S().QueueInput("key enter");  // the restart notice is a modal box
  ide_.S().Do("install");
  ASSERT_EQ(ide_.Ide().CurrentMode(), ide::Mode::Dormant);
  EXPECT_EQ(ide_.Manager(), nullptr) << "no layout manager in a running IDE";
  ASSERT_EQ(host::Application->MessagesShown().size(), 1u);
  EXPECT_EQ(host::Application->MessagesShown()[0].Text,
            "Please restart Delphi to activate Fleetforge!");
  EXPECT_EQ(host::Application->MessagesShown()[0].Caption, "Fleetforge");
  EXPECT_EQ(ide_.Main()->BorderStyle(), host::bsSizeable);
  EXPECT_EQ(ide_.Ide().Holder(ide_.Ide().Palette()->OnResize()), "ide");

  const std::string project = ide_.Ide().ProjectFile();
  ide_.S().Do("move ObjectTreeView 333 222");
  ide_.S().Do("wait 3000");
  EXPECT_EQ(BoxOf(ide_.Form("ObjectTreeView")).Left, 333) << "nothing lays the windows out";
  EXPECT_EQ(ide_.Ide().ProjectFile(), project) << "nothing closes the project";

  // The unload restore runs all the same.
  ide_.Main()->SetBorderStyle(host::bsNone);
  ide_.Form("PropertyInspector")->SetBorderStyle(host::bsSingle);
  ide_.Form("ProjectManagerForm")->SetBorderStyle(host::bsSingle);
  ide_.Form("EditWindow_0")->SetBorderStyle(host::bsDialog);
  ide_.S().Do("unload");
  EXPECT_EQ(ide_.Main()->BorderStyle(), host::bsSizeable);
  EXPECT_EQ(ide_.Form("PropertyInspector")->BorderStyle(), host::bsSizeToolWin);
  EXPECT_EQ(ide_.Form("ProjectManagerForm")->BorderStyle(), host::bsSizeToolWin);
  EXPECT_EQ(ide_.Form("EditWindow_0")->BorderStyle(), host::bsDialog);
  EXPECT_EQ(ide_.Ide().Holder(ide_.Ide().Palette()->OnResize()), "ide");
  EXPECT_TRUE(ide_.Ide().Errors().empty());
}

INSTANTIATE_TEST_SUITE_P(Screens, LayoutLifecycle, ::testing::ValuesIn(kScreens),
                         [](const ::testing::TestParamInfo<ScreenCase>& info) {
                           return ScreenName(info.param);
                         });

}  // namespace
