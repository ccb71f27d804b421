// The form-image reader: the text form format, the controls it creates and
// parents, property values of every kind, event and field binding, and the
// errors for malformed text and for unknown classes, properties and methods.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "host/rtl/bytes.h"
#include "host/rtl/modules.h"
#include "host/vcl/buttons.h"
#include "host/vcl/comctrls.h"
#include "host/vcl/extctrls.h"
#include "host/vcl/formimage.h"
#include "host/vcl/messageloop.h"
#include "host/vcl/stdctrls.h"
#include "tests/support/host_error.h"
#include "tests/vcl/bitmap_files.h"

namespace {

using host::EReadError;

// A form class as a unit declares one: fields and handlers named in its image.
class TTestForm : public host::TForm {
 public:
  using host::TForm::TForm;
  host::AnsiString ClassName() const override { return "TTestForm"; }

  void ButtonClick(host::TObject* sender) {
    ++clicks;
    last_sender = sender;
  }
  void FormCreate(host::TObject*) { ++creates; }
  void TimerTimer(host::TObject*) { ++ticks; }

  host::TFormImageBindings Bindings() {
    host::TFormImageBindings b;
    b.Methods["ButtonClick"] = host::TNotifyEvent(this, &TTestForm::ButtonClick);
    b.Methods["FormCreate"] = host::TNotifyEvent(this, &TTestForm::FormCreate);
    b.Methods["TimerTimer"] = host::TNotifyEvent(this, &TTestForm::TimerTimer);
    return b;
  }

  int clicks = 0, creates = 0, ticks = 0;
  host::TObject* last_sender = nullptr;
};

std::string Hex(const std::string& bytes) {
  std::string out;
  char digits[3];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", c);
    out += digits;
  }
  return out;
}

using host::AppendUInt32LE;

using host_test::BitmapFile;

std::string Streamed(const std::string& file) {
  std::string s;
  AppendUInt32LE(s, static_cast<uint32_t>(file.size()));
  return s + file;
}

// Hex digits laid out as the designer writes them: 64 a line.
std::string BinaryLines(const std::string& bytes, const std::string& indent) {
  const std::string hex = Hex(bytes);
  std::string out = "{\n";
  for (size_t i = 0; i < hex.size(); i += 64) out += indent + hex.substr(i, 64) + "\n";
  out.insert(out.size() - 1, "}");
  return out;
}

std::string ReadError(const std::string& text,
                      fleetforge_test::CallSite where = fleetforge_test::CallSite()) {
  TTestForm form(nullptr);
  return fleetforge_test::HostError<EReadError>(
      [&] { host::ReadFormImage(&form, text, form.Bindings()); }, where);
}

constexpr const char* kDialog = R"(object fmTest: TTestForm
  Left = 10
  Top = 20
  BorderIcons = [biSystemMenu]
  BorderStyle = bsDialog
  Caption = 'Test '#39'Options'#39
  ClientHeight = 265
  ClientWidth = 361
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poScreenCenter
  OnCreate = FormCreate
  object labTitle: TLabel
    Left = 48
    Top = 8
    Width = 65
    Height = 13
    Caption = 'Title'
    Font.Style = [fsBold]
  end
  object pnBox: TPanel
    Left = 4
    Top = 100
    Width = 200
    Height = 60
    TabOrder = 2
    object btInner: TButton
      Left = 5
      Top = 6
      Width = 75
      Height = 25
      Caption = '&Inner'
      TabOrder = 0
      OnClick = ButtonClick
    end
  end
  object btOK: TButton
    Left = 200
    Top = 232
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = mrOk
    TabOrder = 1
    OnClick = ButtonClick
  end
  object ckFirst: TCheckBox
    Left = 8
    Top = 72
    Width = 345
    Height = 17
    Caption = 'First'
    Checked = True
    TabOrder = 0
  end
  object Timer: TTimer
    Interval = 250
    Left = 16
    Top = 16
    OnTimer = TimerTimer
  end
end
)";

// A form of the test class to read images into.
class FormImageReading : public ::testing::Test {
 protected:
  void Read(std::string_view text, const host::TFormImageBindings& bindings = {}) {
    host::ReadFormImage(&form, text, bindings);
  }
  template <class T>
  T* Find(const char* name) {
    return dynamic_cast<T*>(form.FindComponent(name));
  }

