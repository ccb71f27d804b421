// The options dialog and the Tools-menu command that runs it, driven through the
// real package in the reference IDE: what the dialog shows, the keys that end
// it, what OK stores and applies, what Cancel leaves alone, a height that is
// not a number, the dormant mode, and the entry's removal at unload.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/rtl/modules.h"
#include "host/vcl/comctrls.h"
#include "host/vcl/extctrls.h"
#include "host/vcl/registry.h"
#include "host/vcl/stdctrls.h"
#include "ide/addin.h"
#include "tests/support/ide_session.h"

namespace {

using fleetforge_test::ScratchFolder;
using fleetforge_test::StoreOptions;
using nlohmann::json;

constexpr const char* kKey = "\\Software\\Borland\\Delphi\\7.0\\Fleetforge";
constexpr const char* kOpen = "menu Tools>Fleetforge Options...";

struct Stored {
  bool CloseDefault, HideCaptions, MaximizeEditor, CreateCompDate, ChangeIcon;
  int32_t Height;
  bool operator==(const Stored&) const = default;
};

void PrintTo(const Stored& s, std::ostream* os) {
  *os << "{" << s.CloseDefault << s.HideCaptions << s.MaximizeEditor << s.CreateCompDate
      << s.ChangeIcon << ", " << s.Height << "}";
}

// The six values in the registry, or nothing when the key is absent.
std::optional<Stored> ReadStored() {
  host::TRegistry registry;
  if (!registry.OpenKey(kKey, false)) return std::nullopt;
  return Stored{registry.ReadBool("CloseDefault"),   registry.ReadBool("HideCaptions"),
                registry.ReadBool("MaximizeEditor"), registry.ReadBool("CreateCompDate"),
                registry.ReadBool("ChangeIcon"),     registry.ReadInteger("ObjectInspectorHeight")};
}

class OptionsDialog : public fleetforge_test::SessionTest {
 protected:
  // A session whose "state" action runs on_state_ (while the dialog is open,
  // it looks at the dialog).
  void Start(bool loadAtStartUp = true) {
    ide::SessionOptions options;
    options.Ide.Screen = {1024, 768, host::TaskbarEdge::Bottom, 30};
    options.Ide.PackageFile = loadAtStartUp ? FLEETFORGE_DEFAULT_PACKAGE : "";
    options.PackageToInstall = FLEETFORGE_DEFAULT_PACKAGE;
    options.Ide.ProjectsFolder = ScratchFolder("dialog-projects");
    options.OnState = [this](const json&) {
      if (on_state_) on_state_();
    };
    session_ = std::make_unique<ide::Session>(std::move(options));
    session_->StartUp();
  }

  // A new session over a new in-memory registry, with stored written first.
  void StartFresh(const std::optional<Stored>& stored = std::nullopt) {
    session_.reset();
    host::RegistryLocation::UseMemory();
    if (stored)
      StoreOptions({.CloseDefault = stored->CloseDefault,
                    .HideCaptions = stored->HideCaptions,
                    .MaximizeEditor = stored->MaximizeEditor,
                    .CreateCompDate = stored->CreateCompDate,
                    .ChangeIcon = stored->ChangeIcon,
                    .ObjectInspectorHeight = stored->Height});
    Start();
  }

  ide::Ide& Ide() { return session_->GetIde(); }

  // Opens the dialog, performs the input lines in it, and returns when the
  // command has finished.
  void RunDialog(const std::string& input) {
    session_->QueueInput(input);
    session_->Do(kOpen);
  }

  // Opens the dialog and hands it to look while it is open; then presses Esc.
  void LookAtDialog(const std::function<void(host::TForm&)>& look) {
    bool looked = false;
    on_state_ = [&] {
      host::TForm* dialog = host::Screen->ActiveForm();
      ASSERT_NE(dialog, nullptr);
      look(*dialog);
      looked = true;
    };
    RunDialog("state\nkey esc");
    on_state_ = nullptr;
    EXPECT_TRUE(looked);
  }

  json Options() const { return session_->State()["options"]; }

  host::TForm* PackageForm(const char* variable) {
    auto* slot = static_cast<host::TForm* const*>(Ide().PackageVariable(variable));
    return slot != nullptr ? *slot : nullptr;
  }
  host::TForm* Bar() { return PackageForm("FleetforgeDelphiMainForm.ffDelphiMainForm"); }
  host::TForm* DialogVariable() { return PackageForm("FleetforgeOptions.fmOptions"); }

