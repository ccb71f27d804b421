#include "host/vcl/stdctrls.h"

#include <algorithm>

#include "host/rtl/clamp.h"
#include "host/vcl/forms.h"

namespace host {

// ---- TButton -------------------------------------------------------------------

void TButton::Click() {
  if (modal_result_ != mrNone) {
    for (TWinControl* p = Parent(); p != nullptr; p = p->Parent()) {
      if (auto* form = dynamic_cast<TForm*>(p)) {
        form->SetModalResult(modal_result_);
        break;
      }
    }
  }
  TWinControl::Click();
}

void TButton::SetDefault(bool v) {
  if (v == default_) return;
  default_ = v;
  if (SystemHandle() != 0) WindowSystem::Instance().SetControlStyle(SystemHandle(), SystemStyle());
}

uint32_t TButton::SystemStyle() const {
  return (default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | (TabStop() ? WS_TABSTOP : 0);
}

void TButton::Press() {
  if (SystemHandle() != 0)
    SendSystemMessage(BM_CLICK, 0, 0);
  else if (Enabled())
    Click();
}

void TButton::ControlNotified(ControlNotice notice) {
  if (notice == ControlNotice::Clicked) Click();
}

// ---- TCheckBox -------------------------------------------------------------------

void TCheckBox::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  Invalidate();
  SendSystemMessage(BM_SETCHECK, v ? BST_CHECKED : 0, 0);
}

uint32_t TCheckBox::SystemStyle() const {
  return BS_AUTOCHECKBOX | (TabStop() ? WS_TABSTOP : 0);
}

void TCheckBox::SystemControlCreated() {
  SendSystemMessage(BM_SETCHECK, checked_ ? BST_CHECKED : 0, 0);
}

void TCheckBox::Press() {
  if (SystemHandle() != 0)
    SendSystemMessage(BM_CLICK, 0, 0);
  else if (Enabled())
    Click();
}

void TCheckBox::ControlNotified(ControlNotice notice) {
  if (notice != ControlNotice::Clicked) return;
  // The system's box has toggled itself already.
  checked_ = SendSystemMessage(BM_GETCHECK, 0, 0) == BST_CHECKED;
  Invalidate();
  TWinControl::Click();
}

// ---- TEdit -----------------------------------------------------------------------

uint32_t TEdit::SystemStyle() const {
  return ES_AUTOHSCROLL | (TabStop() ? WS_TABSTOP : 0);
}

void TEdit::TypeText(const AnsiString& text) {
  if (SystemHandle() == 0) {
    SetText(text);
    return;
  }
  WindowSystem::Instance().FocusControl(SystemHandle());
  SendSystemMessage(EM_SETSEL, 0, -1);
  SendSystemMessage(EM_REPLACESEL, 1, reinterpret_cast<intptr_t>(text.c_str()));
}

void TEdit::ControlNotified(ControlNotice notice) {
  if (notice == ControlNotice::Changed)
    TakeText(WindowSystem::Instance().ControlText(SystemHandle()));
}

// ---- TLabel ----------------------------------------------------------------------

void TLabel::SetCaption(const AnsiString& text) {
  TControl::SetCaption(text);
  AdjustBounds();
}

void TLabel::SetAutoSize(bool v) {
  auto_size_ = v;
  AdjustBounds();
}

void TLabel::AdjustBounds() {
  if (!auto_size_) return;
  const int32_t w = FontTextWidth(Caption(), Font());
  const int32_t h = FontTextHeight(Font());
  int64_t left = Left();
  if (alignment_ == taRightJustify)
    left += int64_t{Width()} - w;
  else if (alignment_ == taCenter)
    left += (int64_t{Width()} - w) / 2;
  SetBounds(ClampToInt32(left), Top(), w, h);
}

}  // namespace host
