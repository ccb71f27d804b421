#include "host/vcl/stdctrls.h"

#include <algorithm>
#include <limits>

#include "host/vcl/forms.h"

namespace host {

namespace {

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

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