  TTestForm form{nullptr};
};

// The dialog above, read with the form's handlers and two fields bound, and the
// controls that the tests look at.
class DialogImage : public FormImageReading {
 protected:
  void SetUp() override {
    host::TFormImageBindings b = form.Bindings();
    b.Fields["btOK"] = &ok;
    b.Field("ckFirst", first);
    Read(kDialog, b);
    title = Find<host::TLabel>("labTitle");
    panel = Find<host::TPanel>("pnBox");
    inner = Find<host::TButton>("btInner");
    button = Find<host::TButton>("btOK");
    const host::TControl* controls[] = {title, panel, inner, button};
    for (const host::TControl* control : controls) ASSERT_NE(control, nullptr);
  }

  host::TComponent* ok = nullptr;
  host::TCheckBox* first = nullptr;
  host::TLabel* title = nullptr;
  host::TPanel* panel = nullptr;
  host::TButton *inner = nullptr, *button = nullptr;
};

TEST_F(DialogImage, FormPropertiesAndItsCreateHandler) {
  EXPECT_EQ(form.Name(), "fmTest");
  EXPECT_EQ(form.Caption(), "Test 'Options'");
  EXPECT_EQ(form.BorderStyle(), host::bsDialog);
  EXPECT_EQ(form.BorderIcons(), host::TBorderIcons{host::biSystemMenu});
  EXPECT_EQ(form.Position(), host::poScreenCenter);
  EXPECT_EQ(form.ClientWidth(), 361);
  EXPECT_EQ(form.ClientHeight(), 265);
  EXPECT_EQ(form.Left(), 10);
  EXPECT_EQ(form.Color(), host::clBtnFace);
  EXPECT_EQ(form.Font().Name(), "MS Sans Serif");
  EXPECT_EQ(form.Font().Height(), -11);
  EXPECT_EQ(form.creates, 0) << "OnCreate is bound, and run by the form class, not the reader";
  form.DoCreate();
  EXPECT_EQ(form.creates, 1);
}

// Every object is owned by the form, in image order; controls are parented to
// the object that encloses them.
TEST_F(DialogImage, ObjectsOwnedInImageOrderAndParentedByTheirEnclosure) {
  ASSERT_EQ(form.ComponentCount(), 6);
  EXPECT_EQ(form.Components(0)->Name(), "labTitle");
  EXPECT_EQ(form.Components(2)->Name(), "btInner");
  EXPECT_EQ(panel->Parent(), &form);
  EXPECT_EQ(inner->Parent(), panel);
  EXPECT_EQ(inner->Owner(), &form);
  EXPECT_EQ(inner->Caption(), "&Inner");
}

TEST_F(DialogImage, FieldsPointAtTheirComponents) {
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok, form.FindComponent("btOK"));
  auto* bound = static_cast<host::TButton*>(ok);
  EXPECT_TRUE(bound->Default());
  EXPECT_EQ(bound->ModalResult(), host::mrOk);
  EXPECT_EQ(bound->BoundsRect(), (host::TRect{200, 232, 275, 257}));
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->Checked());
}

// Fonts: the parent's, then the control's own properties.
TEST_F(DialogImage, FontsAreTheParentsThenTheControlsOwn) {
  EXPECT_EQ(title->Font().Style(), host::TFontStyles{host::fsBold});
  EXPECT_EQ(title->Font().Name(), "MS Sans Serif");
  EXPECT_EQ(button->Font().Style(), 0u);
  // The designed bounds stand, although the label sizes itself to its caption.
  EXPECT_EQ(title->BoundsRect(), (host::TRect{48, 8, 113, 21}));
}

// Events reach the form's methods with the control as sender.
TEST_F(DialogImage, EventsReachTheFormsMethodsWithTheControlAsSender) {
  button->Click();
  inner->Click();
  EXPECT_EQ(form.clicks, 2);
  EXPECT_EQ(form.last_sender, inner);
  EXPECT_EQ(form.ModalResult(), host::mrOk) << "the button's own modal result went to the form";
}

