// Forms on the window system: visible versus shown, focus, the modal loop and its
// input, Enter and Esc, Close, window states; the application's activation,
// message boxes and minimising; the screen's list of forms.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/vcl/extctrls.h"
#include "host/vcl/forms.h"
#include "host/vcl/stdctrls.h"
#include "tests/vcl/host_fixture.h"

namespace {

using host::TButton;
using host::TForm;
using host::TRect;
using host_test::EventLog;
using host_test::ExpectHostError;

class Forms : public host_test::HostTest {
 protected:
  void TearDown() override {
    forms_.clear();
    HostTest::TearDown();
  }
  TForm* MakeForm(const char* name, const TRect& bounds = {100, 100, 400, 300}) {
    forms_.push_back(std::make_unique<TForm>(nullptr));
    TForm* f = forms_.back().get();
    f->SetName(name);
    f->SetCaption(name);
    f->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    return f;
  }
  TButton* MakeButton(TForm* form, const char* caption, host::TModalResult result,
                      const TRect& bounds = {10, 10, 85, 35}) {
    auto* b = new TButton(form);
    b->SetParent(form);
    b->SetCaption(caption);
    b->SetModalResult(result);
    b->SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    return b;
  }
  // The user's next actions, one per round of a modal loop.
  void QueueInput(std::function<void()> action) {
    input_.push_back(std::move(action));
    app_.SetModalInput([this] {
      if (input_.empty()) return false;
      auto next = std::move(input_.front());
      input_.pop_front();
      next();
      return true;
    });
  }
  static TForm* Active() { return host::Screen->ActiveForm(); }

