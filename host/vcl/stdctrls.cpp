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