// Tab orders are set once all children are there: in the form, ckFirst,
// btOK, pnBox; in the panel, its button.
TEST_F(DialogImage, TabOrdersSetOnceAllChildrenAreThere) {
  const auto tabs = form.TabList();
  ASSERT_EQ(tabs.size(), 3u);
  EXPECT_EQ(tabs[0], first);
  EXPECT_EQ(tabs[1], button);
  EXPECT_EQ(tabs[2], panel);
  EXPECT_EQ(panel->TabOrder(), 2);
  EXPECT_EQ(inner->TabOrder(), 0);
}

// A non-visual component: owned, not parented; its designer place is dropped.
TEST_F(DialogImage, NonVisualComponentIsOwnedAndRuns) {
  auto* timer = Find<host::TTimer>("Timer");
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->Interval(), 250u);
  EXPECT_TRUE(timer->Running());
  host::MessageLoop::Instance().Advance(500);
  EXPECT_EQ(form.ticks, 2);
  delete timer;
  host::MessageLoop::Instance().Reset();
}

TEST_F(FormImageReading, StringsWithQuotesCharacterCodesAndContinuations) {
  Read(
      "object f: TTestForm\n"
      "  Caption = 'It''s'#13#10'two lines'#$21 +\n"
      "    ' and more' + #9\n"
      "  object l: TLabel\n"
      "    Caption = ''\n"
      "  end\n"
      "  object e: TEdit\n"
      "    Text = #0'x'\n"
      "  end\n"
      "end\n");
  EXPECT_EQ(form.Caption(), "It's\r\ntwo lines! and more\t");
  EXPECT_EQ(form.FindComponent("l")->Name(), "l");
  EXPECT_EQ(Find<host::TControl>("l")->Caption(), "");
  EXPECT_EQ(Find<host::TControl>("e")->Text(), std::string("\0x", 2));
}

TEST_F(FormImageReading, SetsEnumsAndIntegersIgnoreLetterCaseOfIdentifiers) {
  Read(
      "OBJECT f: ttestform\n"
      "  borderstyle = BSNONE\n"
      "  BorderIcons = [ biSystemMenu , BIMINIMIZE,biMaximize ]\n"
      "  FormStyle = fsStayOnTop\n"
      "  Color = $00FF00FF\n"
      "  object l: TLabel\n"
      "    Font.Style = [fsBold, fsItalic]\n"
      "    Font.Color = -2147483640\n"
      "    Font.Size = 10\n"
      "  end\n"
      "  object l2: TLabel\n"
      "    Font.Style = []\n"
      "  End\n"
      "END\n");
  EXPECT_EQ(form.BorderStyle(), host::bsNone);
  EXPECT_EQ(form.BorderIcons(), host::biSystemMenu | host::biMinimize | host::biMaximize);
  EXPECT_EQ(form.FormStyle(), host::fsStayOnTop);
  EXPECT_EQ(form.Color(), host::clFuchsia);
  const auto& font = Find<host::TControl>("l")->Font();
  EXPECT_EQ(font.Style(), host::fsBold | host::fsItalic);
  EXPECT_EQ(font.Color(), host::clWindowText);
  EXPECT_EQ(font.Height(), -13);
  EXPECT_EQ(Find<host::TControl>("l2")->Font().Style(), 0u);
}

TEST_F(FormImageReading, BinaryDataOverManyLines) {
  const std::string glyph =
      Streamed(BitmapFile(10, 9, [](int x, int y) { return x == y ? 0x000000u : 0xFF00FFu; }));
  Read(
      "object f: TTestForm\n"
      "  object sb: TSpeedButton\n"
      "    Width = 15\n"
      "    Height = 15\n"
      "    Flat = True\n"
      "    Glyph.Data = " +
          BinaryLines(glyph, "      ") +
          "    OnClick = ButtonClick\n"
          "  end\n"
          "end\n",
      form.Bindings());
  auto* sb = Find<host::TSpeedButton>("sb");
  ASSERT_NE(sb, nullptr);
  EXPECT_EQ(sb->Glyph().Data(), glyph);
  EXPECT_EQ(sb->Glyph().Width(), 10);
  EXPECT_EQ(sb->Glyph().Height(), 9);
  EXPECT_EQ(sb->Glyph().Pixel(3, 3), host::clBlack);
  EXPECT_EQ(sb->Glyph().Pixel(4, 3), host::clFuchsia);
  EXPECT_EQ(sb->Glyph().TransparentColor(), host::clFuchsia);
  EXPECT_TRUE(sb->Flat());
  sb->MouseClick(2, 2);
  EXPECT_EQ(form.clicks, 1);
}

