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
};

// Reads a form image into form. Raises EReadError ("Error reading <name>.<property>:
// <why>" / "Line <n>: <why>") on malformed text, an unknown class, property or
// method, or a field whose component is missing or of another class.
HOST_API void ReadFormImage(TForm* form, std::string_view text, const TFormImageBindings& bindings);
// Finds the RCDATA resource of the form's class (its class name in capitals) in
// module and reads it; EResNotFound "Resource <NAME> not found" without one.
HOST_API void LoadFormImage(TForm* form, HMODULE module, const TFormImageBindings& bindings);

HOST_EXCEPTION_CLASS(EReadError, Exception);

}  // namespace host
