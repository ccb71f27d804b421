// The layout manager over a load of the package: the once-only close of the
// empty default project at the first tick, the border restore after the options
// are confirmed and at unload, the palette's resize handler given back, and an
// IDE that stays sound once the module is closed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

#include "host/vcl/messageloop.h"
#include "ide/addin.h"
#include "tests/layout/layout_support.h"
#include "tests/support/host_error.h"

namespace {

using FleetforgeMain::TFleetforgeMainObject;
using host::TForm;
using layout_test::Box;
using layout_test::BoxOf;
using layout_test::ButtonsThatFit;
using layout_test::ScreenCase;

const ScreenCase kScreens[] = {layout_test::kBottom1024x768, layout_test::kTop1280x1024};

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
#ifdef _WIN32
    // "\\" and ":" separate folders too: these are the default project.
    {"BackslashInTheName", "backslash/Saved\\Project1.dpr", true},
    {"ColonInTheName", "colon/v2:Project1.dpr", true},
#else
    {"BackslashInTheName", "backslash/Saved\\Project1.dpr", false},  // only "/" separates folders
    {"ColonInTheName", "colon/v2:Project1.dpr", false},
#endif
};

class DefaultProject : public ::testing::TestWithParam<std::tuple<ScreenCase, ProjectCase>>,
                       public layout_test::LayoutSession {
 protected:
  DefaultProject() : LayoutSession(std::get<0>(GetParam()).Screen) {}
};

