#include "host/vcl/comctrls.h"

#include <algorithm>
#include <limits>

#include "host/vcl/messageloop.h"

namespace host {

const char* TabStyleName(TTabStyle style) {
  switch (style) {
    case tsTabs:
      return "tsTabs";
    case tsButtons:
      return "tsButtons";
    case tsFlatButtons:
      return "tsFlatButtons";
  }
  return "tsTabs";
}

TTabControl::TTabControl(TComponent* owner) : TWinControl(owner) {}

void TTabControl::SetTabs(std::vector<AnsiString> tabs) {
  tabs_ = std::move(tabs);
  if (tab_index_ >= static_cast<int32_t>(tabs_.size())) tab_index_ = tabs_.empty() ? -1 : 0;
  if (tab_index_ < 0 && !tabs_.empty()) tab_index_ = 0;
  Invalidate();
}

void TTabControl::SetTabIndex(int32_t index) {
  if (index >= -1 && index < static_cast<int32_t>(tabs_.size()) && index != tab_index_) {
    tab_index_ = index;
    Invalidate();
  }
}

void TTabControl::SetMultiLine(bool v) {
  if (v == multi_line_) return;
  multi_line_ = v;
  Invalidate();
  RecreateWnd();
}

void TTabControl::SetStyle(TTabStyle v) {
  if (v == style_) return;
  style_ = v;
  Invalidate();
  RecreateWnd();
}

void TTabControl::RecreateWnd() {
  if (recreate_pending_) return;
  recreate_pending_ = true;
  MessageLoop::Instance().Post(this, [this] {
    recreate_pending_ = false;
    ++recreations_;
    Resize();
  });
}

int32_t TTabControl::RowHeight() const {
  return style_ == tsTabs ? kTabHeight : kButtonHeight + kButtonGap;
}

int32_t TTabControl::TabWidth(int32_t index) const {
  return DialogFontTextWidth(tabs_[static_cast<size_t>(index)]) + 12;
}

std::vector<std::vector<int32_t>> TTabControl::Rows() const {
  std::vector<std::vector<int32_t>> rows;
  const int32_t count = static_cast<int32_t>(tabs_.size());
  if (count == 0) return rows;
  const int32_t gap = style_ == tsTabs ? 0 : kButtonGap;
  const int32_t available = std::max<int32_t>(Width() - (style_ == tsTabs ? 2 * kTabBorder : 0), 1);
  rows.emplace_back();
  int32_t used = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t w = TabWidth(i) + gap;
    if (multi_line_ && !rows.back().empty() && used + w > available) {
      rows.emplace_back();
      used = 0;
    }
    rows.back().push_back(i);
    used += w;
  }
  return rows;
}

int32_t TTabControl::RowCount() const {
  return static_cast<int32_t>(Rows().size());
}

std::vector<TTabControl::TabPlacement> TTabControl::TabRects() const {
  std::vector<TabPlacement> result;
  const auto rows = Rows();
  const int32_t row_height = RowHeight();
  const int32_t gap = style_ == tsTabs ? 0 : kButtonGap;
  const int32_t left0 = style_ == tsTabs ? kTabBorder / 2 : 0;
  const int32_t available = std::max<int32_t>(Width() - (style_ == tsTabs ? 2 * kTabBorder : 0), 1);
  for (size_t r = 0; r < rows.size(); ++r) {
    int32_t natural = 0;
    for (int32_t i : rows[r]) natural += TabWidth(i) + gap;
    // Without RaggedRight a full row is stretched to the control's width; the
    // last row of a multi-line control keeps its natural widths.
    const bool stretch = multi_line_ && !ragged_right_ && rows.size() > 1 && r + 1 < rows.size();
    const int32_t extra = stretch ? std::max(available - natural, 0) : 0;
    int32_t x = left0;
    const int32_t n = static_cast<int32_t>(rows[r].size());
    for (int32_t k = 0; k < n; ++k) {
      const int32_t i = rows[r][static_cast<size_t>(k)];
      const int32_t w = TabWidth(i) + extra / n + (k < extra % n ? 1 : 0);
      const int32_t y = static_cast<int32_t>(r) * row_height + (style_ == tsTabs ? 2 : 0);
      const int32_t h = style_ == tsTabs ? kTabHeight : kButtonHeight;
      result.push_back({i, {x, y, x + w, y + h}});
      x += w + gap;
    }
  }
  return result;
}

TRect TTabControl::DisplayRect() const {
  const int32_t rows = RowCount();
  if (style_ == tsTabs) {
    return {kTabBorder, rows * kTabHeight + kTabBorder, Width() - kTabBorder,
            Height() - kTabBorder};
  }
  return {0, rows * RowHeight(), Width(), Height()};
}

// ---- TUpDown ---------------------------------------------------------------------

int16_t TUpDown::Clamp(int32_t v) const {
  const int32_t lo = std::min(min_, max_), hi = std::max(min_, max_);
  return static_cast<int16_t>(std::clamp(v, lo, hi));
}

void TUpDown::SetPosition(int16_t v) {
  position_ = Clamp(v);
  Invalidate();
  if (associate_ != nullptr) associate_->SetText(IntToStr(position_));
}

void TUpDown::SetAssociate(TWinControl* control) {
  associate_ = control;
  if (associate_ != nullptr) associate_->SetText(IntToStr(position_));
}

void TUpDown::Step(int direction) {
  int32_t from = position_;
  if (associate_ != nullptr) {
    try {
      from = StrToInt(associate_->Text());
    } catch (const EConvertError&) {
      // Not a number: the arrows go on from the position.
    }
  }
  // Towards Max for the up arrow, whichever way round the range is.
  const int32_t sign = min_ <= max_ ? direction : -direction;
  const int64_t next =
      std::clamp<int64_t>(int64_t{from} + int64_t{sign} * increment_,
                          std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max());
  SetPosition(Clamp(static_cast<int32_t>(next)));
}

void TUpDown::MouseClick(int32_t, int32_t y) {
  if (!Enabled()) return;
  if (y < Height() / 2)
    ClickUp();
  else
    ClickDown();
  Click();
}

void TUpDown::Notification(TComponent* component, bool removing) {
  TWinControl::Notification(component, removing);
  if (removing && component == associate_) associate_ = nullptr;
}

}  // namespace host
