#include "host/vcl/formimage.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "host/rtl/chars.h"
#include "host/rtl/modules.h"
#include "host/vcl/buttons.h"
#include "host/vcl/comctrls.h"
#include "host/vcl/extctrls.h"
#include "host/vcl/stdctrls.h"

namespace host {

namespace {

// ---- The text ----------------------------------------------------------------------

struct Value {
  enum Kind { Integer, Identifier, String, Set, Binary } Type = Integer;
  int64_t Number = 0;
  std::string Text;  // identifier, string, or binary bytes
  std::vector<std::string> Items;
};

struct Property {
  std::string Name;  // dotted, as written
  Value Data;
  int Line = 0;
};

struct Node {
  std::string Name;
  std::string ClassName;
  int Line = 0;
  std::vector<Property> Properties;
  std::vector<Node> Children;
};

bool IsIdentStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsIdentChar(char c) {
  return IsIdentStart(c) || (c >= '0' && c <= '9');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  Node ParseImage() {
    SkipBlanks();
    Node root = ParseObject();
    SkipBlanks();
    if (!AtEnd()) Fail("End of file expected");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& why) const {
    throw EReadError("Line " + std::to_string(line_) + ": " + why);
  }
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
  void Advance() {
    if (text_[pos_] == '\n') ++line_;
    ++pos_;
  }
  void SkipBlanks() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r' || Peek() == '\n'))
      Advance();
  }
  // Blanks within a line only.
  void SkipSpaces() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t')) Advance();
  }
  std::string Identifier(const char* what) {
    if (!IsIdentStart(Peek())) Fail(std::string(what) + " expected");
    const size_t start = pos_;
    while (!AtEnd() && IsIdentChar(Peek())) Advance();
    return std::string(text_.substr(start, pos_ - start));
  }
  std::string Word() {
    const size_t start = pos_;
    while (!AtEnd() && IsIdentChar(Peek())) ++pos_;
    std::string word(text_.substr(start, pos_ - start));
    pos_ = start;
    return word;
  }
  void EndOfLine() {
    SkipSpaces();
    if (AtEnd()) return;
    if (Peek() == '\r') Advance();
    if (AtEnd()) return;
    if (Peek() != '\n') Fail("End of line expected");
    Advance();
  }

  Node ParseObject() {
    // Each level of nesting costs stack here and in the reader; a real form is
    // a few levels deep.
    if (depth_ == kMaxNesting) Fail("Objects nested deeper than " + std::to_string(kMaxNesting));
    ++depth_;
    Node node;
    node.Line = line_;
    const std::string keyword = Identifier("'object'");
    if (SameText(keyword, "inherited") || SameText(keyword, "inline"))
      Fail("Inherited forms are not supported");
    if (!SameText(keyword, "object")) Fail("'object' expected");
    SkipSpaces();
    std::string first = Identifier("Component name");
    SkipSpaces();
    if (Peek() == ':') {
      Advance();
      SkipSpaces();
      node.Name = first;
      node.ClassName = Identifier("Class name");
    } else {
      node.ClassName = first;  // an unnamed component
    }
    EndOfLine();
    for (;;) {
      SkipBlanks();
      if (AtEnd()) Fail("'end' expected");
      const std::string word = Word();
      if (SameText(word, "end")) {
        Identifier("'end'");
        EndOfLine();
        --depth_;
        return node;
      }
      if (SameText(word, "object") || SameText(word, "inherited") || SameText(word, "inline")) {
        node.Children.push_back(ParseObject());
        continue;
      }
      node.Properties.push_back(ParseProperty());
    }
  }

  Property ParseProperty() {
    Property p;
    p.Line = line_;
    p.Name = Identifier("Property name");
    while (Peek() == '.') {
      Advance();
      p.Name += '.';
      p.Name += Identifier("Property name");
    }
    SkipSpaces();
    if (Peek() != '=') Fail("'=' expected");
    Advance();
    SkipSpaces();
    p.Data = ParseValue();
    EndOfLine();
    return p;
  }

  Value ParseValue() {
    const char c = Peek();
    if (c == '-' || c == '$' || IsDigit(c)) return ParseInteger();
    if (c == '\'' || c == '#') return ParseString();
    if (c == '[') return ParseSet();
    if (c == '{') return ParseBinary();
    if (c == '(') Fail("Lists of values are not supported");
    if (IsIdentStart(c)) {
      Value v;
      v.Type = Value::Identifier;
      v.Text = Identifier("Value");
      return v;
    }
    Fail("Property value expected");
  }

