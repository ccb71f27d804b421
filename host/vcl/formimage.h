// Form images: a form's controls, positions, captions, hints and event bindings
// kept as a text form file beside its unit and embedded as a named RCDATA
// resource ("TFMOPTIONS"). The reader creates the controls by class name, sets
// their properties, binds events by method name and fills the form's fields.
//
// The text form format:
//   object fmOptions: TfmOptions          the form itself (the outermost object)
//     Caption = 'Fleetforge Options'      'text' with '' for a quote, #13 character codes
//     ClientWidth = 361                   integers, identifiers (bsDialog, clBtnFace), True/False
//     BorderIcons = [biSystemMenu]        sets
//     Font.Style = [fsBold]               dotted sub-properties
//     OnCreate = FormCreate               events: a method name of the form's class
//     object btOK: TButton                an owned control, parented to the enclosing object
//       Glyph.Data = {0A0B0C...}          binary data in hex, over as many lines as needed
//     end
//   end
//
// Keywords, class names, property names, identifiers and method names compare
// ignoring letter case; component names (and the Associate they name) exactly.
// Integers are decimal or $hexadecimal (eight hex digits are the 32 bits of a
// signed number). A string's parts are written together ('it''s'#13#10'ok'); a
// '+' at the end of a line continues it on the next. Sets are [a, b]. Binary
// data is hex digits in braces, over as many lines as needed, an even number.
//
// What the reader does:
// - The outermost object must be of the form's class; its name becomes the
//   form's, made unique among the owner's components with "_1", "_2", ...
// - Each nested object is created by class name with the form as its owner
//   and, for a control, the enclosing object as its parent, which must be a
//   windowed control. A control starts with its parent's font.
// - Properties are set in the order written, except that Left, Top, Width,
//   Height (then ClientWidth, ClientHeight) of an object are applied after its
//   other properties, so auto-sizing while reading keeps the designed bounds;
//   the TabOrder of the children of one container is set once all of them are
//   there, in rising order; an Associate is resolved after the whole image; a
//   form saved Visible is shown at the end.
// - A non-visual component's Left and Top place it in the designer only and are
//   read and dropped.
// - Finally the bindings' fields are set to the components of their names.
//
// Classes: TButton, TCheckBox, TEdit, TLabel, TPanel, TImage, TBevel,
// TSpeedButton, TUpDown, TTimer. Properties: every control has Left, Top,
// Width, Height, Hint, Enabled, Visible, Color, Font.Name/Height/Size/Charset/
// Color/Style, ParentFont, Constraints.*, OnClick, OnResize; a windowed control
// TabOrder, TabStop; the form Caption, ClientWidth, ClientHeight, BorderStyle,
// BorderIcons, FormStyle, Position, WindowState, ShowHint, DockSite,
// UseDockManager, OnCreate, OnShow, OnClose, OnDestroy; TButton Caption,
// Default, Cancel, ModalResult; TCheckBox Caption, Checked; TEdit Text; TLabel
// Caption, Alignment, AutoSize; TPanel Caption; TImage AutoSize, Transparent,
// Picture.Data; TBevel Shape, Style; TSpeedButton Caption, Flat, NumGlyphs,
// Glyph.Data; TUpDown Associate, Min, Max, Position, Increment; TTimer Enabled,
// Interval, OnTimer. Glyph.Data and Picture.Data are the streamed graphics
// described in host/vcl/graphics.h.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "host/vcl/forms.h"

namespace host {

// What a form class offers the reader: its event handlers by method name and its
// fields by component name.
struct TFormImageBindings {
  std::map<std::string, TNotifyEvent> Methods;
  std::map<std::string, TComponent**> Fields;
  // Fields of a control class, set through Field(), which checks the class.
  std::map<std::string, std::function<bool(TComponent*)>> TypedFields;

  // Binds each of a form class's published methods, by its name, to form.
  template <class Form, size_t N>
  void Publish(Form* form, const TPublishedMethod<Form> (&methods)[N]) {
    for (const TPublishedMethod<Form>& method : methods)
      Methods[method.Name] = TNotifyEvent(form, method.Code);
  }

  // Binds a field of type T* to the component of that name.
  template <class T>
  void Field(const std::string& name, T*& field) {
    TypedFields[name] = [&field](TComponent* component) {
      T* typed = dynamic_cast<T*>(component);
      if (typed == nullptr) return false;
      field = typed;
      return true;
    };
  }
};

// Reads a form image into form. Raises EReadError on:
// - malformed text: "Line <n>: <why>", e.g. "Line 4: Unterminated string"; objects
//   nested more than 64 deep, the form included, are "Line <n>: Objects nested
//   deeper than 64";
// - an unknown class: "Line <n>: Class TFoo not found";
// - an unknown property, a value it cannot take or an unknown method: "Error
//   reading <name>.<property>: <why>", e.g. "Error reading btOK.Foo: Property Foo
//   does not exist", "... Method btOKClck not found";
// - a field whose component is missing or of another class: "Field
//   TfmOptions.btOK does not have a corresponding component".
// Components created before the error stay owned by the form.
HOST_API void ReadFormImage(TForm* form, std::string_view text, const TFormImageBindings& bindings);
// Finds the RCDATA resource of the form's class (its class name in capitals) in
// module and reads it; EResNotFound "Resource <NAME> not found" without one.
HOST_API void LoadFormImage(TForm* form, HMODULE module, const TFormImageBindings& bindings);

HOST_EXCEPTION_CLASS(EReadError, Exception);

}  // namespace host
