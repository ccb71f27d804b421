// The caption button bar in the reference IDE: where it sits, what of it shows
// and takes clicks, how it follows the application's activation, its three
// buttons, its timer, and the application events it takes over and gives back.
#include <gtest/gtest.h>

#include <string>

#include "host/rtl/modules.h"
#include "host/vcl/actnlist.h"
#include "host/vcl/buttons.h"
#include "host/vcl/extctrls.h"
#include "ide/addin.h"
#include "tests/support/ide_session.h"

namespace {

using fleetforge_test::MakeSession;
using fleetforge_test::SessionSetup;
using fleetforge_test::StoreOptions;

constexpr const char* kBar = "ffDelphiMainForm";

host::WindowSystem& Windows() {
  return host::WindowSystem::Instance();
}

class ButtonBar : public fleetforge_test::SessionTest {
 protected:
  // Stores the options, the captions hidden unless said otherwise and the
  // editor maximised, and makes the session, not yet started.
  void Prepare(bool hideCaptions = true, const SessionSetup& setup = {}) {
    session_.reset();
    StoreOptions(
        {.HideCaptions = hideCaptions, .MaximizeEditor = true, .ObjectInspectorHeight = 300});
    session_ = MakeSession(setup);
  }
  // Starts the IDE with the package.
  void Start(bool hideCaptions = true, const SessionSetup& setup = {}) {
    Prepare(hideCaptions, setup);
    session_->StartUp();
    ASSERT_EQ(ide::AddInView(Ide()).CurrentMode(), ide::Mode::Active);
    ASSERT_NE(Bar(), nullptr) << "the active mode has a bar";
  }
  ide::Ide& Ide() { return session_->GetIde(); }
  host::TForm* Bar() { return Ide().FindForm(kBar); }
  host::HWND BarWindow() { return Bar()->Handle(); }
  host::WindowInfo BarInfo() { return Windows().Info(BarWindow()).value(); }
  host::TForm* Form(const char* name) { return Ide().FindForm(name); }
  bool PaletteVisible() { return session_->State()["palette"]["visible"].get<bool>(); }
  // Who holds the application event on_activate or on_deactivate.
  nlohmann::json EventHolder(const char* event) {
    return session_->State()["application_events"][event];
  }
  // A click at a point of the bar, in the bar's own coordinates.
  void ClickBar(int32_t x, int32_t y) {
    session_->Do("click " + std::to_string(Bar()->Left() + x) + " " +
                 std::to_string(Bar()->Top() + y));
  }
  void ClickComponents() { ClickBar(7, 7); }
  void ClickMinimize() { ClickBar(15 + 7, 7); }
  void ClickClose() { ClickBar(30 + 7, 7); }
};

// ---- Placement, window, region -------------------------------------------------

TEST_F(ButtonBar, SitsAtTheTopRightCornerOfTheWorkArea) {
  struct Case {
    const char* what;  // where the task bar stands
    host::ScreenDescription screen;
    host::TRect work_area;
    int32_t left, top;
  };
  const Case cases[] = {
      {"bottom", {1024, 768, host::TaskbarEdge::Bottom, 30}, {0, 0, 1024, 738}, 979, 0},
      {"top", {1280, 1024, host::TaskbarEdge::Top, 30}, {0, 30, 1280, 1024}, 1235, 30},
      {"right", {1024, 768, host::TaskbarEdge::Right, 30}, {0, 0, 994, 768}, 949, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("task bar at the ") + c.what);
    ASSERT_NO_FATAL_FAILURE(Start(true, {.Screen = c.screen}));
    ASSERT_EQ(Windows().WorkArea(), c.work_area);
    EXPECT_EQ(Bar()->Left(), c.left);
    EXPECT_EQ(Bar()->Top(), c.top);
    EXPECT_EQ(Bar()->Width(), 115) << "the size is not touched";
    EXPECT_EQ(Bar()->Height(), 15);
    EXPECT_EQ(BarInfo().Bounds, (host::TRect{c.left, c.top, c.left + 115, c.top + 15}));
    // The visible part ends exactly at the work area's right edge.
    EXPECT_EQ(Windows().WindowFromPoint(c.work_area.Right - 1, c.top), BarWindow());
    EXPECT_EQ(Windows().WindowFromPoint(c.work_area.Right - 45, c.top + 14), BarWindow());
  }
}

TEST_F(ButtonBar, FormImageGivesABorderlessTopMostBarOfThreeButtonsAndATimer) {
  ASSERT_NO_FATAL_FAILURE(Start());
  host::TForm* bar = Bar();
  EXPECT_EQ(bar->ClassName(), "TffDelphiMainForm");
  EXPECT_EQ(bar->Owner(), nullptr) << "created without owner";
  EXPECT_EQ(bar->BorderStyle(), host::bsNone);
  EXPECT_EQ(bar->FormStyle(), host::fsStayOnTop);
  EXPECT_EQ(bar->Caption(), "Minimize/Close");
  EXPECT_EQ(bar->ClientWidth(), 115);
  EXPECT_EQ(bar->ClientHeight(), 15);
  EXPECT_TRUE(bar->ShowHint());
  EXPECT_EQ(bar->Color(), host::clBtnFace);
  EXPECT_EQ(bar->Font().Name(), "MS Sans Serif");
  EXPECT_EQ(bar->Font().Height(), -11);
  struct Button {
    const char* name;
    int32_t left;
    const char* hint;
    int32_t glyph_width;
    int32_t black_x, black_y;  // a pixel of the glyph's shape
  };
  for (const Button& b :
       {Button{"sbComponents", 0, "Hide/Show Component Palette", 10, 0, 2},
        Button{"sbMinimize", 15, "Minimize", 10, 2, 8}, Button{"sbClose", 30, "Close", 9, 4, 4}}) {
    SCOPED_TRACE(b.name);
    auto* button = dynamic_cast<host::TSpeedButton*>(bar->FindComponent(b.name));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->ClassName(), "TSpeedButton");
    const host::TBitmap& glyph = button->Glyph();
    EXPECT_EQ(glyph.Width(), b.glyph_width);
    EXPECT_EQ(glyph.Height(), 9);
    EXPECT_EQ(glyph.BitCount(), 4);
    EXPECT_EQ(glyph.TransparentColor(), host::clFuchsia) << "magenta is left out";
    EXPECT_EQ(glyph.Pixel(b.black_x, b.black_y), host::clBlack);
    EXPECT_EQ(button->Parent(), bar);
    EXPECT_EQ(button->BoundsRect(), (host::TRect{b.left, 0, b.left + 15, 15}));
    EXPECT_EQ(button->Hint(), b.hint);
    EXPECT_TRUE(button->OnClick()) << "bound to its handler";
  }
  auto* timer = dynamic_cast<host::TTimer*>(bar->FindComponent("Timer"));
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->Interval(), 1000u);
  EXPECT_TRUE(timer->Enabled());
  EXPECT_TRUE(timer->Running());
}