  Value ParseInteger() {
    Value v;
    bool negative = false;
    if (Peek() == '-') {
      negative = true;
      Advance();
    }
    uint64_t magnitude = 0;
    if (Peek() == '$') {
      Advance();
      int digits = 0;
      while (HexDigitValue(Peek()) >= 0) {
        magnitude = magnitude * 16 + static_cast<uint64_t>(HexDigitValue(Peek()));
        if (++digits > 8) Fail("Integer out of range");
        Advance();
      }
      if (digits == 0) Fail("Invalid integer value");
      // Eight hexadecimal digits are the 32 bits of a signed number.
      int64_t n = static_cast<int32_t>(static_cast<uint32_t>(magnitude));
      v.Number = negative ? -n : n;
    } else {
      if (!IsDigit(Peek())) Fail("Invalid integer value");
      while (IsDigit(Peek())) {
        magnitude = magnitude * 10 + static_cast<uint64_t>(Peek() - '0');
        if (magnitude > (uint64_t{1} << 40)) Fail("Integer out of range");
        Advance();
      }
      v.Number = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    }
    if (Peek() == '.' || Peek() == 'e' || Peek() == 'E')
      Fail("Floating-point values are not supported");
    if (IsIdentChar(Peek())) Fail("Invalid integer value");
    v.Type = Value::Integer;
    return v;
  }

  // 'text' with '' for a quote, #13 character codes, the parts written together;
  // a '+' at the end of a line continues the string on the next.
  Value ParseString() {
    Value v;
    v.Type = Value::String;
    for (;;) {
      if (Peek() != '\'' && Peek() != '#') Fail("String expected after '+'");
      while (Peek() == '\'' || Peek() == '#') {
        if (Peek() == '\'') {
          Advance();
          for (;;) {
            if (AtEnd() || Peek() == '\r' || Peek() == '\n') Fail("Unterminated string");
            if (Peek() == '\'') {
              Advance();
              if (Peek() != '\'') break;
            }
            v.Text.push_back(Peek());
            Advance();
          }
        } else {
          Advance();
          uint32_t code = 0;
          int digits = 0;
          if (Peek() == '$') {
            Advance();
            while (HexDigitValue(Peek()) >= 0 && digits < 9) {
              code = code * 16 + static_cast<uint32_t>(HexDigitValue(Peek()));
              ++digits;
              Advance();
            }
          } else {
            while (IsDigit(Peek()) && digits < 9) {
              code = code * 10 + static_cast<uint32_t>(Peek() - '0');
              ++digits;
              Advance();
            }
          }
          if (digits == 0) Fail("Invalid character code");
          if (code > 255) Fail("Invalid character code #" + std::to_string(code));
          v.Text.push_back(static_cast<char>(code));
        }
      }
      SkipSpaces();
      if (Peek() != '+') return v;
      Advance();
      SkipBlanks();
    }
  }

  Value ParseSet() {
    Value v;
    v.Type = Value::Set;
    Advance();  // [
    SkipSpaces();
    if (Peek() == ']') {
      Advance();
      return v;
    }
    for (;;) {
      SkipSpaces();
      v.Items.push_back(Identifier("Set element"));
      SkipSpaces();
      if (Peek() == ']') {
        Advance();
        return v;
      }
      if (Peek() != ',') Fail("']' expected");
      Advance();
    }
  }

  Value ParseBinary() {
    Value v;
    v.Type = Value::Binary;
    Advance();  // {
    int high = -1;
    for (;;) {
      if (AtEnd()) Fail("'}' expected");
      const char c = Peek();
      if (c == '}') break;
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        Advance();
        continue;
      }
      const int d = HexDigitValue(c);
      if (d < 0) Fail("Invalid binary value");
      if (high < 0) {
        high = d;
      } else {
        v.Text.push_back(static_cast<char>(high * 16 + d));
        high = -1;
      }
      Advance();
    }
    if (high >= 0) Fail("Invalid binary value");
    Advance();  // }
    return v;
  }

  static constexpr int kMaxNesting = 64;  // objects, the form itself included

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  int depth_ = 0;
};