TEST_F(FormImageReading, PicturesSizeAutoSizedImages) {
  const std::string bitmap =
      std::string("\x07TBitmap") + Streamed(BitmapFile(32, 32, [](int, int) { return 0x808080u; }));
  Read(
      "object f: TTestForm\n"
      "  object im: TImage\n"
      "    Left = 8\n"
      "    Top = 8\n"
      "    AutoSize = True\n"
      "    Transparent = True\n"
      "    Visible = False\n"
      "    Picture.Data = " +
      BinaryLines(bitmap, "      ") +
      "  end\n"
      "end\n");
  auto* im = Find<host::TImage>("im");
  ASSERT_NE(im, nullptr);
  EXPECT_EQ(im->BoundsRect(), (host::TRect{8, 8, 40, 40}));
  EXPECT_FALSE(im->Visible());
  EXPECT_TRUE(im->Transparent());
  EXPECT_EQ(im->Picture().GraphicClassName(), "TBitmap");
  EXPECT_EQ(im->Picture().Bitmap().Pixel(31, 31), 0x808080);
}

TEST_F(FormImageReading, UpDownAssociateResolvedAfterTheWholeImage) {
  Read(
      "object f: TTestForm\n"
      "  object ud: TUpDown\n"
      "    Left = 209\n"
      "    Associate = ed\n"
      "    Min = 150\n"
      "    Max = 800\n"
      "    Position = 150\n"
      "  end\n"
      "  object ed: TEdit\n"
      "    Left = 160\n"
      "    Text = '7'\n"
      "  end\n"
      "end\n");
  auto* ud = Find<host::TUpDown>("ud");
  ASSERT_NE(ud, nullptr);
  EXPECT_EQ(ud->Associate(), form.FindComponent("ed"));
  EXPECT_EQ(ud->Position(), 150);
  EXPECT_EQ(ud->Associate()->Text(), "150") << "the up-down writes its position into the edit";
  EXPECT_EQ(ud->Min(), 150);
  EXPECT_EQ(ud->Max(), 800);
}

TEST_F(FormImageReading, FormNameMadeUniqueAmongTheOwnersComponents) {
  host::TComponent owner(nullptr);
  auto* first = new TTestForm(&owner);
  host::ReadFormImage(first, "object fmTest: TTestForm\nend\n", {});
  auto* second = new TTestForm(&owner);
  host::ReadFormImage(second, "object fmTest: TTestForm\nend\n", {});
  auto* third = new TTestForm(&owner);
  host::ReadFormImage(third, "object fmTest: TTestForm\nend", {});
  EXPECT_EQ(first->Name(), "fmTest");
  EXPECT_EQ(second->Name(), "fmTest_1");
  EXPECT_EQ(third->Name(), "fmTest_2");
}

TEST_F(FormImageReading, LoadsTheResourceNamedAfterTheClassInCapitals) {
  static const std::string image = "object fmTest: TTestForm\n  Caption = 'From a resource'\nend\n";
  const host::HMODULE module = host::RegisterMainModule(
      "formimage-test",
      {{host::RT_RCDATA, "TTESTFORM", image.data(), static_cast<uint32_t>(image.size())}});
  host::LoadFormImage(&form, module, {});
  EXPECT_EQ(form.Caption(), "From a resource");

  class TOther : public host::TForm {
   public:
    using host::TForm::TForm;
    host::AnsiString ClassName() const override { return "TOther"; }
  } other(nullptr);
  EXPECT_EQ(fleetforge_test::HostError<host::EResNotFound>(
                [&] { host::LoadFormImage(&other, module, {}); }),
            "Resource TOTHER not found");
}

// ---- Errors ----------------------------------------------------------------------

// Text that the reader refuses, and the message it refuses it with.
struct BadText {
  const char* Text;
  const char* Message;
};