  std::vector<host::TForm*> DialogsOnScreen() const {
    std::vector<host::TForm*> dialogs;
    for (int32_t i = 0; i < host::Screen->FormCount(); ++i)
      if (host::Screen->Forms(i)->ClassName() == "TfmOptions")
        dialogs.push_back(host::Screen->Forms(i));
    return dialogs;
  }

  host::TFormBorderStyle Border(const char* form) const {
    host::TForm* f = session_->GetIde().FindForm(form);
    return f != nullptr ? f->BorderStyle() : host::bsSizeable;
  }

  std::function<void()> on_state_;
};

template <class T>
T* Control(host::TForm& form, const char* name) {
  auto* control = dynamic_cast<T*>(form.FindComponent(name));
  EXPECT_NE(control, nullptr) << name;
  return control;
}

// ---- What the dialog shows -----------------------------------------------------------

// The dialog opened over fresh options.
class FreshOptionsDialog : public OptionsDialog {
 protected:
  void SetUp() override {
    OptionsDialog::SetUp();
    Start();
  }
};

TEST_F(FreshOptionsDialog, IsTheModalFormOfTheImageCentredAndFreedWhenItEnds) {
  LookAtDialog([&](host::TForm& dialog) {
    EXPECT_EQ(dialog.ClassName(), "TfmOptions");
    EXPECT_EQ(&dialog, DialogVariable()) << "fmOptions is the dialog being run";
    EXPECT_TRUE(dialog.Modal());
    EXPECT_EQ(dialog.Owner(), host::Application->MainForm());
    EXPECT_EQ(dialog.Caption(), "Fleetforge Options");
    EXPECT_EQ(dialog.BorderStyle(), host::bsDialog);
    EXPECT_EQ(dialog.BorderIcons(), host::TBorderIcons{host::biSystemMenu});
    EXPECT_EQ(dialog.ClientWidth(), 361);
    EXPECT_EQ(dialog.ClientHeight(), 265);
    EXPECT_EQ(dialog.Color(), host::clBtnFace);
    EXPECT_EQ(dialog.Font().Name(), "MS Sans Serif");
    EXPECT_EQ(dialog.Font().Height(), -11);
    EXPECT_EQ(dialog.Font().Charset(), host::DEFAULT_CHARSET);
    EXPECT_EQ(dialog.Font().Color(), host::clWindowText);
    // Centred on the work area (1024 x 738).
    EXPECT_EQ(dialog.Left(), (1024 - dialog.Width()) / 2);
    EXPECT_EQ(dialog.Top(), (738 - dialog.Height()) / 2);
  });
  EXPECT_TRUE(DialogsOnScreen().empty()) << "the command frees the dialog";
  EXPECT_EQ(DialogVariable(), nullptr);
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_F(FreshOptionsDialog, HoldsTheImagesControlsInItsOrderWithTheirPlacesAndTexts) {
  LookAtDialog([&](host::TForm& dialog) {
    struct Row {
      const char* Name;
      const char* Class;
      host::TRect Bounds;
      int TabOrder;  // -1: takes no focus
      const char* Caption;
    };
    const Row rows[] = {
        {"imLogo1", "TImage", {8, 8, 40, 40}, -1, ""},
        {"labVersion", "TLabel", {48, 8, 0, 21}, -1, "Fleetforge7 v0.0.1 (build 18)"},
        {"Bevel1", "TBevel", {8, 48, 353, 57}, -1, ""},
        {"labDate", "TLabel", {0, 8, 354, 21}, -1, "2004/9/29"},
        {"labCopyright", "TLabel", {48, 24, 236, 37}, -1, "Copyright (c) 2004 Fleetforge team"},
        {"Label1", "TLabel", {8, 56, 52, 69}, -1, "Options"},
        {"imLogo2", "TImage", {8, 8, 40, 40}, -1, ""},
        {"Label2", "TLabel", {8, 194, 150, 207}, -1, "Height of the Object Inspector"},
        {"Bevel2", "TBevel", {8, 224, 353, 233}, -1, ""},
        {"imLogo3", "TImage", {8, 8, 40, 40}, -1, ""},
        {"btOK", "TButton", {200, 232, 275, 257}, 7, "OK"},
        {"btCancel", "TButton", {280, 232, 355, 257}, 8, "Cancel"},
        {"ckHideCaptions",
         "TCheckBox",
         {8, 96, 353, 113},
         1,
         "Hide captions from Mainform, Object Inspector and Project Manager"},
        {"ckMaximizeEditor",
         "TCheckBox",
         {8, 120, 353, 137},
         2,
         "Maximize editor form when it is opened"},
        {"ckCreateCompDate",
         "TCheckBox",
         {8, 144, 353, 161},
         3,
         "Enable creating of compdate.pas when compiling Delphi projects"},
        {"ckChangeIcon", "TCheckBox", {8, 168, 353, 185}, 4, "Change Delphi icon"},
        {"ckCloseDefault",
         "TCheckBox",
         {8, 72, 353, 89},
         0,
         "Close the empty standard project at Delphi startup"},
        {"edOIHeight", "TEdit", {160, 192, 209, 213}, 5, "150"},
        {"udOIHeight", "TUpDown", {209, 192, 224, 213}, 6, ""},
    };
    // Created in the image's order, all owned by the form and placed on it.
    ASSERT_EQ(dialog.ComponentCount(), static_cast<int32_t>(std::size(rows)));
    for (size_t i = 0; i < std::size(rows); ++i) {
      const Row& row = rows[i];
      SCOPED_TRACE(row.Name);
      auto* c = dynamic_cast<host::TControl*>(dialog.Components(static_cast<int32_t>(i)));
      ASSERT_NE(c, nullptr);
      EXPECT_EQ(c->Name(), row.Name);
      EXPECT_EQ(c->ClassName(), row.Class);
      EXPECT_EQ(c->Parent(), &dialog);
      EXPECT_EQ(c->Text(), row.Caption);
      EXPECT_EQ(c->Hint(), "");
      EXPECT_EQ(c->Top(), row.Bounds.Top);
      EXPECT_EQ(c->Top() + c->Height(), row.Bounds.Bottom);
      if (row.Bounds.Left != 0) {
        EXPECT_EQ(c->Left(), row.Bounds.Left);
      }
      if (row.Bounds.Right != 0) {
        EXPECT_EQ(c->Left() + c->Width(), row.Bounds.Right);
      }
      auto* w = dynamic_cast<host::TWinControl*>(c);
      EXPECT_EQ(w != nullptr ? w->TabOrder() : -1, row.TabOrder);
    }
  });
}

TEST_F(FreshOptionsDialog, SizesItsLabelsToTheirTextsAndMarksTheDefaultAndCancelButtons) {
  LookAtDialog([&](host::TForm& dialog) {
    // The label texts set by FormCreate size their labels; the date keeps its
    // right edge at 354.
    auto* version = Control<host::TLabel>(dialog, "labVersion");
    auto* date = Control<host::TLabel>(dialog, "labDate");
    EXPECT_EQ(version->Width(),
              host::FontTextWidth("Fleetforge7 v0.0.1 (build 18)", version->Font()));
    EXPECT_EQ(date->Alignment(), host::taRightJustify);
    EXPECT_EQ(date->Width(), host::FontTextWidth("2004/9/29", date->Font()));
    EXPECT_EQ(date->Left(), 354 - date->Width());
    EXPECT_EQ(version->Font().Style(), host::TFontStyles{host::fsBold});
    EXPECT_EQ(Control<host::TLabel>(dialog, "Label1")->Font().Style(),
              host::TFontStyles{host::fsBold});
    EXPECT_EQ(Control<host::TLabel>(dialog, "Label2")->Font().Style(), 0u);
    EXPECT_EQ(Control<host::TBevel>(dialog, "Bevel1")->Shape(), host::bsTopLine);
    EXPECT_EQ(Control<host::TBevel>(dialog, "Bevel2")->Shape(), host::bsTopLine);
    auto* ok = Control<host::TButton>(dialog, "btOK");
    auto* cancel = Control<host::TButton>(dialog, "btCancel");
    EXPECT_TRUE(ok->Default());
    EXPECT_FALSE(ok->Cancel());
    EXPECT_TRUE(cancel->Cancel());
    EXPECT_FALSE(cancel->Default());
  });
}

TEST_F(FreshOptionsDialog, TicksTheTwoSwitchesThatDefaultOnAndShowsTheLowestHeight) {
  LookAtDialog([&](host::TForm& dialog) {
    // Fresh options: the two switches that default on are ticked.
    EXPECT_TRUE(Control<host::TCheckBox>(dialog, "ckCloseDefault")->Checked());
    EXPECT_FALSE(Control<host::TCheckBox>(dialog, "ckHideCaptions")->Checked());
    EXPECT_FALSE(Control<host::TCheckBox>(dialog, "ckMaximizeEditor")->Checked());
    EXPECT_TRUE(Control<host::TCheckBox>(dialog, "ckCreateCompDate")->Checked());
    EXPECT_FALSE(Control<host::TCheckBox>(dialog, "ckChangeIcon")->Checked());
    // The height 0 lies below the up-down's range: it shows its minimum.
    auto* updown = Control<host::TUpDown>(dialog, "udOIHeight");
    EXPECT_EQ(updown->Associate(), dialog.FindComponent("edOIHeight"));
    EXPECT_EQ(updown->Min(), 150);
    EXPECT_EQ(updown->Max(), 800);
    EXPECT_EQ(updown->Position(), 150);
    EXPECT_EQ(Control<host::TEdit>(dialog, "edOIHeight")->Text(), "150");
  });
}

TEST_F(FreshOptionsDialog, ShowsOnlyTheSecondOfItsThreeLogosEachRealArtwork) {
  LookAtDialog([&](host::TForm& dialog) {
    // Only the second logo shows, at (8, 8).
    auto* logo1 = Control<host::TImage>(dialog, "imLogo1");
    auto* logo2 = Control<host::TImage>(dialog, "imLogo2");
    auto* logo3 = Control<host::TImage>(dialog, "imLogo3");
    EXPECT_FALSE(logo1->Visible());
    EXPECT_TRUE(logo2->Visible());
    EXPECT_FALSE(logo3->Visible());
    EXPECT_EQ(dialog.ControlAtPos(8, 8), logo2);
    EXPECT_EQ(dialog.ControlAtPos(39, 39), logo2);
    for (auto* logo : {logo1, logo2, logo3}) {
      EXPECT_TRUE(logo->AutoSize());
      EXPECT_TRUE(logo->Transparent());
    }
    // Real artwork: a 32 x 32 bitmap of 16 bits per pixel, and two icons of
    // 32 x 32 and 16 x 16 in 16 and 256 colours.
    EXPECT_EQ(logo1->Picture().GraphicClassName(), "TBitmap");
    EXPECT_EQ(logo1->Picture().Bitmap().Width(), 32);
    EXPECT_EQ(logo1->Picture().Bitmap().BitCount(), 16);
    EXPECT_NE(logo1->Picture().Bitmap().Pixel(16, 16),
              logo1->Picture().Bitmap().TransparentColor());
    for (auto* logo : {logo2, logo3}) {
      EXPECT_EQ(logo->Picture().GraphicClassName(), "TIcon");
      std::vector<std::tuple<int, int, int>> images;
      for (const auto& im : logo->Picture().IconImages())
        images.emplace_back(im.Width, im.Height, im.BitCount);
      EXPECT_EQ(images, (std::vector<std::tuple<int, int, int>>{
                            {32, 32, 4}, {16, 16, 4}, {32, 32, 8}, {16, 16, 8}}));
    }
    EXPECT_NE(logo2->Picture().Data(), logo3->Picture().Data());
  });
}

TEST_F(OptionsDialog, StoredValuesFillTheControlsAndTheUpDownTakesTheLow16Bits) {
  struct Case {
    int32_t Stored;
    int16_t HandedOver;  // the low 16 bits
    const char* Shown;   // clamped to 150..800
  };
  const Case cases[] = {{400, 400, "400"},   {70000, 4464, "800"}, {40000, -25536, "150"},
                        {65936, 400, "400"}, {-5, -5, "150"},      {800, 800, "800"},
                        {150, 150, "150"},   {-65136, 400, "400"}, {2147483647, -1, "150"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Stored);
    StartFresh(Stored{false, true, true, false, true, c.Stored});
    EXPECT_EQ(Options()["ObjectInspectorHeight"], c.Stored);
    LookAtDialog([&](host::TForm& dialog) {
      EXPECT_EQ(Control<host::TEdit>(dialog, "edOIHeight")->Text(), c.Shown);
      // The up-down clamps what it is handed; the text shows where it landed.
      auto* updown = Control<host::TUpDown>(dialog, "udOIHeight");
      EXPECT_EQ(updown->Position(), std::clamp<int16_t>(c.HandedOver, 150, 800));
      EXPECT_FALSE(Control<host::TCheckBox>(dialog, "ckCloseDefault")->Checked());
      EXPECT_TRUE(Control<host::TCheckBox>(dialog, "ckHideCaptions")->Checked());
      EXPECT_TRUE(Control<host::TCheckBox>(dialog, "ckMaximizeEditor")->Checked());
      EXPECT_FALSE(Control<host::TCheckBox>(dialog, "ckCreateCompDate")->Checked());
      EXPECT_TRUE(Control<host::TCheckBox>(dialog, "ckChangeIcon")->Checked());
    });
    EXPECT_EQ(ReadStored()->Height, c.Stored) << "Esc stores nothing";
  }
}

TEST_F(OptionsDialog, ArrowsStepWithinTheRangeFromWhatWasTyped) {
  StartFresh(Stored{true, false, false, true, false, 799});
  LookAtDialog([&](host::TForm& dialog) {
    auto* updown = Control<host::TUpDown>(dialog, "udOIHeight");
    auto* edit = Control<host::TEdit>(dialog, "edOIHeight");
    updown->ClickUp();
    EXPECT_EQ(edit->Text(), "800");
    updown->ClickUp();
    EXPECT_EQ(edit->Text(), "800") << "the arrows stop at Max";
    edit->SetText("151");
    updown->MouseClick(5, 15);  // the lower half: down
    updown->MouseClick(5, 15);
    updown->MouseClick(5, 15);
    EXPECT_EQ(edit->Text(), "150");
    EXPECT_EQ(updown->Position(), 150);
  });
}

// ---- Ending the dialog -------------------------------------------------------------

TEST_F(OptionsDialog, EnterGivesOkEscCancelAndTheCloseBoxSomethingElse) {
  Start();
  LookAtDialog([&](host::TForm& dialog) {
    const auto result = [&](const std::function<void()>& act) {
      dialog.SetModalResult(host::mrNone);
      act();
      const host::TModalResult r = dialog.ModalResult();
      dialog.SetModalResult(host::mrNone);  // the dialog stays open for the next
      return r;
    };
    EXPECT_EQ(result([&] { dialog.KeyEnter(); }), 1);
    EXPECT_EQ(result([&] { dialog.KeyEscape(); }), 2);
    EXPECT_EQ(result([&] { Control<host::TButton>(dialog, "btOK")->Click(); }), 1);
    EXPECT_EQ(result([&] { Control<host::TButton>(dialog, "btCancel")->Click(); }), 2);
    const host::TModalResult closed = result([&] { dialog.Close(); });
    EXPECT_NE(closed, 1);
    EXPECT_NE(closed, host::mrNone);
  });
  EXPECT_TRUE(DialogsOnScreen().empty());
}

TEST_F(OptionsDialog, CancelEscAndTheCloseBoxChangeNothingAndFreeTheDialog) {
  const Stored before{false, true, false, false, true, 420};
  for (const char* end : {"click-cancel", "key esc", "key closebox"}) {
    SCOPED_TRACE(end);
    StartFresh(before);
    session_->Do("wait 2000");
    const json state_before = session_->State();
    std::string input =
        "check ckHideCaptions off\ncheck ckCloseDefault on\ncheck ckChangeIcon off\n"
        "type edOIHeight 1000\n";
    if (std::string(end) == "click-cancel") {
      // The Cancel button at client (280, 232), clicked on the screen.
      on_state_ = [&] {
        host::TForm* d = host::Screen->ActiveForm();
        const host::TPoint c = d->ClientOrigin();
        host::WindowSystem::Instance().Click(d->Left() + c.X + 300, d->Top() + c.Y + 240);
      };
      input += "state";
    } else {
      input += end;
    }
    RunDialog(input);
    on_state_ = nullptr;
    EXPECT_EQ(session_->State(), state_before) << "options, layout, icon and windows as they were";
    EXPECT_EQ(ReadStored(), before);
    EXPECT_TRUE(DialogsOnScreen().empty());
    EXPECT_EQ(DialogVariable(), nullptr);
    EXPECT_TRUE(Ide().Errors().empty());
  }
}

TEST_F(OptionsDialog, CancelOnAFreshRegistryCreatesNoKey) {
  Start();
  RunDialog("check ckMaximizeEditor on\nkey esc");
  EXPECT_EQ(ReadStored(), std::nullopt);
  EXPECT_EQ(Options()["MaximizeEditor"], false);
}

// ---- OK --------------------------------------------------------------------------

TEST_F(OptionsDialog, EnterOnFreshOptionsStoresAllSixValues) {
  Start();
  ASSERT_EQ(ReadStored(), std::nullopt);
  RunDialog("key enter");
  // The height shown (the up-down's minimum) is what is taken.
  EXPECT_EQ(ReadStored(), (Stored{true, false, false, true, false, 150}));
  EXPECT_EQ(Options()["ObjectInspectorHeight"], 150);
  EXPECT_TRUE(DialogsOnScreen().empty());
  EXPECT_TRUE(Ide().Errors().empty());
}

// A store that cannot be written is reported, naming the file and the cause.
TEST_F(OptionsDialog, OkOnARegistryThatCannotBeWrittenIsReported) {
  const std::string folder = ScratchFolder("dialog-store");
  std::ofstream(folder + "/plain") << "a file";
  host::RegistryLocation::UseFile(folder + "/plain/registry.reg");
  Start();
  RunDialog("check ckHideCaptions on\nkey enter");
  ASSERT_EQ(Ide().Errors().size(), 1u);
  EXPECT_EQ(Ide().Errors()[0].ClassName, "ERegistryException");
  EXPECT_EQ(Ide().Errors()[0].Message,
            "Failed to create key Software\\Borland\\Delphi\\7.0\\Fleetforge: " + folder +
                "/plain/registry.reg: " + fleetforge_test::kNotADirectory);
}

TEST_F(OptionsDialog, OkWithoutChangesRewritesEveryValueAndReappliesTheLayout) {
  StartFresh(Stored{true, true, false, true, true, 300});
  session_->Do("wait 2000");
  ASSERT_EQ(Border("AppBuilder"), host::bsNone);
  ASSERT_EQ(Border("PropertyInspector"), host::bsNone);
  ASSERT_EQ(ide::AddInView(Ide()).IconHolder(), "fleetforge");
  // Values changed behind the add-in's back: OK writes its own record again.
  {
    host::TRegistry registry;
    registry.OpenKey(kKey, false);
    registry.WriteInteger("ObjectInspectorHeight", 999);
    registry.WriteBool("CloseDefault", false);
    registry.DeleteValue("ChangeIcon");
  }
  host::Application->Icon()->SetHandle(host::LoadIconA(host::MainInstance(), "MAINICON"));
  ASSERT_EQ(ide::AddInView(Ide()).IconHolder(), "ide");

  RunDialog("key enter");
  EXPECT_EQ(ReadStored(), (Stored{true, true, false, true, true, 300}));
  // The IDE's forms got their own borders back, then the main window lost its
  // caption again; the tool windows follow at the next tick.
  EXPECT_EQ(Border("AppBuilder"), host::bsNone);
  EXPECT_EQ(Border("PropertyInspector"), host::bsSizeToolWin);
  EXPECT_EQ(Border("ProjectManagerForm"), host::bsSizeToolWin);
  EXPECT_EQ(ide::AddInView(Ide()).IconHolder(), "fleetforge") << "the icon is set again";
  if (host::TForm* bar = Bar()) {
    EXPECT_TRUE(bar->Visible());
  }
  session_->Do("wait 1000");
  EXPECT_EQ(Border("PropertyInspector"), host::bsNone);
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_F(OptionsDialog, OkWithHideCaptionsClearedKeepsTheBordersAndHidesTheBar) {
  StartFresh(Stored{true, true, false, true, false, 300});
  session_->Do("wait 2000");
  ASSERT_EQ(Border("AppBuilder"), host::bsNone);
  host::TForm* bar = Bar();
  if (bar != nullptr) {
    ASSERT_TRUE(bar->Visible());
  }
  RunDialog("check ckHideCaptions off\nkey enter");
  EXPECT_EQ(ReadStored()->HideCaptions, false);
  EXPECT_EQ(Options()["HideCaptions"], false);
  EXPECT_EQ(Border("AppBuilder"), host::bsSizeable);
  if (bar != nullptr) {
    EXPECT_FALSE(bar->Visible());
  }
  session_->Do("wait 3000");
  EXPECT_EQ(Border("AppBuilder"), host::bsSizeable) << "the layout leaves the captions alone now";
  EXPECT_EQ(Border("PropertyInspector"), host::bsSizeToolWin);
  if (bar != nullptr) {
    EXPECT_FALSE(bar->Visible());
  }
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_F(OptionsDialog, OkWithHideCaptionsTickedTakesTheCaptionAwayAndShowsTheBar) {
  Start();
  session_->Do("wait 2000");
  ASSERT_EQ(Border("AppBuilder"), host::bsSizeable);
  RunDialog("check ckHideCaptions on\nkey enter");
  EXPECT_EQ(Options()["HideCaptions"], true);
  EXPECT_EQ(Border("AppBuilder"), host::bsNone);
  if (host::TForm* bar = Bar()) {
    EXPECT_TRUE(bar->Visible());
    EXPECT_EQ(bar->Left(), 1024 - 45);
    EXPECT_EQ(bar->Top(), 0);
  }
  EXPECT_TRUE(Ide().Errors().empty());
}

TEST_F(OptionsDialog, TheIconFollowsChangeIcon) {
  Start();
  ASSERT_EQ(ide::AddInView(Ide()).IconHolder(), "ide");
  RunDialog("check ckChangeIcon on\nkey enter");
  EXPECT_EQ(ide::AddInView(Ide()).IconHolder(), "fleetforge");
  RunDialog("check ckChangeIcon off\nkey enter");
  EXPECT_EQ(ide::AddInView(Ide()).IconHolder(), "ide");
}

TEST_F(OptionsDialog, ATypedHeightIsStoredWithoutARangeCheck) {
  for (const auto& [typed, height] :
       std::vector<std::pair<std::string, int32_t>>{{"1000", 1000}, {"-7", -7}, {"$10", 16}}) {
    SCOPED_TRACE(typed);
    StartFresh();
    RunDialog("type edOIHeight " + typed + "\nkey enter");
    EXPECT_EQ(ReadStored()->Height, height);
    EXPECT_EQ(Options()["ObjectInspectorHeight"], height);
  }
}

// A height that is not an integer fails the command before anything changed:
// no switch is copied into the record, nothing is stored, restored or applied,
// every later tick keeps the one layout the IDE had, and the dialog is freed.
TEST_F(OptionsDialog, AHeightThatIsNotANumberIsReportedAndChangesNothing) {
  struct Case {
    const char* text;
    Stored before;
    const char* switches;  // the user's changes besides the height
  };
  const Case cases[] = {
      {"abc",
       {true, false, false, true, false, 400},
       "check ckMaximizeEditor on\ncheck ckCloseDefault off\ncheck ckHideCaptions on"},
      {"", {true, true, false, true, false, 250}, "check ckHideCaptions off"},
      {"1e3",
       {false, true, true, false, true, 300},
       "check ckHideCaptions off\ncheck ckChangeIcon off\ncheck ckMaximizeEditor off"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("height text '") + c.text + "'");
    StartFresh(c.before);
    session_->Do("wait 1500");
    const host::TFormBorderStyle main_before = Border("AppBuilder");
    const host::TFormBorderStyle inspector_before = Border("PropertyInspector");
    const std::string icon_before = ide::AddInView(Ide()).IconHolder();
    ASSERT_EQ(main_before, c.before.HideCaptions ? host::bsNone : host::bsSizeable);

    on_state_ = [&] {
      static_cast<host::TControl*>(host::Screen->ActiveForm()->FindComponent("edOIHeight"))
          ->SetText(c.text);
    };
    RunDialog(std::string(c.switches) + "\nstate\nkey enter");
    on_state_ = nullptr;
    ASSERT_EQ(Ide().Errors().size(), 1u);
    EXPECT_EQ(Ide().Errors()[0].ClassName, "EConvertError");
    EXPECT_EQ(Ide().Errors()[0].Message,
              std::string("'") + c.text + "' is not a valid integer value");
    EXPECT_EQ(ReadStored(), c.before) << "nothing stored";
    EXPECT_EQ(Options(), (json{{"CloseDefault", c.before.CloseDefault},
                               {"HideCaptions", c.before.HideCaptions},
                               {"MaximizeEditor", c.before.MaximizeEditor},
                               {"CreateCompDate", c.before.CreateCompDate},
                               {"ChangeIcon", c.before.ChangeIcon},
                               {"ObjectInspectorHeight", c.before.Height}}))
        << "no switch copied";
    EXPECT_TRUE(DialogsOnScreen().empty()) << "the command freed its dialog";
    EXPECT_EQ(DialogVariable(), nullptr);
    for (int tick = 0; tick < 3; ++tick) {
      EXPECT_EQ(Border("AppBuilder"), main_before) << "tick " << tick;
      EXPECT_EQ(Border("PropertyInspector"), inspector_before) << "tick " << tick;
      EXPECT_EQ(ide::AddInView(Ide()).IconHolder(), icon_before) << "tick " << tick;
      if (host::TForm* bar = Bar()) {
        EXPECT_EQ(bar->Visible(), c.before.HideCaptions) << "tick " << tick;
      }
      session_->Do("wait 1000");
    }

    // The entry works again afterwards.
    RunDialog("type edOIHeight 500\nkey enter");
    EXPECT_EQ(ReadStored()->Height, 500);
    EXPECT_EQ(Ide().Errors().size(), 1u);
    EXPECT_TRUE(DialogsOnScreen().empty());
    session_->Do("unload");
    EXPECT_EQ(Ide().Errors().size(), 1u);
  }
}

TEST_F(OptionsDialog, AFailedCommandLeavesNoDialogBehindForShutdown) {
  Start();
  RunDialog("type edOIHeight 1x\nkey enter");
  ASSERT_EQ(Ide().Errors().size(), 1u);
  EXPECT_TRUE(DialogsOnScreen().empty());
  session_.reset();  // the IDE unloads the package, then closes its windows
  SUCCEED() << "no call into the unloaded package";
}

// While the dialog is open, a tick shows the closed Project Manager again; the
// dialog keeps the keyboard, so its input still reaches it.
TEST_F(OptionsDialog, InputGoesToTheDialogWhileATickShowsTheProjectManager) {
  StartFresh(Stored{true, true, false, true, false, 300});
  session_->Do("wait 1500");
  session_->Do("close ProjectManagerForm");
  host::TForm* manager = Ide().FindForm("ProjectManagerForm");
  ASSERT_FALSE(manager->Visible());
  const host::TForm* active_before = host::Screen->ActiveForm();
  on_state_ = [&] {
    EXPECT_TRUE(manager->Shown()) << "the tick showed it";
    ASSERT_NE(host::Screen->ActiveForm(), nullptr);
    EXPECT_EQ(host::Screen->ActiveForm()->ClassName(), "TfmOptions");
  };
  RunDialog("wait 1500\nstate\ncheck ckChangeIcon on\ntype edOIHeight 320\nkey enter");
  on_state_ = nullptr;
  EXPECT_TRUE(Ide().Errors().empty());
  EXPECT_EQ(ReadStored(), (Stored{true, true, false, true, true, 320}));
  EXPECT_TRUE(DialogsOnScreen().empty());
  EXPECT_TRUE(manager->Visible());
  EXPECT_EQ(host::Screen->ActiveForm(), active_before) << "the window active before";
}

TEST_F(OptionsDialog, DormantModeStoresTheOptionsAndTouchesNoAbsentObject) {
  Start(false);
  session_->QueueInput("key enter");  // the restart notice
  session_->Do("install");
  ASSERT_EQ(ide::AddInView(Ide()).CurrentMode(), ide::Mode::Dormant);
  ASSERT_EQ(Bar(), nullptr);
  const host::TFormBorderStyle main_before = Border("AppBuilder");
  RunDialog("check ckHideCaptions on\ncheck ckChangeIcon on\ntype edOIHeight 320\nkey enter");
  EXPECT_TRUE(Ide().Errors().empty());
  EXPECT_EQ(ReadStored(), (Stored{true, true, false, true, true, 320}));
  EXPECT_EQ(Options()["HideCaptions"], true);
  EXPECT_EQ(Border("AppBuilder"), main_before) << "no layout manager lays it out";
  EXPECT_EQ(ide::AddInView(Ide()).IconHolder(), "ide") << "the icon waits for a restart";
  RunDialog("check ckHideCaptions off\nkey enter");
  EXPECT_TRUE(Ide().Errors().empty());
  EXPECT_TRUE(DialogsOnScreen().empty());
}

// ---- The entry ---------------------------------------------------------------------

TEST_F(OptionsDialog, UnloadTakesTheEntryAndItemsCaptionedLikeTheWizardOut) {
  Start();
  host::TMenuItem* tools = Ide().ToolsMenu();
  ASSERT_NE(tools, nullptr);
  EXPECT_EQ(host::StripHotkey(tools->Items(0)->Caption()), "Fleetforge Options...");
  const auto add = [&](const char* caption) {
    auto* item = new host::TMenuItem(tools);
    item->SetCaption(caption);
    tools->Add(item);
    return item;
  };
  add("FleetforgeOptions");
  add("Fleetforge Options");
  add("&fleetforgeoptions");
  add("FleetforgeOptions2");
  add("FLEETFORGE&OPTIONS");
  session_->Do("unload");
  std::vector<std::string> captions;
  for (int32_t i = 0; i < tools->Count(); ++i) captions.push_back(tools->Items(i)->Caption());
  EXPECT_EQ(captions, (std::vector<std::string>{"&Environment Options...", "Editor &Options...",
                                                "&Debugger Options...", "&Repository...",
                                                "&Configure Tools...", "Fleetforge Options",
                                                "FleetforgeOptions2"}));
  EXPECT_EQ(Ide().ToolsMenu()->Find("Fleetforge Options..."), nullptr);
  EXPECT_TRUE(Ide().Errors().empty());
}

}  // namespace