TEST_F(ButtonBar, OnlyTheThreeButtonsShowAndTakeClicks) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_TRUE(Bar()->Visible());
  ASSERT_TRUE(Bar()->Shown());
  ASSERT_TRUE(BarInfo().Region.has_value());
  EXPECT_EQ(*BarInfo().Region, (host::TRect{0, 0, 45, 15}));
  EXPECT_TRUE(BarInfo().TopMost);
  // Put the bar over the editor, so that its clipped part lies over a window.
  session_->Do("move ffDelphiMainForm 500 400");
  const host::HWND editor = Form("EditWindow_0")->Handle();
  ASSERT_EQ(Windows().WindowFromPoint(560, 405), editor) << "the clipped part is not there";
  EXPECT_EQ(Windows().WindowFromPoint(544, 414), BarWindow());
  EXPECT_EQ(Windows().WindowFromPoint(545, 405), editor);
  EXPECT_EQ(Windows().WindowFromPoint(510, 415), editor) << "the bottom edge is exclusive";
  // A click there reaches the editor, not the bar's (empty) right part.
  EXPECT_EQ(Windows().Click(600, 405), editor);
  EXPECT_FALSE(host::Application->Minimized());
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_F(ButtonBar, EveryShowMakesANewRegionThatTheWindowTakes) {
  ASSERT_NO_FATAL_FAILURE(Start());
  const size_t regions = Windows().RegionCount();
  for (int i = 0; i < 3; ++i) {
    Bar()->Hide();
    Windows().AssignRegion(BarWindow(), 0);
    Bar()->Show();
    ASSERT_TRUE(BarInfo().Region.has_value());
    EXPECT_EQ(*BarInfo().Region, (host::TRect{0, 0, 45, 15}));
  }
  EXPECT_EQ(Windows().RegionCount(), regions) << "no region is left over";
}

// ---- Activation ------------------------------------------------------------------