TEST_F(FormImageReading, MalformedTextNamesTheLine) {
  const BadText cases[] = {
      {"", "Line 1: 'object' expected"},
      {"objekt f: TTestForm\nend\n", "Line 1: 'object' expected"},
      {"object f: TTestForm\n  Caption 'x'\nend\n", "Line 2: '=' expected"},
      {"object f: TTestForm\n  Left = 1\n  Caption = 'open\nend\n", "Line 3: Unterminated string"},
      {"object f: TTestForm\n  Caption = 'a'#300\nend\n", "Line 2: Invalid character code #300"},
      {"object f: TTestForm\n  Caption = 'a'#\nend\n", "Line 2: Invalid character code"},
      {"object f: TTestForm\n  Caption = 'a' +\n  5\nend\n", "Line 3: String expected after '+'"},
      {"object f: TTestForm\n  BorderIcons = [biSystemMenu biHelp]\nend\n", "Line 2: ']' expected"},
      {"object f: TTestForm\n  Left = 12x\nend\n", "Line 2: Invalid integer value"},
      {"object f: TTestForm\n  Left = 1.5\nend\n",
       "Line 2: Floating-point values are not supported"},
      {"object f: TTestForm\n  Left = 99999999999999\nend\n", "Line 2: Integer out of range"},
      {"object f: TTestForm\n  Left = = 1\nend\n", "Line 2: Property value expected"},
      {"object f: TTestForm\n  object s: TSpeedButton\n    Glyph.Data = {\n      0A0\n    }\n  "
       "end\nend\n",
       "Line 5: Invalid binary value"},
      {"object f: TTestForm\n  object s: TSpeedButton\n    Glyph.Data = {\n      0AZZ\n    }\n  "
       "end\nend\n",
       "Line 4: Invalid binary value"},
      {"object f: TTestForm\n  object s: TSpeedButton\n    Glyph.Data = {\n      0A0B\n",
       "Line 5: '}' expected"},
      {"object f: TTestForm\n  Left = 1\n", "Line 3: 'end' expected"},
      {"object f: TTestForm\nend\nobject g: TTestForm\nend\n", "Line 3: End of file expected"},
      {"object f: TTestForm\n  Left = 1 2\nend\n", "Line 2: End of line expected"},
      {"object f: TTestForm\n  Items = ('a' 'b')\nend\n",
       "Line 2: Lists of values are not supported"},
      {"inherited f: TTestForm\nend\n", "Line 1: Inherited forms are not supported"},
      {"object f: TOtherForm\nend\n",
       "Line 1: The form image is of class TOtherForm, not TTestForm"},
  };
  for (const BadText& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(ReadError(c.Text), c.Message);
  }
}

TEST_F(FormImageReading, NestingIsBoundedAndTheLineNamed) {
  // The form and levels - 1 panels, each inside the one before.
  const auto nested = [](int levels) {
    std::string text = "object f: TTestForm\n";
    for (int i = 1; i < levels; ++i) text += "object TPanel\n";
    for (int i = 0; i < levels; ++i) text += "end\n";
    return text;
  };
  EXPECT_EQ(ReadError(nested(64)), "(no error)");
  // 10,000 levels are 180 KB of text, deeper than the stack could follow.
  for (int levels : {65, 10000}) {
    SCOPED_TRACE(levels);
    EXPECT_EQ(ReadError(nested(levels)), "Line 65: Objects nested deeper than 64");
  }
}