TEST_P(DefaultProject, FirstTickDecidesOnceByTheFileNameAlone) {
  const ProjectCase& c = std::get<1>(GetParam());
  Start({.CloseDefault = true});
  std::string project = Ide().ProjectFile();
  ASSERT_EQ(project, Projects() + "/Project1.dpr");
  if (c.File != nullptr) {
    project = MakeFile(c.File);
    Ide().OpenProject(project);  // before the first tick
    ASSERT_EQ(Ide().ProjectFile(), project);
  }
  S().Do("wait 999");
  ASSERT_EQ(Ide().ProjectFile(), project) << "closed before the first tick";
  S().Do("wait 1");
  if (c.Closed) {
    EXPECT_EQ(Ide().ProjectFile(), "") << "the first tick closes it";
    EXPECT_EQ(Main()->Caption(), "Delphi 7") << "through the IDE's Close All";
  } else {
    EXPECT_EQ(Ide().ProjectFile(), project) << "not the default project";
  }
  // Whatever is opened afterwards, a default project included, stays open.
  if (!std::filesystem::exists(project)) MakeFile("Project1.dpr");  // the IDE's is a name only
  for (const std::string& later : {project, MakeFile("again/Project1.dpr")}) {
    S().Do("open " + later);
    S().Do("wait 5000");
    EXPECT_EQ(Ide().ProjectFile(), later) << "closed again by a later tick";
  }
  EXPECT_TRUE(Ide().Errors().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Names, DefaultProject,
    ::testing::Combine(::testing::ValuesIn(kScreens), ::testing::ValuesIn(kProjects)),
    [](const ::testing::TestParamInfo<std::tuple<ScreenCase, ProjectCase>>& info) {
      return std::string(std::get<0>(info.param).Label) + "_" + std::get<1>(info.param).Label;
    });

// ---- Over a load: options, restore, unload ----------------------------------------

class LayoutLifecycle : public layout_test::OnScreen {
 protected:
  // The main window and the two tool windows have the borders the IDE made them with.
  void ExpectTheIdesBorders(fleetforge_test::CallSite where = fleetforge_test::CallSite()) {
    ::testing::ScopedTrace trace(where.File, where.Line, "the IDE's borders");
    EXPECT_EQ(Main()->BorderStyle(), host::bsSizeable);
    EXPECT_EQ(Form("PropertyInspector")->BorderStyle(), host::bsSizeToolWin);
    EXPECT_EQ(Form("ProjectManagerForm")->BorderStyle(), host::bsSizeToolWin);
  }
};

TEST_P(LayoutLifecycle, CloseDefaultSwitchedOnAfterTheFirstTickClosesNothing) {
  Start({.CloseDefault = false});
  const std::string project = Ide().ProjectFile();
  ASSERT_FALSE(project.empty());
  S().Do("wait 1000");
  EXPECT_EQ(Ide().ProjectFile(), project);
  // As the options dialog does when confirmed.
  FleetforgeGlobal::TOptionsRecord* options = Options();
  ASSERT_NE(options, nullptr);
  ASSERT_FALSE(options->CloseDefault);
  options->CloseDefault = true;
  S().Do("wait 5000");
  EXPECT_EQ(Ide().ProjectFile(), project);
}

TEST_P(LayoutLifecycle, ConfirmedOptionsGiveTheBordersBackUntilTheLayoutTakesThemAgain) {
  Start({});
  S().Do("wait 2000");
  const auto restore = Export<RestoreFn>("FleetforgeMain.RestoreFormsBruteForce()");
  const auto align =
      Export<AlignMainFormFn>("FleetforgeMain.TFleetforgeMainObject.AlignMainForm()");
  ASSERT_NE(restore, nullptr);
  ASSERT_NE(align, nullptr);
  TForm* editor = Form("EditWindow_0");
  editor->SetBorderIcons(host::biSystemMenu | host::biHelp);
  std::vector<Box> placed;
  for (const char* name : kToolWindows) placed.push_back(BoxOf(Form(name)));

  restore();
  ExpectTheIdesBorders();
  EXPECT_EQ(editor->BorderStyle(), host::bsSizeable);
  EXPECT_EQ(editor->BorderIcons(), host::biSystemMenu | host::biHelp | host::biMaximize)
      << "the maximise icon is added, the others kept";
  EXPECT_EQ(Form("ObjectTreeView")->BorderStyle(), host::bsNone)
      << "the Object TreeView is not restored";
  EXPECT_FALSE(Form("PropertyInspector")->DockSite()) << "docking is not given back";
  for (size_t i = 0; i < std::size(kToolWindows); ++i)
    EXPECT_EQ(BoxOf(Form(kToolWindows[i])), placed[i]) << kToolWindows[i] << " moved";

  // With the captions still hidden the options command aligns the main window
  // again, and the next tick takes the tool windows' borders again.
  align(Manager());
  EXPECT_EQ(Main()->BorderStyle(), host::bsNone);
  S().Do("wait 1000");
  EXPECT_EQ(Form("PropertyInspector")->BorderStyle(), host::bsNone);
  EXPECT_EQ(Form("ProjectManagerForm")->BorderStyle(), host::bsNone);
  EXPECT_EQ(editor->BorderStyle(), host::bsSizeable);
  EXPECT_EQ(editor->BorderIcons(), host::biSystemMenu | host::biHelp | host::biMaximize);
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_P(LayoutLifecycle, UnloadGivesBordersBackWhileTheIdeIsUpAndLeavesTheEditor) {
  Start({});
  S().Do("wait 2000");
  TForm* editor = Form("EditWindow_0");
  editor->SetBorderStyle(host::bsDialog);
  editor->SetBorderIcons(host::biSystemMenu);
  std::vector<Box> placed;
  for (const char* name : kToolWindows) placed.push_back(BoxOf(Form(name)));
  ASSERT_NE(Form("ProjectOptionsDialog"), nullptr);

  S().Do("unload");
  ExpectTheIdesBorders();
  EXPECT_EQ(Form("ObjectTreeView")->BorderStyle(), host::bsNone);
  EXPECT_EQ(editor->BorderStyle(), host::bsDialog) << "the unload restore leaves the editor";
  EXPECT_EQ(editor->BorderIcons(), host::biSystemMenu);
  S().Do("wait 3000");
  for (size_t i = 0; i < std::size(kToolWindows); ++i)
    EXPECT_EQ(BoxOf(Form(kToolWindows[i])), placed[i]) << kToolWindows[i] << " moved";
  EXPECT_EQ(Form("PropertyInspector")->BorderStyle(), host::bsSizeToolWin)
      << "no tick after the restore";
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_P(LayoutLifecycle, UnloadWithoutProjectOptionsDialogChangesNoForm) {
  Start({});
  S().Do("wait 2000");
  delete Form("ProjectOptionsDialog");
  ASSERT_EQ(Form("ProjectOptionsDialog"), nullptr);
  S().Do("unload");
  EXPECT_EQ(Main()->BorderStyle(), host::bsNone);
  for (const char* name : {"ObjectTreeView", "PropertyInspector", "ProjectManagerForm"})
    EXPECT_EQ(Form(name)->BorderStyle(), host::bsNone) << name;
  EXPECT_EQ(Form("EditWindow_0")->BorderStyle(), host::bsSizeable);
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_P(LayoutLifecycle, AfterUnloadThePaletteHasTheIdesHandlerAndNothingCallsIntoTheModule) {
  Start({.CloseDefault = true});
  S().Do("wait 2000");
  host::TTabControl* palette = Ide().Palette();
  ASSERT_EQ(ide::AddInView(Ide()).Holder(palette->OnResize()), "fleetforge");
  S().Do("unload");
  ASSERT_EQ(Ide().Package(), 0u);
  EXPECT_EQ(ide::AddInView(Ide()).Holder(palette->OnResize()), "ide");
  EXPECT_EQ(host::MessageLoop::Instance().ActiveTimers(), 0u) << "a timer outlived the module";

  // Resizing the palette runs the IDE's own handler, which counts the buttons
  // that fit under the tabs.
  const int32_t buttons_before = Ide().PaletteButtonsShown();
  S().Do("size AppBuilder 700 0");
  const int32_t expected = ButtonsThatFit(palette);
  ASSERT_NE(expected, buttons_before) << "the resize is meant to change the count";
  EXPECT_EQ(Ide().PaletteButtonsShown(), expected);
  palette->SetBounds(0, 0, 300, palette->Height());
  EXPECT_EQ(Ide().PaletteButtonsShown(), ButtonsThatFit(palette));

  const Box tree = BoxOf(Form("ObjectTreeView"));
  S().Do("move ObjectTreeView 333 222");
  S().Do("wait 5000");
  EXPECT_EQ(BoxOf(Form("ObjectTreeView")), (Box{333, 222, tree.Width, tree.Height}))
      << "a tick after unload";
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_P(LayoutLifecycle, OptionsConfirmedTwiceStillGiveTheIdesHandlerBackAtUnload) {
  Start({});
  const auto restore = Export<RestoreFn>("FleetforgeMain.RestoreFormsBruteForce()");
  const auto align =
      Export<AlignMainFormFn>("FleetforgeMain.TFleetforgeMainObject.AlignMainForm()");
  for (int i = 0; i < 2; ++i) {  // what each confirmation with hidden captions does
    restore();
    align(Manager());
    S().Do("wait 1000");
  }
  host::TTabControl* palette = Ide().Palette();
  ASSERT_EQ(ide::AddInView(Ide()).Holder(palette->OnResize()), "fleetforge");
  S().Do("unload");
  EXPECT_EQ(ide::AddInView(Ide()).Holder(palette->OnResize()), "ide");
  S().Do("size AppBuilder 700 0");
  S().Do("wait 3000");
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_P(LayoutLifecycle, PaletteWithoutHandlerHasNoneAgainAfterUnload) {
  Start({.HideCaptions = false});
  const auto align =
      Export<AlignMainFormFn>("FleetforgeMain.TFleetforgeMainObject.AlignMainForm()");
  host::TTabControl* palette = Ide().Palette();
  palette->SetOnResize({});
  align(Manager());
  align(Manager());
  ASSERT_EQ(ide::AddInView(Ide()).Holder(palette->OnResize()), "fleetforge");
  S().Do("unload");
  EXPECT_EQ(ide::AddInView(Ide()).Holder(palette->OnResize()), "none");
  S().Do("size AppBuilder 700 0");
  S().Do("wait 3000");
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_P(LayoutLifecycle, PaletteNeverTakenOverKeepsTheIdesHandlerAtUnload) {
  Start({.HideCaptions = false});
  host::TTabControl* palette = Ide().Palette();
  S().Do("wait 2000");
  ASSERT_EQ(ide::AddInView(Ide()).Holder(palette->OnResize()), "ide");
  S().Do("unload");
  EXPECT_EQ(ide::AddInView(Ide()).Holder(palette->OnResize()), "ide");
  S().Do("size AppBuilder 700 0");
  EXPECT_EQ(Ide().PaletteButtonsShown(), ButtonsThatFit(palette));
  EXPECT_TRUE(Ide().Errors().empty());
}

// Another package's handler installed after the take-over: the IDE's own comes
// back at unload all the same. A take-over after that keeps the handler it finds
// (the other package's), and that one comes back.
TEST_P(LayoutLifecycle, AHandlerReplacedAfterTheTakeOverStillGivesTheIdesBack) {
  for (const bool alignAgain : {false, true}) {
    SCOPED_TRACE(alignAgain ? "taken over again" : "taken over once");
    Start({});
    host::TTabControl* palette = Ide().Palette();
    ASSERT_EQ(ide::AddInView(Ide()).Holder(palette->OnResize()), "fleetforge");
    struct OtherPackage : host::TObject {
      void Resize(host::TObject*) {}
    } other_package;
    palette->SetOnResize(host::TNotifyEvent(&other_package, &OtherPackage::Resize));
    ASSERT_EQ(ide::AddInView(Ide()).Holder(palette->OnResize()), "other");
    if (alignAgain)
      Export<AlignMainFormFn>("FleetforgeMain.TFleetforgeMainObject.AlignMainForm()")(Manager());
    S().Do("unload");
    EXPECT_EQ(ide::AddInView(Ide()).Holder(palette->OnResize()), alignAgain ? "other" : "ide");
    if (!alignAgain) {
      S().Do("size AppBuilder 700 0");
      EXPECT_EQ(Ide().PaletteButtonsShown(), ButtonsThatFit(palette));
    }
    EXPECT_TRUE(Ide().Errors().empty());
    Stop();
  }
}

TEST_P(LayoutLifecycle, UnloadWithTheMainWindowGoneTouchesNothingOfIt) {
  Start({});
  S().Do("wait 2000");
  host::TTabControl* palette = Ide().Palette();
  const host::TNotifyEvent taken = palette->OnResize();
  ASSERT_EQ(ide::AddInView(Ide()).Holder(taken), "fleetforge");
  // As at the IDE's own shutdown: the application has no main window any more.
  host::Application->SetMainForm(nullptr);
  S().Do("unload");
  EXPECT_TRUE(palette->OnResize() == taken) << "the palette of a gone main window was touched";
  EXPECT_EQ(Main()->BorderStyle(), host::bsNone);
  EXPECT_EQ(Form("PropertyInspector")->BorderStyle(), host::bsSizeToolWin)
      << "the other windows are still restored";
  EXPECT_EQ(host::MessageLoop::Instance().ActiveTimers(), 0u);
  EXPECT_TRUE(Ide().Errors().empty());
  // The handler left behind belongs to a closed module: give the IDE its own.
  palette->SetOnResize(host::TNotifyEvent(&Ide(), &ide::Ide::PaletteResize));
  host::Application->SetMainForm(Main());
  S().Do("wait 3000");
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_P(LayoutLifecycle, InstalledIntoARunningIdeLaysOutNothingButRestoresAtUnload) {
  Start({.CloseDefault = true}, /*withPackage=*/false);
  S().QueueInput("key enter");  // the restart notice is a modal box
  S().Do("install");
  ASSERT_EQ(ide::AddInView(Ide()).CurrentMode(), ide::Mode::Dormant);
  EXPECT_EQ(Manager(), nullptr) << "no layout manager in a running IDE";
  ASSERT_EQ(host::Application->MessagesShown().size(), 1u);
  EXPECT_EQ(host::Application->MessagesShown()[0].Text,
            "Please restart Delphi to activate Fleetforge!");
  EXPECT_EQ(host::Application->MessagesShown()[0].Caption, "Fleetforge");
  EXPECT_EQ(Main()->BorderStyle(), host::bsSizeable);
  EXPECT_EQ(ide::AddInView(Ide()).Holder(Ide().Palette()->OnResize()), "ide");

  const std::string project = Ide().ProjectFile();
  S().Do("move ObjectTreeView 333 222");
  S().Do("wait 3000");
  EXPECT_EQ(BoxOf(Form("ObjectTreeView")).Left, 333) << "nothing lays the windows out";
  EXPECT_EQ(Ide().ProjectFile(), project) << "nothing closes the project";

  // The unload restore runs all the same.
  Main()->SetBorderStyle(host::bsNone);
  Form("PropertyInspector")->SetBorderStyle(host::bsSingle);
  Form("ProjectManagerForm")->SetBorderStyle(host::bsSingle);
  Form("EditWindow_0")->SetBorderStyle(host::bsDialog);
  S().Do("unload");
  ExpectTheIdesBorders();
  EXPECT_EQ(Form("EditWindow_0")->BorderStyle(), host::bsDialog);
  EXPECT_EQ(ide::AddInView(Ide()).Holder(Ide().Palette()->OnResize()), "ide");
  EXPECT_TRUE(Ide().Errors().empty());
}

INSTANTIATE_TEST_SUITE_P(Screens, LayoutLifecycle, ::testing::ValuesIn(kScreens),
                         layout_test::ScreenName);

}  // namespace