TEST_F(ButtonBar, DeactivationHidesTheWindowOnlyAndActivationBringsItBackInPlace) {
  ASSERT_NO_FATAL_FAILURE(Start());
  session_->Do("move ffDelphiMainForm 10 10");
  session_->Do("deactivate");
  EXPECT_FALSE(Bar()->Shown());
  EXPECT_TRUE(Bar()->Visible()) << "the form's own state is not changed";
  EXPECT_EQ(Windows().WindowFromPoint(15, 15), Form("AppBuilder")->Handle());
  const host::HWND active = Windows().ActiveWindow();
  session_->Do("activate");
  EXPECT_EQ(Bar()->Left(), 979);
  EXPECT_EQ(Bar()->Top(), 0);
  EXPECT_TRUE(Bar()->Shown());
  EXPECT_TRUE(BarInfo().TopMost);
  EXPECT_EQ(Windows().ActiveWindow(), active) << "the IDE's window keeps the focus";
  EXPECT_EQ(Windows().WindowFromPoint(1000, 5), BarWindow());
  // Hidden by the options while the IDE was away: it stays hidden.
  session_->Do("deactivate");
  Bar()->Hide();
  session_->Do("activate");
  EXPECT_FALSE(Bar()->Shown());
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_F(ButtonBar, WithCaptionsShownTheBarStaysHiddenWhateverHappens) {
  ASSERT_NO_FATAL_FAILURE(Start(false));
  EXPECT_FALSE(Bar()->Visible());
  EXPECT_FALSE(Bar()->Shown());
  EXPECT_EQ(Bar()->Left(), 979) << "placed all the same";
  session_->Do("deactivate");
  session_->Do("wait 1000");
  session_->Do("activate");
  session_->Do("wait 3000");
  EXPECT_FALSE(Bar()->Visible());
  EXPECT_FALSE(Bar()->Shown());
  EXPECT_EQ(Windows().WindowFromPoint(1000, 5), Form("AppBuilder")->Handle());
  EXPECT_EQ(EventHolder("on_activate"), "fleetforge");
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_F(ButtonBar, TimerKeepsTheWindowTopMostOnlyWhileTheIdeIsActive) {
  ASSERT_NO_FATAL_FAILURE(Start());
  const host::UINT keep = host::SWP_NOSIZE | host::SWP_NOMOVE | host::SWP_NOACTIVATE;
  Windows().SetWindowPos(BarWindow(), host::HWND_NOTOPMOST, 0, 0, 0, 0, keep);
  ASSERT_FALSE(BarInfo().TopMost);
  session_->Do("wait 1000");
  EXPECT_TRUE(BarInfo().TopMost);
  EXPECT_NE(Windows().ActiveWindow(), BarWindow()) << "not activated";
  EXPECT_EQ(Bar()->Left(), 979) << "not moved";
  // While another application is active the tick does nothing.
  session_->Do("deactivate");
  Windows().SetWindowPos(BarWindow(), host::HWND_NOTOPMOST, 0, 0, 0, 0, keep);
  session_->Do("wait 3000");
  EXPECT_FALSE(BarInfo().TopMost);
  EXPECT_FALSE(Bar()->Shown()) << "the tick shows nothing";
}

// ---- Buttons ---------------------------------------------------------------------

TEST_F(ButtonBar, MinimizeButtonMinimisesTheIde) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ClickMinimize();
  EXPECT_TRUE(host::Application->Minimized());
  EXPECT_TRUE(Windows().Info(Form("AppBuilder")->Handle())->Minimized);
  EXPECT_FALSE(host::Application->Terminated());
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_F(ButtonBar, CloseButtonClosesTheMainWindowAndTheIdeEnds) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ClickClose();
  EXPECT_TRUE(host::Application->Terminated());
  EXPECT_TRUE(Ide().ShutDown());
  EXPECT_EQ(ide::AddInView(Ide()).CurrentMode(), ide::Mode::Unloaded);
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_F(ButtonBar, CloseButtonWithoutAMainWindowDoesNothing) {
  ASSERT_NO_FATAL_FAILURE(Start());
  host::TForm* main_form = host::Application->MainForm();
  host::Application->SetMainForm(nullptr);
  ClickClose();
  host::Application->SetMainForm(main_form);
  EXPECT_FALSE(host::Application->Terminated());
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_F(ButtonBar, PaletteButtonTogglesThePaletteAndLaysTheEditorAndInspectorOut) {
  ASSERT_NO_FATAL_FAILURE(Start());
  host::TForm* main_form = Form("AppBuilder");
  host::TForm* editor = Form("EditWindow_0");
  host::TForm* tree = Form("ObjectTreeView");
  ASSERT_TRUE(PaletteVisible());
  const int32_t tall = main_form->Height();
  for (const bool visible_after : {false, true}) {
    SCOPED_TRACE(visible_after ? "second click" : "first click");
    // Out of place, so that the click's own layout shows (no tick in between).
    session_->Do("move EditWindow_0 300 300");
    session_->Do("move ObjectTreeView 400 400");
    ClickComponents();
    EXPECT_EQ(PaletteVisible(), visible_after);
    if (visible_after)
      EXPECT_EQ(main_form->Height(), tall);
    else
      EXPECT_LT(main_form->Height(), tall);
    EXPECT_EQ(editor->Top(), main_form->Height()) << "the editor follows the main window";
    EXPECT_EQ(tree->Top(), main_form->Height()) << "so does the inspector column";
    EXPECT_EQ(tree->Left(), main_form->Left());
    ASSERT_NE(host::Screen->ActiveForm(), nullptr);
    EXPECT_EQ(host::Screen->ActiveForm()->Name(), "EditWindow_0") << "the editor has the focus";
  }
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_F(ButtonBar, PaletteCommandIsFoundByItsExactNameOnly) {
  ASSERT_NO_FATAL_FAILURE(Start());
  host::TForm* main_form = Form("AppBuilder");
  host::TComponent* command = main_form->FindComponent("ViewPaletteCommand");
  ASSERT_NE(command, nullptr);
  command->SetName("viewpalettecommand");
  session_->Do("move EditWindow_0 300 300");
  ClickComponents();
  EXPECT_TRUE(PaletteVisible()) << "another letter case is not the command";
  EXPECT_EQ(Form("EditWindow_0")->Left(), 300) << "nothing else happens either";
  EXPECT_EQ(Form("EditWindow_0")->Top(), 300);
  EXPECT_EQ(host::Screen->ActiveForm(), Bar()) << "the focus stays where the click put it";

  // A look-alike before the real command is passed over.
  struct Probe : host::TObject {
    int runs = 0;
    void Run(host::TObject*) { ++runs; }
  } probe;
  command->SetName("ViewPaletteCommand");
  auto* decoy = new host::TAction(main_form);
  decoy->SetName("viewpalettecommand");
  decoy->SetOnExecute(host::TNotifyEvent(&probe, &Probe::Run));
  main_form->RemoveComponent(command);
  main_form->InsertComponent(command);  // now after the decoy
  ClickComponents();
  EXPECT_FALSE(PaletteVisible());
  EXPECT_EQ(probe.runs, 0);
  delete decoy;
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_F(ButtonBar, PaletteCommandThatIsNoActionIsReportedNotRun) {
  ASSERT_NO_FATAL_FAILURE(Start());
  host::TForm* main_form = Form("AppBuilder");
  main_form->FindComponent("ViewPaletteCommand")->SetName("ViewPaletteAction");
  auto* impostor = new host::TPanel(main_form);
  impostor->SetName("ViewPaletteCommand");
  ClickComponents();
  ASSERT_EQ(Ide().Errors().size(), 1u);
  EXPECT_EQ(Ide().Errors()[0].ClassName, "EInvalidCast");
  EXPECT_EQ(Ide().Errors()[0].Message, "Invalid class typecast");
  EXPECT_TRUE(PaletteVisible());
  delete impostor;
}

TEST_F(ButtonBar, HiddenEditorRefusesTheFocusAfterThePaletteWasToggled) {
  ASSERT_NO_FATAL_FAILURE(Start());
  session_->Do("close EditWindow_0");
  ASSERT_FALSE(Form("EditWindow_0")->Visible());
  ClickComponents();
  EXPECT_FALSE(PaletteVisible()) << "toggled before the focus request";
  ASSERT_EQ(Ide().Errors().size(), 1u);
  EXPECT_EQ(Ide().Errors()[0].ClassName, "EInvalidOperation");
  EXPECT_EQ(Ide().Errors()[0].Message, "Cannot focus a disabled or invisible window");
}

// ---- The unit's sections ---------------------------------------------------------

struct DeactivateProbe : host::TObject {
  int calls = 0;
  void Deactivated(host::TObject*) { ++calls; }
};

TEST_F(ButtonBar, ApplicationEventsAreTakenOverAndGivenBackExactly) {
  for (const bool with_deactivate : {false, true}) {
    SCOPED_TRACE(with_deactivate ? "the IDE had a deactivate handler" : "it had none");
    Prepare();
    DeactivateProbe probe;
    const host::TNotifyEvent probe_slot(&probe, &DeactivateProbe::Deactivated);
    if (with_deactivate) host::Application->SetOnDeactivate(probe_slot);
    session_->StartUp();
    const host::TNotifyEvent ide_activate(&Ide(), &ide::Ide::ApplicationActivate);
    EXPECT_EQ(EventHolder("on_activate"), "fleetforge");
    EXPECT_EQ(EventHolder("on_deactivate"), "fleetforge");
    // The handlers found at load stay silent meanwhile.
    session_->Do("deactivate");
    session_->Do("activate");
    EXPECT_EQ(probe.calls, 0);
    EXPECT_EQ(Ide().Activations(), 0);

    session_->Do("unload");
    EXPECT_TRUE(host::Application->OnActivate() == ide_activate);
    if (with_deactivate)
      EXPECT_TRUE(host::Application->OnDeactivate() == probe_slot);
    else
      EXPECT_FALSE(host::Application->OnDeactivate()) << "an empty one stays empty";
    EXPECT_EQ(Ide().FindForm(kBar), nullptr) << "the bar is freed";
    // Nothing of the unloaded module is called any more.
    session_->Do("deactivate");
    session_->Do("activate");
    session_->Do("wait 3000");
    EXPECT_EQ(probe.calls, with_deactivate ? 1 : 0);
    EXPECT_EQ(Ide().Activations(), 1);
    EXPECT_TRUE(Ide().Errors().empty());
    session_.reset();
  }
}

TEST_F(ButtonBar, SecondInitialisationMakesNoSecondBar) {
  ASSERT_NO_FATAL_FAILURE(Start());
  const auto section = [&](const char* name) {
    return reinterpret_cast<void (*)()>(const_cast<void*>(host::GetProcAddress(
        Ide().Package(), std::string("FleetforgeDelphiMainForm.") + name + "()")));
  };
  const auto bars = [] {
    int n = 0;
    for (int32_t i = 0; i < host::Screen->FormCount(); ++i)
      n += host::Screen->Forms(i)->Name() == kBar ? 1 : 0;
    return n;
  };
  host::TForm* first = Bar();
  section("Initialization")();
  EXPECT_EQ(bars(), 1);
  section("Finalization")();
  EXPECT_EQ(Bar(), first) << "the matching finalisation leaves it";
  EXPECT_EQ(EventHolder("on_activate"), "fleetforge");
  session_->Do("unload");
  EXPECT_EQ(bars(), 0);
}

TEST_F(ButtonBar, DormantModeHasNoBarAndLeavesTheEventsAlone) {
  Prepare(true, {.LoadAtStartUp = false});
  session_->StartUp();
  const host::TNotifyEvent activate = host::Application->OnActivate();
  session_->QueueInput("key enter");  // the restart notice
  session_->Do("install");
  ASSERT_EQ(ide::AddInView(Ide()).CurrentMode(), ide::Mode::Dormant);
  EXPECT_EQ(Bar(), nullptr);
  const auto* variable = static_cast<host::TObject* const*>(
      Ide().PackageVariable("FleetforgeDelphiMainForm.ffDelphiMainForm"));
  ASSERT_NE(variable, nullptr);
  EXPECT_EQ(*variable, nullptr);
  EXPECT_TRUE(host::Application->OnActivate() == activate);
  EXPECT_FALSE(host::Application->OnDeactivate());
  session_->Do("unload");
  EXPECT_TRUE(host::Application->OnActivate() == activate);
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_F(ButtonBar, TheEightHandlersAreExported) {
  ASSERT_NO_FATAL_FAILURE(Start());
  for (const char* method :
       {"FormCreate", "sbMinimizeClick", "sbCloseClick", "FormShow", "TimerTimer",
        "ApplicationActivate", "ApplicationDeactivate", "sbComponentsClick"}) {
    SCOPED_TRACE(method);
    EXPECT_NE(host::GetProcAddress(Ide().Package(), std::string("FleetforgeDelphiMainForm."
                                                                "TffDelphiMainForm.") +
                                                        method + "(TObject)"),
              nullptr);
  }
}

}  // namespace