TEST_F(FormImageReading, UnknownClassesPropertiesMethodsAndBadValues) {
  const BadText cases[] = {
      // the objects inside the form
      {"  object x: TGrid\n  end\n", "Line 2: Class TGrid not found"},
      {"  object b: TButton\n    Colour = clRed\n  end\n",
       "Error reading b.Colour: Property Colour does not exist"},
      {"  object b: TButton\n    Text = 'x'\n  end\n",
       "Error reading b.Text: Property Text does not exist"},
      {"  object e: TEdit\n    Caption = 'x'\n  end\n",
       "Error reading e.Caption: Property Caption does not exist"},
      {"  object b: TButton\n    OnClick = ButonClick\n  end\n",
       "Error reading b.OnClick: Method ButonClick not found"},
      {"  object b: TButton\n    OnClick = 'ButtonClick'\n  end\n",
       "Error reading b.OnClick: Invalid property value"},
      {"  object b: TButton\n    Default = 'yes'\n  end\n",
       "Error reading b.Default: Invalid property value"},
      {"  object b: TButton\n    Left = 'x'\n  end\n",
       "Error reading b.Left: Invalid property value"},
      {"  object b: TButton\n    Left = 3000000000\n  end\n",
       "Error reading b.Left: 3000000000 is not within the range -2147483648..2147483647"},
      {"  object u: TUpDown\n    Position = 40000\n  end\n",
       "Error reading u.Position: 40000 is not within the range -32768..32767"},
      {"  object u: TUpDown\n    Associate = nothing\n  end\n",
       "Error reading u.Associate: Invalid property value nothing"},
      {"  object l: TLabel\n    Font.Style = [fsBold, fsHeavy]\n  end\n",
       "Error reading l.Font.Style: Invalid set element fsHeavy"},
      {"  object l: TLabel\n    Alignment = taRight\n  end\n",
       "Error reading l.Alignment: Invalid property value"},
      {"  object i: TImage\n    Picture.Data = {03414243}\n  end\n",
       "Error reading i.Picture.Data: Unknown graphic class ABC"},
      {"  object i: TImage\n    Picture.Data = {0754426974}\n  end\n",
       "Error reading i.Picture.Data: Picture data is not valid"},
      {"  object i: TImage\n    Picture.Data = {07544269746D617004000000424D0000}\n  end\n",
       "Error reading i.Picture.Data: Bitmap image is not valid"},
      {"  object i: TImage\n    Picture.Data = {055449636F6E000001000000}\n  end\n",
       "Error reading i.Picture.Data: Icon image is not valid"},
      {"  object s: TSpeedButton\n    Glyph.Data = {01000000}\n  end\n",
       "Error reading s.Glyph.Data: Bitmap image is not valid"},
      {"  object t: TTimer\n    Width = 3\n  end\n",
       "Error reading t.Width: Property Width does not exist"},
      {"  object a: TButton\n  end\n  object a: TCheckBox\n  end\n",
       "Line 4: A component named a already exists"},
      {"  object l: TLabel\n    object b: TButton\n    end\n  end\n",
       "Line 3: l cannot hold b: it is not a windowed control"},
      {"  object t: TTimer\n    object b: TButton\n    end\n  end\n",
       "Line 3: t cannot hold b: it is not a windowed control"},
  };
  for (const BadText& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(ReadError(std::string("object f: TTestForm\n") + c.Text + "end\n"), c.Message);
  }
  EXPECT_EQ(ReadError("object f: TTestForm\n  Foo.Bar = 1\nend\n"),
            "Error reading f.Foo.Bar: Property Foo.Bar does not exist");
}

TEST_F(FormImageReading, FieldsWithoutTheirComponentOrOfAnotherClass) {
  host::TComponent* missing = nullptr;
  host::TFormImageBindings b;
  b.Fields["btMissing"] = &missing;
  EXPECT_EQ(fleetforge_test::HostError<EReadError>([&] { Read("object f: TTestForm\nend\n", b); }),
            "Field TTestForm.btMissing does not have a corresponding component");
  EXPECT_EQ(missing, nullptr);
  {  // a fresh form for the second image
    TTestForm form(nullptr);
    host::TButton* button = nullptr;
    host::TFormImageBindings b;
    b.Field("ck", button);
    EXPECT_EQ(fleetforge_test::HostError<EReadError>([&] {
                host::ReadFormImage(&form,
                                    "object f: TTestForm\n  object ck: TCheckBox\n  end\nend\n", b);
              }),
              "Field TTestForm.ck is not of the class of its component, a TCheckBox");
    EXPECT_EQ(button, nullptr);
  }
}

TEST_F(FormImageReading, ComponentsReadBeforeAnErrorGoWithTheForm) {
  auto form = std::make_unique<TTestForm>(nullptr);
  EXPECT_THROW(host::ReadFormImage(form.get(),
                                   "object f: TTestForm\n  object a: TButton\n  end\n"
                                   "  object b: TButton\n    Nope = 1\n  end\nend\n",
                                   {}),
               EReadError);
  EXPECT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(form->ControlCount(), 2);
  form.reset();  // frees both without a leak (the sanitizer build checks)
}

}  // namespace