  std::vector<std::unique_ptr<TForm>> forms_;
  std::deque<std::function<void()>> input_;
};

// ---- Visible and shown ----------------------------------------------------------------

TEST_F(Forms, FormKeepsItsBoundsUntilItsWindowExists) {
  TForm* f = MakeForm("Editor", {10, 20, 510, 420});
  EXPECT_FALSE(f->Visible());
  EXPECT_FALSE(f->HandleAllocated()) << "no window yet";
  EXPECT_FALSE(f->Shown());
  const host::HWND h = f->Handle();
  ASSERT_TRUE(Desktop().IsWindow(h));
  EXPECT_EQ(Desktop().Info(h)->Bounds, (TRect{10, 20, 510, 420}));
  EXPECT_FALSE(f->Shown()) << "asking for the handle does not show the window";
  f->SetBounds(0, 0, 300, 200);
  EXPECT_EQ(Desktop().Info(h)->Bounds, (TRect{0, 0, 300, 200}));
  f->SetEnabled(false);
  EXPECT_FALSE(Desktop().Info(h)->Enabled);
}

TEST_F(Forms, ShowAndHide) {
  TForm* a = MakeForm("A");
  TForm* b = MakeForm("B");
  a->SetOnShow({&log_, &EventLog::Show});
  a->Show();
  EXPECT_TRUE(a->Visible());
  EXPECT_TRUE(a->Shown());
  EXPECT_TRUE(a->Active());
  b->Show();
  EXPECT_EQ(Active(), b);
  a->Show();  // to the front again; OnShow only when it becomes visible
  EXPECT_EQ(Active(), a);
  EXPECT_EQ(log_.Count("show"), 1u);
  a->Hide();
  EXPECT_FALSE(a->Visible());
  EXPECT_FALSE(a->Shown());
  EXPECT_EQ(Active(), b);
  a->Show();
  EXPECT_EQ(log_.Count("show"), 2u);
}

TEST_F(Forms, HidingTheWindowDirectlyLeavesVisibleTrue) {
  TForm* main = MakeForm("AppBuilder", {0, 0, 1024, 100});
  TForm* bar = MakeForm("ffDelphiMainForm", {979, 0, 1024, 15});
  main->Show();
  bar->Show();
  ASSERT_TRUE(bar->Active());
  host::ShowWindow(bar->Handle(), host::SW_HIDE);
  EXPECT_TRUE(bar->Visible()) << "the form's own state";
  EXPECT_FALSE(bar->Shown()) << "its window is off the screen";
  EXPECT_EQ(Active(), main) << "another window is activated";
  EXPECT_EQ(Desktop().Click(1000, 5), main->Handle()) << "the click goes to the window behind";
  bar->Show();  // Visible already, but the window comes back
  EXPECT_TRUE(bar->Shown());
}

TEST_F(Forms, StayOnTopFormIsInTheTopMostBand) {
  TForm* main = MakeForm("Main");
  TForm* tool = MakeForm("Tool");
  tool->SetFormStyle(host::fsStayOnTop);  // before its window exists
  tool->Show();
  main->Show();
  EXPECT_EQ(Desktop().ZOrder(), (std::vector<host::HWND>{tool->Handle(), main->Handle()}));
  tool->SetFormStyle(host::fsNormal);
  main->Show();
  EXPECT_EQ(Desktop().ZOrder(), (std::vector<host::HWND>{main->Handle(), tool->Handle()}));
}

TEST_F(Forms, ClickOnAFormReachesTheControlUnderIt) {
  TForm* f = MakeForm("Dialog", {100, 100, 400, 300});
  f->SetBorderStyle(host::bsDialog);
  TButton* ok = MakeButton(f, "OK", host::mrOk, {10, 10, 85, 35});
  ok->SetOnClick({&log_, &EventLog::ClickA});
  f->SetOnClick({&log_, &EventLog::ClickB});
  f->Show();
  const host::TPoint origin = ok->ScreenOrigin();
  EXPECT_EQ(origin.X, 100 + 3 + 10) << "dialog frame 3";
  EXPECT_EQ(origin.Y, 100 + 3 + 19 + 10) << "dialog frame 3, caption 19";
  Desktop().Click(origin.X + 5, origin.Y + 5);
  Desktop().Click(100 + 150, 100 + 10);   // the caption bar
  Desktop().Click(100 + 150, 100 + 150);  // the bare client area
  EXPECT_EQ(log_.Names(), (std::vector<std::string>{"clickA", "clickB"}));
  EXPECT_EQ(f->ModalResult(), host::mrOk) << "the button set its form's modal result";
}

// ---- Focus ------------------------------------------------------------------------

TEST_F(Forms, SetFocusNeedsAVisibleEnabledForm) {
  TForm* a = MakeForm("A");
  TForm* b = MakeForm("B");
  const char* kMessage = "Cannot focus a disabled or invisible window";
  ExpectHostError<host::EInvalidOperation>([&] { a->SetFocus(); }, kMessage);
  a->Show();
  b->Show();
  a->SetEnabled(false);
  ExpectHostError<host::EInvalidOperation>([&] { a->SetFocus(); }, kMessage);
  EXPECT_EQ(Active(), b) << "the failed call changed nothing";
  a->SetEnabled(true);
  a->SetFocus();
  EXPECT_EQ(Active(), a);
  a->Hide();
  ExpectHostError<host::EInvalidOperation>([&] { a->SetFocus(); }, kMessage);
}

// ---- The modal loop -----------------------------------------------------------------

TEST_F(Forms, ShowModalOnAVisibleFormRaises) {
  TForm* f = MakeForm("Options");
  f->Show();
  ExpectHostError<host::EInvalidOperation>([&] { f->ShowModal(); },
                                           "Cannot make a visible window modal");
  EXPECT_TRUE(f->Visible());
  EXPECT_FALSE(f->Modal());
}

TEST_F(Forms, ModalLoopWithoutInputRaisesInsteadOfHanging) {
  TForm* main = MakeForm("Main");
  TForm* other = MakeForm("Other");
  TForm* already_disabled = MakeForm("Disabled");
  main->Show();
  already_disabled->SetEnabled(false);
  TForm* dialog = MakeForm("Options");
  ExpectHostError<host::EInvalidOperation>(
      [&] { dialog->ShowModal(); },
      "The modal window \"Options\" is waiting for input, and none is left");
  EXPECT_FALSE(dialog->Modal());
  EXPECT_FALSE(dialog->Visible());
  EXPECT_TRUE(main->Enabled()) << "the other forms are enabled again";
  EXPECT_TRUE(other->Enabled());
  EXPECT_FALSE(already_disabled->Enabled()) << "but not one that was disabled before";
  EXPECT_EQ(Active(), main);
}

TEST_F(Forms, EnterPressesTheDefaultButtonAndEscTheCancelButton) {
  struct Case {
    const char* key;
    host::TModalResult result;
    const char* clicked;
  };
  const Case cases[] = {{"enter", host::mrOk, "clickA"}, {"escape", host::mrCancel, "clickB"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    log_.entries.clear();
    TForm* main = MakeForm("Main");
    main->Show();
    TForm* dialog = MakeForm("Dialog");
    TButton* ok = MakeButton(dialog, "OK", host::mrOk);
    ok->SetDefault(true);
    ok->SetOnClick({&log_, &EventLog::ClickA});
    TButton* cancel = MakeButton(dialog, "Cancel", host::mrCancel, {100, 10, 175, 35});
    cancel->SetCancel(true);
    cancel->SetOnClick({&log_, &EventLog::ClickB});
    bool others_disabled = false;
    host::TModalResult result_in_on_click = -1;
    QueueInput([&] {
      others_disabled = !main->Enabled();
      EXPECT_EQ(Active(), dialog);
      EXPECT_TRUE(dialog->Modal());
      std::string(c.key) == "enter" ? Active()->KeyEnter() : Active()->KeyEscape();
      result_in_on_click = dialog->ModalResult();
    });
    EXPECT_EQ(dialog->ShowModal(), c.result);
    EXPECT_EQ(result_in_on_click, c.result) << "the modal result is set before OnClick returns";
    EXPECT_EQ(log_.Names(), (std::vector<std::string>{c.clicked}));
    EXPECT_TRUE(others_disabled) << "the other forms were disabled during the modal loop";
    EXPECT_TRUE(main->Enabled());
    EXPECT_FALSE(dialog->Visible());
    EXPECT_EQ(Active(), main);
    forms_.clear();
  }
}

TEST_F(Forms, AFormTheModalLoopDisabledIsShownButNotActivated) {
  TForm* main = MakeForm("Main", {0, 0, 1024, 100});
  TForm* manager = MakeForm("ProjectManagerForm", {0, 400, 240, 720});
  main->Show();
  TForm* dialog = MakeForm("Dialog", {300, 300, 600, 500});
  TButton* ok = MakeButton(dialog, "OK", host::mrOk);
  ok->SetDefault(true);
  // Shown while the dialog is open (as the layout's tick shows a closed Project
  // Manager again), by Visible, by Show, and by a z-order call that activates.
  const std::function<void()> shows[] = {
      [&] { manager->SetVisible(true); }, [&] { manager->Show(); },
      [&] {
        host::SetWindowPos(manager->Handle(), host::HWND_TOP, 0, 0, 0, 0,
                           host::SWP_NOSIZE | host::SWP_NOMOVE | host::SWP_SHOWWINDOW);
      }};
  for (const auto& show : shows) {
    manager->Hide();
    QueueInput([&] {
      show();
      EXPECT_TRUE(manager->Shown());
      EXPECT_EQ(Active(), dialog) << "the disabled form is not activated";
      EXPECT_EQ(Desktop().ZOrder().front(), dialog->Handle()) << "nor put over the dialog";
      Desktop().Click(10, 500);  // on the disabled form: nothing
      EXPECT_EQ(Active(), dialog);
      Active()->KeyEnter();  // the key goes to the dialog
    });
    EXPECT_EQ(dialog->ShowModal(), host::mrOk);
    EXPECT_EQ(Active(), main) << "the form active before comes back";
    Desktop().Activate(manager->Handle());
    EXPECT_EQ(Active(), manager) << "enabled again, it can be activated";
    main->SetFocus();
  }
}

TEST_F(Forms, ClosingAModalFormGivesCancel) {
  TForm* dialog = MakeForm("Dialog");
  dialog->SetOnClose({&log_, &EventLog::Close});
  QueueInput([&] { dialog->Close(); });
  EXPECT_EQ(dialog->ShowModal(), 2);
  EXPECT_EQ(log_.Names(), (std::vector<std::string>{"close"}));
}

TEST_F(Forms, ModalLoopRunsUntilAModalResultIsSet) {
  TForm* dialog = MakeForm("Dialog");
  TButton* plain = MakeButton(dialog, "Apply", host::mrNone);
  plain->SetDefault(true);
  TButton* yes = MakeButton(dialog, "Yes", host::mrYes, {100, 10, 175, 35});
  int rounds = 0;
  QueueInput([&] {  // no modal result: the loop goes on
    ++rounds;
    dialog->KeyEnter();
  });
  QueueInput([&] {  // no cancel button: nothing
    ++rounds;
    dialog->KeyEscape();
  });
  QueueInput([&] {
    ++rounds;
    yes->Click();
  });
  EXPECT_EQ(dialog->ShowModal(), host::mrYes);
  EXPECT_EQ(rounds, 3);
  // Shown again later, it starts without a result.
  QueueInput([&] { dialog->SetModalResult(host::mrAbort); });
  EXPECT_EQ(dialog->ShowModal(), host::mrAbort);
}

TEST_F(Forms, EnterSkipsHiddenAndDisabledDefaultButtons) {
  TForm* f = MakeForm("F");
  TButton* hidden = MakeButton(f, "Hidden", host::mrOk);
  hidden->SetDefault(true);
  hidden->Hide();
  TButton* disabled = MakeButton(f, "Disabled", host::mrAbort);
  disabled->SetDefault(true);
  disabled->SetEnabled(false);
  f->KeyEnter();
  EXPECT_EQ(f->ModalResult(), host::mrNone);
  // A default button inside a panel is found too.
  auto* panel = new host::TPanel(f);
  panel->SetParent(f);
  TButton* inner = MakeButton(f, "Inner", host::mrRetry);
  inner->SetParent(panel);
  inner->SetDefault(true);
  f->KeyEnter();
  EXPECT_EQ(f->ModalResult(), host::mrRetry);
}

TEST_F(Forms, CloseHidesAFormAndEndsTheApplicationForTheMainForm) {
  TForm* main = MakeForm("Main");
  TForm* tool = MakeForm("Tool");
  app_.SetMainForm(main);
  main->Show();
  tool->Show();
  tool->Close();
  EXPECT_FALSE(tool->Visible());
  EXPECT_FALSE(app_.Terminated());
  main->Close();
  EXPECT_TRUE(app_.Terminated());
}

TEST_F(Forms, TerminatingDuringAModalLoopEndsItWithCancel) {
  TForm* dialog = MakeForm("Dialog");
  QueueInput([&] { app_.Terminate(); });
  EXPECT_EQ(dialog->ShowModal(), host::mrCancel);
}

// ---- Window states ---------------------------------------------------------------

TEST_F(Forms, MaximisedFormCoversTheWorkAreaAndRestoresItsBounds) {
  Desktop().Reset({1280, 1024, host::TaskbarEdge::Top, 30});
  TForm* f = MakeForm("Editor", {50, 60, 450, 360});
  f->Show();
  f->SetWindowState(host::wsMaximized);
  // The frame lies outside the work area: (0, 30, 1280, 1024) grown by 4 each side.
  EXPECT_EQ(f->BoundsRect(), (TRect{-4, 26, 1284, 1028}));
  EXPECT_EQ(f->Width(), host::GetSystemMetrics(host::SM_CXMAXIMIZED));
  EXPECT_EQ(Desktop().Info(f->Handle())->Bounds, f->BoundsRect());
  // Placed where it is told, it stays maximised; that is also where it goes
  // when restored.
  f->SetBounds(10, 10, 100, 100);
  EXPECT_EQ(f->BoundsRect(), (TRect{10, 10, 110, 110}));
  EXPECT_EQ(f->WindowState(), host::wsMaximized);
  EXPECT_EQ(Desktop().Info(f->Handle())->Bounds, f->BoundsRect());
  f->SetWindowState(host::wsNormal);
  EXPECT_EQ(f->BoundsRect(), (TRect{10, 10, 110, 110}));
}

TEST_F(Forms, RestoringAMinimisedFormThatWasMaximisedGivesItsNormalBounds) {
  TForm* f = MakeForm("Editor", {50, 60, 450, 360});
  f->Show();
  f->SetWindowState(host::wsMaximized);
  f->SetWindowState(host::wsMinimized);
  EXPECT_TRUE(Desktop().Info(f->Handle())->Minimized);
  f->SetWindowState(host::wsNormal);
  EXPECT_FALSE(Desktop().Info(f->Handle())->Minimized);
  EXPECT_EQ(f->BoundsRect(), (TRect{50, 60, 450, 360}));
  // Minimised from normal and maximised from there: the normal bounds come back too.
  f->SetWindowState(host::wsMinimized);
  f->SetWindowState(host::wsMaximized);
  EXPECT_EQ(f->BoundsRect(), (TRect{-4, -4, 1028, 742}));
  f->SetWindowState(host::wsNormal);
  EXPECT_EQ(f->BoundsRect(), (TRect{50, 60, 450, 360}));
  // A placement while minimised from maximised is where it goes when restored.
  f->SetWindowState(host::wsMaximized);
  f->SetWindowState(host::wsMinimized);
  f->SetBounds(20, 30, 200, 100);
  EXPECT_EQ(f->BoundsRect(), (TRect{-4, -4, 1028, 742}));
  f->SetWindowState(host::wsNormal);
  EXPECT_EQ(f->BoundsRect(), (TRect{20, 30, 220, 130}));
}

TEST_F(Forms, ClientAreaFollowsTheBorderStyleAndMenu) {
  TForm* f = MakeForm("F", {0, 0, 300, 200});
  struct Case {
    host::TFormBorderStyle style;
    int32_t frame, caption;
  };
  const Case cases[] = {{host::bsNone, 0, 0},        {host::bsSingle, 3, 19},
                        {host::bsSizeable, 4, 19},   {host::bsDialog, 3, 19},
                        {host::bsToolWindow, 3, 15}, {host::bsSizeToolWin, 4, 15}};
  for (const Case& c : cases) {
    SCOPED_TRACE(host::BorderStyleName(c.style));
    f->SetBorderStyle(c.style);
    EXPECT_EQ(f->ClientWidth(), 300 - 2 * c.frame);
    EXPECT_EQ(f->ClientHeight(), 200 - 2 * c.frame - c.caption);
    EXPECT_EQ(f->ClientOrigin().Y, c.frame + c.caption);
  }
  host::TMainMenu menu(nullptr);
  f->SetMenu(&menu);
  f->SetBorderStyle(host::bsSizeable);
  EXPECT_EQ(f->ClientHeight(), 200 - 8 - 19 - 19);
  f->SetClientHeight(100);
  EXPECT_EQ(f->Height(), 100 + 8 + 19 + 19);
  f->SetMenu(nullptr);
}

// ---- Lifetime and the screen ----------------------------------------------------------

TEST_F(Forms, ScreenListsFormsInCreationOrder) {
  TForm* a = MakeForm("A");
  TForm* b = MakeForm("B");
  TForm* c = MakeForm("C");
  ASSERT_EQ(screen_.FormCount(), 3);
  EXPECT_EQ(screen_.Forms(0), a);
  EXPECT_EQ(screen_.Forms(1), b);
  EXPECT_EQ(screen_.Forms(2), c);
  c->Show();
  a->Show();  // activation does not reorder the list
  EXPECT_EQ(screen_.Forms(0), a);
  EXPECT_EQ(screen_.ActiveForm(), a);
  forms_.erase(forms_.begin() + 1);
  ASSERT_EQ(screen_.FormCount(), 2);
  EXPECT_EQ(screen_.Forms(1), c);
  ExpectHostError<host::EListError>([&] { screen_.Forms(2); }, "List index out of bounds (2)");
  EXPECT_EQ(screen_.Height(), 768);
  EXPECT_EQ(screen_.Width(), 1024);
}

TEST_F(Forms, DestroyedFormTakesItsWindowAndControlsAlong) {
  TForm* main = MakeForm("Main");
  TForm* tool = MakeForm("Tool");
  app_.SetMainForm(tool);
  MakeButton(tool, "OK", host::mrOk);
  main->Show();
  tool->Show();
  const host::HWND h = tool->Handle();
  forms_.pop_back();
  EXPECT_FALSE(Desktop().IsWindow(h));
  EXPECT_EQ(Active(), main);
  EXPECT_EQ(app_.MainForm(), nullptr);
  EXPECT_EQ(screen_.FormCount(), 1);
}

// ---- The application -----------------------------------------------------------------

TEST_F(Forms, ApplicationEventsFireOnlyOnAChange) {
  app_.SetOnActivate({&log_, &EventLog::Activate});
  app_.SetOnDeactivate({&log_, &EventLog::Deactivate});
  ASSERT_TRUE(app_.Active());
  const bool steps[] = {true, false, false, true, true, false};
  for (bool active : steps) app_.SetActive(active);
  EXPECT_EQ(log_.Names(), (std::vector<std::string>{"deactivate", "activate", "deactivate"}));
  for (const auto& e : log_.entries) EXPECT_EQ(e.second, &app_);
}

TEST_F(Forms, MinimizeMinimisesEveryWindowAndActivationRestores) {
  TForm* main = MakeForm("Main");
  TForm* own = MakeForm("Own");
  main->Show();
  own->Show();
  own->SetWindowState(host::wsMinimized);
  app_.Minimize();
  EXPECT_TRUE(app_.Minimized());
  EXPECT_TRUE(Desktop().Info(main->Handle())->Minimized);
  EXPECT_EQ(Desktop().Click(200, 200), 0u) << "minimised windows take no click";
  app_.SetActive(false);
  app_.SetActive(true);
  EXPECT_FALSE(app_.Minimized());
  EXPECT_FALSE(Desktop().Info(main->Handle())->Minimized);
  EXPECT_TRUE(Desktop().Info(own->Handle())->Minimized) << "a form minimised on its own stays so";
}

TEST_F(Forms, MessageBoxIsAModalBoxWithAnOkButton) {
  TForm* main = MakeForm("Main");
  main->Show();
  std::string seen_caption;
  QueueInput([&] {
    ASSERT_NE(Active(), nullptr);
    seen_caption = Active()->Caption();
    EXPECT_FALSE(main->Enabled());
    Active()->KeyEnter();
  });
  EXPECT_EQ(app_.MessageBox("Please restart Delphi to activate Fleetforge!", "Fleetforge", 0),
            host::IDOK);
  EXPECT_EQ(seen_caption, "Fleetforge");
  ASSERT_EQ(app_.MessagesShown().size(), 1u);
  EXPECT_EQ(app_.MessagesShown()[0].Text, "Please restart Delphi to activate Fleetforge!");
  EXPECT_EQ(app_.MessagesShown()[0].Caption, "Fleetforge");
  EXPECT_EQ(screen_.FormCount(), 1) << "the box is gone";
  EXPECT_TRUE(main->Enabled());
  EXPECT_EQ(Active(), main);

  // Closed with Esc or its close box it answers OK as well; with no input it fails loudly.
  QueueInput([&] { Active()->KeyEscape(); });
  EXPECT_EQ(app_.MessageBox("Text", "Caption", 0), host::IDOK);
  QueueInput([&] { Active()->Close(); });
  EXPECT_EQ(app_.MessageBox("Text", "Caption", 0), host::IDOK);
  ExpectHostError<host::EInvalidOperation>(
      [&] { app_.MessageBox("Text", "Caption", 0); },
      "The modal window \"Caption\" is waiting for input, and none is left");
  EXPECT_EQ(screen_.FormCount(), 1);
  EXPECT_EQ(app_.MessagesShown().size(), 4u);
}

}  // namespace

namespace {

TEST_F(Forms, SettingVisibleOnAVisibleFormActivatesNothing) {
  TForm* manager = MakeForm("ProjectManagerForm", {0, 400, 240, 720});
  TForm* editor = MakeForm("EditWindow_0", {240, 100, 1024, 720});
  manager->Show();
  editor->Show();
  ASSERT_EQ(Active(), editor);
  manager->SetVisible(true);  // as the layout's tick does every second
  EXPECT_EQ(Active(), editor) << "the editor keeps the focus";
  manager->Show();
  EXPECT_EQ(Active(), manager) << "Show brings the form to the front";
}

}  // namespace

// The window's styles carry the border style and icons both ways, and a form
// keeps its window's styles, caption and bounds in step with its properties; a
// window moved by someone else moves its form.
TEST_F(Forms, TheWindowCarriesTheFormsBorderCaptionAndBounds) {
  for (const auto& style : host::kBorderStyleNames)
    for (const host::TBorderIcons icons :
         {host::TBorderIcons{0}, host::TBorderIcons{host::biSystemMenu},
          host::TBorderIcons{host::biSystemMenu | host::biMinimize | host::biMaximize},
          host::TBorderIcons{host::biSystemMenu | host::biHelp}}) {
      const host::WindowStyle s = host::FormWindowStyle(style.Value, icons);
      EXPECT_EQ(host::BorderStyleOfWindow(s), style.Value) << style.Name;
      EXPECT_EQ(host::BorderIconsOfWindow(s), icons) << style.Name;
    }
  TForm* f = MakeForm("Styled");
  const host::HWND h = f->Handle();
  const auto window = [&] { return Desktop().Info(h).value(); };
  EXPECT_EQ(host::BorderStyleOfWindow(window().Styles), host::bsSizeable);
  f->SetBorderStyle(host::bsToolWindow);
  EXPECT_EQ(host::BorderStyleOfWindow(window().Styles), host::bsToolWindow);
  f->SetBorderIcons(host::biSystemMenu);
  EXPECT_EQ(host::BorderIconsOfWindow(window().Styles), host::TBorderIcons{host::biSystemMenu});
  f->SetWindowState(host::wsMinimized);
  EXPECT_TRUE(window().Iconic);
  f->SetWindowState(host::wsNormal);
  EXPECT_FALSE(window().Iconic);
  Desktop().SetWindowPos(h, 0, 5, 6, 200, 100, host::SWP_NOZORDER | host::SWP_NOACTIVATE);
  EXPECT_EQ(f->BoundsRect(), (TRect{5, 6, 205, 106}));
  EXPECT_EQ(window().Bounds, f->BoundsRect());
}
