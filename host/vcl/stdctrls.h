// The standard controls: buttons, labels, check boxes and edits.
#pragma once

#include "host/vcl/controls.h"

namespace host {

// A push button. Enter presses the form's Default button, Esc its Cancel button;
// a click sets the form's modal result to the button's own, then runs OnClick.
class HOST_API TButton : public TWinControl {
 public:
  using TWinControl::TWinControl;
  HOST_CLASS_NAME(TButton)
  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult r) { modal_result_ = r; }
  void Click() override;
  // A person's click: through the system's button where there is one.
  void Press();
  void ControlNotified(ControlNotice notice) override;

 protected:
  const char* SystemClass() const override { return "BUTTON"; }
  uint32_t SystemStyle() const override;

 private:
  bool default_ = false;
  bool cancel_ = false;
  TModalResult modal_result_ = mrNone;
};

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// A caption next to other controls. With AutoSize (the default) a new caption
// sizes the label to its text in the label's font; the edge named by Alignment
// stays where it is (the left edge, the right edge, or the centre).
class HOST_API TLabel : public TControl {
 public:
  using TControl::TControl;
  HOST_CLASS_NAME(TLabel)
  void SetCaption(const AnsiString& text) override;
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a) { alignment_ = a; }
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool v);
  // Sizes the label to its caption (what AutoSize does on every change).
  void AdjustBounds();

 private:
  TAlignment alignment_ = taLeftJustify;
  bool auto_size_ = true;
};

// A check box: a click toggles Checked.
class HOST_API TCheckBox : public TWinControl {
 public:
  using TWinControl::TWinControl;
  HOST_CLASS_NAME(TCheckBox)
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  void Click() override {
    checked_ = !checked_;
    TWinControl::Click();
  }
  // A person's click: through the system's check box where there is one, which
  // toggles itself; Checked then reads what it shows.
  void Press();
  void ControlNotified(ControlNotice notice) override;

 protected:
  const char* SystemClass() const override { return "BUTTON"; }
  uint32_t SystemStyle() const override;
  void SystemControlCreated() override;

 private:
  bool checked_ = false;
};

// A one-line edit; its Text is what the user typed.
class HOST_API TEdit : public TWinControl {
 public:
  using TWinControl::TWinControl;
  HOST_CLASS_NAME(TEdit)
  // A person's typing over the whole text: into the system's edit where there
  // is one.
  void TypeText(const AnsiString& text);
  void ControlNotified(ControlNotice notice) override;

 protected:
  const char* SystemClass() const override { return "EDIT"; }
  uint32_t SystemStyle() const override;
};

}  // namespace host
