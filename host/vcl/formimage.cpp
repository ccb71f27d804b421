#include "host/vcl/formimage.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <vector>

#include "host/rtl/chars.h"
#include "host/rtl/modules.h"
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
struct Named {
  const char* Name;
  E Value;
};

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

constexpr Named<TFormBorderStyle> kBorderStyles[] = {
    {"bsNone", bsNone},     {"bsSingle", bsSingle},         {"bsSizeable", bsSizeable},
    {"bsDialog", bsDialog}, {"bsToolWindow", bsToolWindow}, {"bsSizeToolWin", bsSizeToolWin}};
constexpr Named<TBorderIcon> kBorderIcons[] = {{"biSystemMenu", biSystemMenu},
                                               {"biMinimize", biMinimize},
                                               {"biMaximize", biMaximize},
                                               {"biHelp", biHelp}};
constexpr Named<TFormStyle> kFormStyles[] = {{"fsNormal", fsNormal},
                                             {"fsMDIChild", fsMDIChild},
                                             {"fsMDIForm", fsMDIForm},
                                             {"fsStayOnTop", fsStayOnTop}};
constexpr Named<TPosition> kPositions[] = {
    {"poDesigned", poDesigned}, {"poDefault", poDefault}, {"poScreenCenter", poScreenCenter}};
constexpr Named<TWindowState> kWindowStates[] = {
    {"wsNormal", wsNormal}, {"wsMinimized", wsMinimized}, {"wsMaximized", wsMaximized}};
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

// ---- Classes -------------------------------------------------------------------------

struct ClassEntry {
  const char* Name;
  TComponent* (*Create)(TComponent* owner);
};

template <class T>
TComponent* Make(TComponent* owner) {
  return new T(owner);
}

constexpr ClassEntry kClasses[] = {
    {"TButton", &Make<TButton>}, {"TCheckBox", &Make<TCheckBox>},
    {"TEdit", &Make<TEdit>},     {"TLabel", &Make<TLabel>},
    {"TPanel", &Make<TPanel>},   {"TImage", &Make<TImage>},
    {"TBevel", &Make<TBevel>},   {"TSpeedButton", &Make<TSpeedButton>},
    {"TUpDown", &Make<TUpDown>}, {"TTimer", &Make<TTimer>}};

// ---- The reader ----------------------------------------------------------------------

// Bounds as the image gives them, applied after an object's other properties so
// that auto-sizing during the read does not override what the designer saved.
struct Bounds {
  std::optional<int32_t> Left, Top, Width, Height, ClientWidth, ClientHeight;
};

class Reader {
 public:
  Reader(TForm* form, const TFormImageBindings& bindings) : form_(form), bindings_(bindings) {}

  void Read(const Node& root) {
    if (!SameText(root.ClassName, form_->ClassName()))
      throw EReadError("Line " + std::to_string(root.Line) + ": The form image is of class " +
                       root.ClassName + ", not " + form_->ClassName());
    if (!root.Name.empty()) form_->SetName(UniqueFormName(root.Name));
    ReadObject(form_, root, true);
    for (const auto& fixup : fixups_) fixup();
    if (show_form_) form_->Show();
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
    tab_orders.swap(pending_tab_orders_);
    for (const Node& child : node.Children) {
      TComponent* created = CreateChild(component, child);
      ReadObject(created, child, false);
    }
    // The tab orders of the children, set in rising order once all are there.
    std::stable_sort(pending_tab_orders_.begin(), pending_tab_orders_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [order, control] : pending_tab_orders_) control->SetTabOrder(order);
    pending_tab_orders_.swap(tab_orders);
  }