// ---- Property values -----------------------------------------------------------------

// A property that cannot take the value; the reader names the property.
struct InvalidValue {
  std::string Why;
};
struct NoSuchProperty {};

[[noreturn]] void Invalid(std::string why = "Invalid property value") {
  throw InvalidValue{std::move(why)};
}

int64_t IntegerIn(const Value& v, int64_t lo, int64_t hi) {
  if (v.Type != Value::Integer) Invalid();
  if (v.Number < lo || v.Number > hi)
    Invalid(std::to_string(v.Number) + " is not within the range " + std::to_string(lo) + ".." +
            std::to_string(hi));
  return v.Number;
}
int32_t Int32(const Value& v) {
  return static_cast<int32_t>(
      IntegerIn(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}
int16_t Int16(const Value& v) {
  return static_cast<int16_t>(IntegerIn(v, -32768, 32767));
}
bool Bool(const Value& v) {
  if (v.Type == Value::Identifier) {
    if (SameText(v.Text, "True")) return true;
    if (SameText(v.Text, "False")) return false;
  }
  Invalid();
}
const std::string& Str(const Value& v) {
  if (v.Type != Value::String) Invalid();
  return v.Text;
}
const std::string& Bytes(const Value& v) {
  if (v.Type != Value::Binary) Invalid();
  return v.Text;
}

template <class E>
using Named = TNamedValue<E>;

template <class E, size_t N>
E Enum(const Value& v, const Named<E> (&table)[N]) {
  if (v.Type == Value::Identifier)
    for (const auto& entry : table)
      if (SameText(v.Text, entry.Name)) return entry.Value;
  Invalid();
}

template <class E, size_t N>
uint32_t SetOf(const Value& v, const Named<E> (&table)[N]) {
  if (v.Type != Value::Set) Invalid();
  uint32_t set = 0;
  for (const std::string& item : v.Items) {
    bool known = false;
    for (const auto& entry : table)
      if (SameText(item, entry.Name)) {
        set |= static_cast<uint32_t>(entry.Value);
        known = true;
      }
    if (!known) Invalid("Invalid set element " + item);
  }
  return set;
}

constexpr Named<TFontStyle> kFontStyles[] = {{"fsBold", fsBold},
                                             {"fsItalic", fsItalic},
                                             {"fsUnderline", fsUnderline},
                                             {"fsStrikeOut", fsStrikeOut}};
constexpr Named<TAlignment> kAlignments[] = {
    {"taLeftJustify", taLeftJustify}, {"taRightJustify", taRightJustify}, {"taCenter", taCenter}};
constexpr Named<TBevelShape> kBevelShapes[] = {
    {"bsBox", bsBox},           {"bsFrame", bsFrame},
    {"bsTopLine", bsTopLine},   {"bsBottomLine", bsBottomLine},
    {"bsLeftLine", bsLeftLine}, {"bsRightLine", bsRightLine},
    {"bsSpacer", bsSpacer}};
constexpr Named<TBevelStyle> kBevelStyles[] = {{"bsLowered", bsLowered}, {"bsRaised", bsRaised}};
constexpr Named<TModalResult> kModalResults[] = {
    {"mrNone", mrNone},   {"mrOk", mrOk},         {"mrCancel", mrCancel}, {"mrAbort", mrAbort},
    {"mrRetry", mrRetry}, {"mrIgnore", mrIgnore}, {"mrYes", mrYes},       {"mrNo", mrNo}};
constexpr Named<TColor> kColours[] = {{"clBlack", clBlack},
                                      {"clMaroon", clMaroon},
                                      {"clGreen", clGreen},
                                      {"clOlive", clOlive},
                                      {"clNavy", clNavy},
                                      {"clPurple", clPurple},
                                      {"clTeal", clTeal},
                                      {"clGray", clGray},
                                      {"clSilver", clSilver},
                                      {"clRed", clRed},
                                      {"clLime", clLime},
                                      {"clYellow", clYellow},
                                      {"clBlue", clBlue},
                                      {"clFuchsia", clFuchsia},
                                      {"clAqua", clAqua},
                                      {"clWhite", clWhite},
                                      {"clWindow", clWindow},
                                      {"clWindowText", clWindowText},
                                      {"clBtnFace", clBtnFace},
                                      {"clBtnShadow", clBtnShadow},
                                      {"clGrayText", clGrayText},
                                      {"clBtnText", clBtnText},
                                      {"clBtnHighlight", clBtnHighlight},
                                      {"clInfoBk", clInfoBk}};
constexpr Named<int32_t> kCharsets[] = {
    {"ANSI_CHARSET", 0}, {"DEFAULT_CHARSET", 1}, {"SYMBOL_CHARSET", 2}};

TColor Colour(const Value& v) {
  if (v.Type == Value::Integer) return Int32(v);
  return Enum(v, kColours);
}

// ---- Streamable properties ---------------------------------------------------------

// Bounds as the image gives them, applied after an object's other properties so
// that auto-sizing during the read does not override what the designer saved.
struct Bounds {
  std::optional<int32_t> Left, Top, Width, Height, ClientWidth, ClientHeight;
};

// What setting a property may touch besides its object: the object's bounds,
// kept for last, and what waits for the end of the image.
struct ReadState {
  ReadState(const TFormImageBindings& bindings, TForm* form) : Bindings(bindings), Form(form) {}

  const TFormImageBindings& Bindings;
  TForm* Form;
  Bounds* ObjectBounds = nullptr;  // of the object being read
  std::string Where;               // "Error reading <object>.<property>: "
  bool ShowForm = false;
  // The tab orders of the children of the container being read.
  std::vector<std::pair<int32_t, TWinControl*>> TabOrders;
  // Checks made once the whole image is read.
  std::vector<std::function<void()>> Fixups;

  TNotifyEvent Method(const Value& v) const {
    if (v.Type != Value::Identifier) Invalid();
    for (const auto& [name, event] : Bindings.Methods)
      if (SameText(name, v.Text)) return event;
    Invalid("Method " + v.Text + " not found");
  }
};

// A streamable property of class C: its name and how a value is set.
template <class C>
struct Streamed {
  using Class = C;
  const char* Name;
  void (*Set)(C* object, const Value& value, ReadState& state);
};

// Sets the property of that name from the table of the object's class; false when
// the object is not of the class or the class has no such property.
template <const auto& Properties>
bool SetStreamed(TComponent* component, const std::string& name, const Value& v, ReadState& s) {
  using C = typename std::remove_cvref_t<decltype(Properties[0])>::Class;
  auto* object = dynamic_cast<C*>(component);
  if (object == nullptr) return false;
  for (const auto& property : Properties)
    if (SameText(property.Name, name)) {
      property.Set(object, v, s);
      return true;
    }
  return false;
}

// Every control's properties (the form's own Visible is among the form's).
constexpr Streamed<TControl> kControlProperties[] = {
    {"Left", [](TControl*, const Value& v, ReadState& s) { s.ObjectBounds->Left = Int32(v); }},
    {"Top", [](TControl*, const Value& v, ReadState& s) { s.ObjectBounds->Top = Int32(v); }},
    {"Width", [](TControl*, const Value& v, ReadState& s) { s.ObjectBounds->Width = Int32(v); }},
    {"Height", [](TControl*, const Value& v, ReadState& s) { s.ObjectBounds->Height = Int32(v); }},
    {"Hint", [](TControl* c, const Value& v, ReadState&) { c->SetHint(Str(v)); }},
    {"Enabled", [](TControl* c, const Value& v, ReadState&) { c->SetEnabled(Bool(v)); }},
    {"Color", [](TControl* c, const Value& v, ReadState&) { c->SetColor(Colour(v)); }},
    {"Font.Name", [](TControl* c, const Value& v, ReadState&) { c->Font().SetName(Str(v)); }},
    {"Font.Height", [](TControl* c, const Value& v, ReadState&) { c->Font().SetHeight(Int32(v)); }},
    {"Font.Size",
     [](TControl* c, const Value& v, ReadState&) {
       // Points at 96 pixels per inch.
       const int64_t points = IntegerIn(v, -10000, 10000);
       c->Font().SetHeight(static_cast<int32_t>(-(points * 96 + (points >= 0 ? 36 : -36)) / 72));
     }},
    {"Font.Charset",
     [](TControl* c, const Value& v, ReadState&) {
       const int32_t charset = v.Type == Value::Integer ? static_cast<int32_t>(IntegerIn(v, 0, 255))
                                                        : Enum(v, kCharsets);
       c->Font().SetCharset(static_cast<uint8_t>(charset));
     }},
    {"Font.Color", [](TControl* c, const Value& v, ReadState&) { c->Font().SetColor(Colour(v)); }},
    {"Font.Style",
     [](TControl* c, const Value& v, ReadState&) { c->Font().SetStyle(SetOf(v, kFontStyles)); }},
    {"ParentFont",
     [](TControl* c, const Value& v, ReadState&) {
       if (Bool(v) && c->Parent() != nullptr) c->Font() = c->Parent()->Font();
     }},
    {"Constraints.MinWidth",
     [](TControl* c, const Value& v, ReadState&) { c->Constraints().SetMinWidth(Int32(v)); }},
    {"Constraints.MinHeight",
     [](TControl* c, const Value& v, ReadState&) { c->Constraints().SetMinHeight(Int32(v)); }},
    {"Constraints.MaxWidth",
     [](TControl* c, const Value& v, ReadState&) { c->Constraints().SetMaxWidth(Int32(v)); }},
    {"Constraints.MaxHeight",
     [](TControl* c, const Value& v, ReadState&) { c->Constraints().SetMaxHeight(Int32(v)); }},
    {"OnClick", [](TControl* c, const Value& v, ReadState& s) { c->SetOnClick(s.Method(v)); }},
    {"OnResize", [](TControl* c, const Value& v, ReadState& s) { c->SetOnResize(s.Method(v)); }},
    {"Visible", [](TControl* c, const Value& v, ReadState&) { c->SetVisible(Bool(v)); }},
};

// The form's own properties, besides a control's; the form has no TabOrder or
// TabStop of its own.
constexpr Streamed<TForm> kFormProperties[] = {
    {"Caption", [](TForm* f, const Value& v, ReadState&) { f->SetCaption(Str(v)); }},
    {"ClientWidth",
     [](TForm*, const Value& v, ReadState& s) { s.ObjectBounds->ClientWidth = Int32(v); }},
    {"ClientHeight",
     [](TForm*, const Value& v, ReadState& s) { s.ObjectBounds->ClientHeight = Int32(v); }},
    {"BorderStyle",
     [](TForm* f, const Value& v, ReadState&) { f->SetBorderStyle(Enum(v, kBorderStyleNames)); }},
    {"BorderIcons",
     [](TForm* f, const Value& v, ReadState&) { f->SetBorderIcons(SetOf(v, kBorderIconNames)); }},
    {"FormStyle",
     [](TForm* f, const Value& v, ReadState&) { f->SetFormStyle(Enum(v, kFormStyleNames)); }},
    {"Position",
     [](TForm* f, const Value& v, ReadState&) { f->SetPosition(Enum(v, kPositionNames)); }},
    {"WindowState",
     [](TForm* f, const Value& v, ReadState&) { f->SetWindowState(Enum(v, kWindowStateNames)); }},
    {"ShowHint", [](TForm* f, const Value& v, ReadState&) { f->SetShowHint(Bool(v)); }},
    {"DockSite", [](TForm* f, const Value& v, ReadState&) { f->SetDockSite(Bool(v)); }},
    {"UseDockManager", [](TForm* f, const Value& v, ReadState&) { f->SetUseDockManager(Bool(v)); }},
    // A form saved visible is shown once the whole image is read.
    {"Visible", [](TForm*, const Value& v, ReadState& s) { s.ShowForm = Bool(v); }},
    {"OnCreate", [](TForm* f, const Value& v, ReadState& s) { f->SetOnCreate(s.Method(v)); }},
    {"OnShow", [](TForm* f, const Value& v, ReadState& s) { f->SetOnShow(s.Method(v)); }},
    {"OnClose", [](TForm* f, const Value& v, ReadState& s) { f->SetOnClose(s.Method(v)); }},
    {"OnDestroy", [](TForm* f, const Value& v, ReadState& s) { f->SetOnDestroy(s.Method(v)); }},
};

constexpr Streamed<TWinControl> kWinControlProperties[] = {
    {"TabOrder",
     [](TWinControl* w, const Value& v, ReadState& s) {
       s.TabOrders.emplace_back(static_cast<int32_t>(IntegerIn(v, -1, 32767)), w);
     }},
    {"TabStop", [](TWinControl* w, const Value& v, ReadState&) { w->SetTabStop(Bool(v)); }},
};

constexpr Streamed<TButton> kButtonProperties[] = {
    {"Caption", [](TButton* b, const Value& v, ReadState&) { b->SetCaption(Str(v)); }},
    {"Default", [](TButton* b, const Value& v, ReadState&) { b->SetDefault(Bool(v)); }},
    {"Cancel", [](TButton* b, const Value& v, ReadState&) { b->SetCancel(Bool(v)); }},
    {"ModalResult",
     [](TButton* b, const Value& v, ReadState&) {
       b->SetModalResult(v.Type == Value::Integer ? Int32(v) : Enum(v, kModalResults));
     }},
};

constexpr Streamed<TCheckBox> kCheckBoxProperties[] = {
    {"Caption", [](TCheckBox* c, const Value& v, ReadState&) { c->SetCaption(Str(v)); }},
    {"Checked", [](TCheckBox* c, const Value& v, ReadState&) { c->SetChecked(Bool(v)); }},
};

constexpr Streamed<TEdit> kEditProperties[] = {
    {"Text", [](TEdit* e, const Value& v, ReadState&) { e->SetText(Str(v)); }},
};

constexpr Streamed<TLabel> kLabelProperties[] = {
    {"Caption", [](TLabel* l, const Value& v, ReadState&) { l->SetCaption(Str(v)); }},
    {"Alignment",
     [](TLabel* l, const Value& v, ReadState&) { l->SetAlignment(Enum(v, kAlignments)); }},
    {"AutoSize", [](TLabel* l, const Value& v, ReadState&) { l->SetAutoSize(Bool(v)); }},
};

constexpr Streamed<TPanel> kPanelProperties[] = {
    {"Caption", [](TPanel* p, const Value& v, ReadState&) { p->SetCaption(Str(v)); }},
};

constexpr Streamed<TImage> kImageProperties[] = {
    {"AutoSize", [](TImage* i, const Value& v, ReadState&) { i->SetAutoSize(Bool(v)); }},
    {"Transparent", [](TImage* i, const Value& v, ReadState&) { i->SetTransparent(Bool(v)); }},
    {"Picture.Data", [](TImage* i, const Value& v, ReadState&) { i->SetPictureData(Bytes(v)); }},
};

constexpr Streamed<TBevel> kBevelProperties[] = {
    {"Shape", [](TBevel* b, const Value& v, ReadState&) { b->SetShape(Enum(v, kBevelShapes)); }},
    {"Style", [](TBevel* b, const Value& v, ReadState&) { b->SetStyle(Enum(v, kBevelStyles)); }},
};

constexpr Streamed<TSpeedButton> kSpeedButtonProperties[] = {
    {"Caption", [](TSpeedButton* b, const Value& v, ReadState&) { b->SetCaption(Str(v)); }},
    {"Flat", [](TSpeedButton* b, const Value& v, ReadState&) { b->SetFlat(Bool(v)); }},
    {"NumGlyphs", [](TSpeedButton* b, const Value& v,
                     ReadState&) { b->SetNumGlyphs(static_cast<int32_t>(IntegerIn(v, 1, 4))); }},
    {"Glyph.Data",
     [](TSpeedButton* b, const Value& v, ReadState&) { b->Glyph().SetData(Bytes(v)); }},
};

constexpr Streamed<TUpDown> kUpDownProperties[] = {
    {"Min", [](TUpDown* u, const Value& v, ReadState&) { u->SetMin(Int16(v)); }},
    {"Max", [](TUpDown* u, const Value& v, ReadState&) { u->SetMax(Int16(v)); }},
    {"Position", [](TUpDown* u, const Value& v, ReadState&) { u->SetPosition(Int16(v)); }},
    {"Increment", [](TUpDown* u, const Value& v, ReadState&) { u->SetIncrement(Int16(v)); }},
    {"Associate",
     [](TUpDown* u, const Value& v, ReadState& s) {
       if (v.Type != Value::Identifier) Invalid();
       // The associate may come later in the image: resolved once all is read.
       s.Fixups.push_back([u, target = v.Text, where = s.Where, form = s.Form] {
         auto* associate = dynamic_cast<TWinControl*>(form->FindComponent(target));
         if (associate == nullptr || associate == u)
           throw EReadError(where + "Invalid property value " + target);
         u->SetAssociate(associate);
       });
     }},
};

constexpr Streamed<TTimer> kTimerProperties[] = {
    {"Enabled", [](TTimer* t, const Value& v, ReadState&) { t->SetEnabled(Bool(v)); }},
    {"Interval",
     [](TTimer* t, const Value& v, ReadState&) {
       t->SetInterval(static_cast<uint32_t>(IntegerIn(v, 0, 0xFFFFFFFF)));
     }},
    {"OnTimer", [](TTimer* t, const Value& v, ReadState& s) { t->SetOnTimer(s.Method(v)); }},
};

// ---- Classes -------------------------------------------------------------------------

// A class the image may create: its name, how it is made, and its own streamable
// properties (a control also has those of kControlProperties and kWinControlProperties).
struct ClassEntry {
  const char* Name;
  TComponent* (*Create)(TComponent* owner);
  bool (*SetProperty)(TComponent* component, const std::string& name, const Value& v, ReadState& s);
};

template <class T>
TComponent* Make(TComponent* owner) {
  return new T(owner);
}

constexpr ClassEntry kClasses[] = {
    {"TButton", &Make<TButton>, &SetStreamed<kButtonProperties>},
    {"TCheckBox", &Make<TCheckBox>, &SetStreamed<kCheckBoxProperties>},
    {"TEdit", &Make<TEdit>, &SetStreamed<kEditProperties>},
    {"TLabel", &Make<TLabel>, &SetStreamed<kLabelProperties>},
    {"TPanel", &Make<TPanel>, &SetStreamed<kPanelProperties>},
    {"TImage", &Make<TImage>, &SetStreamed<kImageProperties>},
    {"TBevel", &Make<TBevel>, &SetStreamed<kBevelProperties>},
    {"TSpeedButton", &Make<TSpeedButton>, &SetStreamed<kSpeedButtonProperties>},
    {"TUpDown", &Make<TUpDown>, &SetStreamed<kUpDownProperties>},
    {"TTimer", &Make<TTimer>, &SetStreamed<kTimerProperties>}};

std::string ComponentName(const TComponent* c) {
  return c->Name().empty() ? c->ClassName() : c->Name();
}

// ---- The reader ----------------------------------------------------------------------

class Reader {
 public:
  Reader(TForm* form, const TFormImageBindings& bindings)
      : form_(form), bindings_(bindings), state_(bindings, form) {}

  void Read(const Node& root) {
    if (!SameText(root.ClassName, form_->ClassName()))
      throw EReadError("Line " + std::to_string(root.Line) + ": The form image is of class " +
                       root.ClassName + ", not " + form_->ClassName());
    if (!root.Name.empty()) form_->SetName(UniqueFormName(root.Name));
    ReadObject(form_, root, true);
    for (const auto& fixup : state_.Fixups) fixup();
    if (state_.ShowForm) form_->Show();
    BindFields();
  }

 private:
  std::string UniqueFormName(const std::string& name) const {
    const TComponent* owner = form_->Owner();
    if (owner == nullptr) return name;
    std::string candidate = name;
    for (int i = 1;; ++i) {
      const TComponent* other = owner->FindComponent(candidate);
      if (other == nullptr || other == form_) return candidate;
      candidate = name + "_" + std::to_string(i);
    }
  }

  void ReadObject(TComponent* component, const Node& node, bool root) {
    Bounds bounds;
    for (const Property& p : node.Properties) {
      try {
        SetProperty(component, p, bounds, root);
      } catch (const NoSuchProperty&) {
        throw EReadError("Error reading " + ComponentName(component) + "." + p.Name +
                         ": Property " + p.Name + " does not exist");
      } catch (const InvalidValue& invalid) {
        throw EReadError("Error reading " + ComponentName(component) + "." + p.Name + ": " +
                         invalid.Why);
      } catch (const Exception& error) {
        throw EReadError("Error reading " + ComponentName(component) + "." + p.Name + ": " +
                         error.Message());
      }
    }
    ApplyBounds(component, bounds);
    std::vector<std::pair<int32_t, TWinControl*>> tab_orders;
    tab_orders.swap(state_.TabOrders);
    for (const Node& child : node.Children) {
      TComponent* created = CreateChild(component, child);
      ReadObject(created, child, false);
    }
    // The tab orders of the children, set in rising order once all are there.
    std::stable_sort(state_.TabOrders.begin(), state_.TabOrders.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [order, control] : state_.TabOrders) control->SetTabOrder(order);
    state_.TabOrders.swap(tab_orders);
  }

  TComponent* CreateChild(TComponent* enclosing, const Node& node) {
    const std::string at = "Line " + std::to_string(node.Line) + ": ";
    const ClassEntry* entry = nullptr;
    for (const ClassEntry& e : kClasses)
      if (SameText(e.Name, node.ClassName)) entry = &e;
    if (entry == nullptr) throw EReadError(at + "Class " + node.ClassName + " not found");
    auto* container = dynamic_cast<TWinControl*>(enclosing);
    if (container == nullptr)
      throw EReadError(at + ComponentName(enclosing) + " cannot hold " +
                       (node.Name.empty() ? node.ClassName : node.Name) +
                       ": it is not a windowed control");
    // Owned by the form, so that it goes with the form whatever happens next.
    TComponent* created = entry->Create(form_);
    try {
      created->SetName(node.Name);
    } catch (const Exception& error) {
      throw EReadError(at + error.Message());
    }
    if (auto* control = dynamic_cast<TControl*>(created)) {
      control->SetParent(container);
      control->Font() = container->Font();  // the parent's font until it has its own
    }
    return created;
  }

  void ApplyBounds(TComponent* component, const Bounds& b) {
    auto* control = dynamic_cast<TControl*>(component);
    if (control == nullptr) return;
    if (b.Left || b.Top || b.Width || b.Height)
      control->SetBounds(b.Left.value_or(control->Left()), b.Top.value_or(control->Top()),
                         b.Width.value_or(control->Width()), b.Height.value_or(control->Height()));
    if (auto* form = dynamic_cast<TForm*>(component)) {
      if (b.ClientWidth) form->SetClientWidth(*b.ClientWidth);
      if (b.ClientHeight) form->SetClientHeight(*b.ClientHeight);
    }
  }

  void SetProperty(TComponent* component, const Property& p, Bounds& bounds, bool root) {
    state_.ObjectBounds = &bounds;
    state_.Where = "Error reading " + ComponentName(component) + "." + p.Name + ": ";
    const std::string& name = p.Name;
    const Value& v = p.Data;
    if (root) {
      if (SetStreamed<kFormProperties>(component, name, v, state_) ||
          SetStreamed<kControlProperties>(component, name, v, state_))
        return;
      throw NoSuchProperty{};
    }
    if (SetStreamed<kControlProperties>(component, name, v, state_) ||
        SetStreamed<kWinControlProperties>(component, name, v, state_))
      return;
    for (const ClassEntry& entry : kClasses)
      if (entry.SetProperty(component, name, v, state_)) return;
    // A non-visual component's place in the designer; it has none at run time.
    if (dynamic_cast<TControl*>(component) == nullptr &&
        (SameText(name, "Left") || SameText(name, "Top")))
      return static_cast<void>(Int32(v));
    throw NoSuchProperty{};
  }

  void BindFields() {
    const std::string form_class = form_->ClassName();
    for (const auto& [name, field] : bindings_.Fields) {
      TComponent* c = form_->FindComponent(name);
      if (c == nullptr)
        throw EReadError("Field " + form_class + "." + name +
                         " does not have a corresponding component");
      *field = c;
    }
    for (const auto& [name, set] : bindings_.TypedFields) {
      TComponent* c = form_->FindComponent(name);
      if (c == nullptr)
        throw EReadError("Field " + form_class + "." + name +
                         " does not have a corresponding component");
      if (!set(c))
        throw EReadError("Field " + form_class + "." + name +
                         " is not of the class of its component, a " + c->ClassName());
    }
  }

  TForm* form_;
  const TFormImageBindings& bindings_;
  ReadState state_;
};

}  // namespace

void ReadFormImage(TForm* form, std::string_view text, const TFormImageBindings& bindings) {
  Reader(form, bindings).Read(Parser(text).ParseImage());
}

void LoadFormImage(TForm* form, HMODULE module, const TFormImageBindings& bindings) {
  const std::string name = UpperCase(form->ClassName());
  const auto data = FindResourceData(module, RT_RCDATA, name);
  if (!data) throw EResNotFound("Resource " + name + " not found");
  ReadFormImage(form, *data, bindings);
}

}  // namespace host