  static std::string ComponentName(const TComponent* c) {
    return c->Name().empty() ? c->ClassName() : c->Name();
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

  TNotifyEvent Method(const Value& v) const {
    if (v.Type != Value::Identifier) Invalid();
    for (const auto& [name, event] : bindings_.Methods)
      if (SameText(name, v.Text)) return event;
    Invalid("Method " + v.Text + " not found");
  }

  void SetProperty(TComponent* component, const Property& p, Bounds& bounds, bool root) {
    const std::string& name = p.Name;
    const Value& v = p.Data;
    const auto is = [&](const char* n) { return SameText(name, n); };

    if (auto* timer = dynamic_cast<TTimer*>(component)) {
      if (is("Enabled")) return timer->SetEnabled(Bool(v));
      if (is("Interval"))
        return timer->SetInterval(static_cast<uint32_t>(IntegerIn(v, 0, 0xFFFFFFFF)));
      if (is("OnTimer")) return timer->SetOnTimer(Method(v));
    }
    auto* control = dynamic_cast<TControl*>(component);
    if (control == nullptr) {
      // A non-visual component's place in the designer; it has none at run time.
      if (is("Left") || is("Top")) return static_cast<void>(Int32(v));
      throw NoSuchProperty{};
    }
    if (is("Left")) return static_cast<void>(bounds.Left = Int32(v));
    if (is("Top")) return static_cast<void>(bounds.Top = Int32(v));
    if (is("Width")) return static_cast<void>(bounds.Width = Int32(v));
    if (is("Height")) return static_cast<void>(bounds.Height = Int32(v));
    if (is("Hint")) return control->SetHint(Str(v));
    if (is("Enabled")) return control->SetEnabled(Bool(v));
    if (is("Color")) return control->SetColor(Colour(v));
    if (is("Font.Name")) return control->Font().SetName(Str(v));
    if (is("Font.Height")) return control->Font().SetHeight(Int32(v));
    if (is("Font.Size")) {
      // Points at 96 pixels per inch.
      const int64_t points = IntegerIn(v, -10000, 10000);
      return control->Font().SetHeight(
          static_cast<int32_t>(-(points * 96 + (points >= 0 ? 36 : -36)) / 72));
    }
    if (is("Font.Charset")) {
      const int32_t charset = v.Type == Value::Integer ? static_cast<int32_t>(IntegerIn(v, 0, 255))
                                                       : Enum(v, kCharsets);
      return control->Font().SetCharset(static_cast<uint8_t>(charset));
    }
    if (is("Font.Color")) return control->Font().SetColor(Colour(v));
    if (is("Font.Style")) return control->Font().SetStyle(SetOf(v, kFontStyles));
    if (is("ParentFont")) {
      if (Bool(v) && control->Parent() != nullptr) control->Font() = control->Parent()->Font();
      return;
    }
    if (is("Constraints.MinWidth")) return control->Constraints().SetMinWidth(Int32(v));
    if (is("Constraints.MinHeight")) return control->Constraints().SetMinHeight(Int32(v));
    if (is("Constraints.MaxWidth")) return control->Constraints().SetMaxWidth(Int32(v));
    if (is("Constraints.MaxHeight")) return control->Constraints().SetMaxHeight(Int32(v));
    if (is("OnClick")) return control->SetOnClick(Method(v));
    if (is("OnResize")) return control->SetOnResize(Method(v));

    if (auto* form = dynamic_cast<TForm*>(component); form != nullptr && root) {
      if (is("Caption")) return form->SetCaption(Str(v));
      if (is("ClientWidth")) return static_cast<void>(bounds.ClientWidth = Int32(v));
      if (is("ClientHeight")) return static_cast<void>(bounds.ClientHeight = Int32(v));
      if (is("BorderStyle")) return form->SetBorderStyle(Enum(v, kBorderStyles));
      if (is("BorderIcons")) return form->SetBorderIcons(SetOf(v, kBorderIcons));
      if (is("FormStyle")) return form->SetFormStyle(Enum(v, kFormStyles));
      if (is("Position")) return form->SetPosition(Enum(v, kPositions));
      if (is("WindowState")) return form->SetWindowState(Enum(v, kWindowStates));
      if (is("ShowHint")) return form->SetShowHint(Bool(v));
      if (is("DockSite")) return form->SetDockSite(Bool(v));
      if (is("UseDockManager")) return form->SetUseDockManager(Bool(v));
      // A form saved visible is shown once the whole image is read.
      if (is("Visible")) return static_cast<void>(show_form_ = Bool(v));
      if (is("OnCreate")) return form->SetOnCreate(Method(v));
      if (is("OnShow")) return form->SetOnShow(Method(v));
      if (is("OnClose")) return form->SetOnClose(Method(v));
      if (is("OnDestroy")) return form->SetOnDestroy(Method(v));
      throw NoSuchProperty{};
    }
    if (is("Visible")) return control->SetVisible(Bool(v));

    if (auto* win = dynamic_cast<TWinControl*>(component)) {
      if (is("TabOrder")) {
        pending_tab_orders_.emplace_back(static_cast<int32_t>(IntegerIn(v, -1, 32767)), win);
        return;
      }
      if (is("TabStop")) return win->SetTabStop(Bool(v));
    }
    if (auto* button = dynamic_cast<TButton*>(component)) {
      if (is("Caption")) return button->SetCaption(Str(v));
      if (is("Default")) return button->SetDefault(Bool(v));
      if (is("Cancel")) return button->SetCancel(Bool(v));
      if (is("ModalResult"))
        return button->SetModalResult(v.Type == Value::Integer ? Int32(v) : Enum(v, kModalResults));
    } else if (auto* check = dynamic_cast<TCheckBox*>(component)) {
      if (is("Caption")) return check->SetCaption(Str(v));
      if (is("Checked")) return check->SetChecked(Bool(v));
    } else if (auto* edit = dynamic_cast<TEdit*>(component)) {
      if (is("Text")) return edit->SetText(Str(v));
    } else if (auto* label = dynamic_cast<TLabel*>(component)) {
      if (is("Caption")) return label->SetCaption(Str(v));
      if (is("Alignment")) return label->SetAlignment(Enum(v, kAlignments));
      if (is("AutoSize")) return label->SetAutoSize(Bool(v));
    } else if (auto* panel = dynamic_cast<TPanel*>(component)) {
      if (is("Caption")) return panel->SetCaption(Str(v));
    } else if (auto* image = dynamic_cast<TImage*>(component)) {
      if (is("AutoSize")) return image->SetAutoSize(Bool(v));
      if (is("Transparent")) return image->SetTransparent(Bool(v));
      if (is("Picture.Data")) return image->SetPictureData(Bytes(v));
    } else if (auto* bevel = dynamic_cast<TBevel*>(component)) {
      if (is("Shape")) return bevel->SetShape(Enum(v, kBevelShapes));
      if (is("Style")) return bevel->SetStyle(Enum(v, kBevelStyles));
    } else if (auto* speed = dynamic_cast<TSpeedButton*>(component)) {
      if (is("Caption")) return speed->SetCaption(Str(v));
      if (is("Flat")) return speed->SetFlat(Bool(v));
      if (is("NumGlyphs")) return speed->SetNumGlyphs(static_cast<int32_t>(IntegerIn(v, 1, 4)));
      if (is("Glyph.Data")) return speed->Glyph().SetData(Bytes(v));
    } else if (auto* updown = dynamic_cast<TUpDown*>(component)) {
      if (is("Min")) return updown->SetMin(Int16(v));
      if (is("Max")) return updown->SetMax(Int16(v));
      if (is("Position")) return updown->SetPosition(Int16(v));
      if (is("Increment")) return updown->SetIncrement(Int16(v));
      if (is("Associate")) {
        if (v.Type != Value::Identifier) Invalid();
        // The associate may come later in the image: resolved once all is read.
        const std::string target = v.Text;
        const std::string where = "Error reading " + ComponentName(updown) + "." + name + ": ";
        fixups_.push_back([this, updown, target, where] {
          auto* associate = dynamic_cast<TWinControl*>(form_->FindComponent(target));
          if (associate == nullptr || associate == updown)
            throw EReadError(where + "Invalid property value " + target);
          updown->SetAssociate(associate);
        });
        return;
      }
    }
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
  std::vector<std::function<void()>> fixups_;
  std::vector<std::pair<int32_t, TWinControl*>> pending_tab_orders_;
  bool show_form_ = false;
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
