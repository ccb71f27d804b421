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

namespace {
// The system's tab control and up-down messages, and the tab item they take
// (laid out as the system's TCITEMA).
constexpr UINT TCM_INSERTITEMA = 0x1307;
constexpr UINT TCM_DELETEALLITEMS = 0x1309;
constexpr UINT TCM_GETITEMRECT = 0x130A;
constexpr UINT TCM_GETCURSEL = 0x130B;
constexpr UINT TCM_SETCURSEL = 0x130C;
constexpr UINT TCM_ADJUSTRECT = 0x1328;
constexpr UINT TCM_GETROWCOUNT = 0x132C;
constexpr uint32_t TCIF_TEXT = 0x0001;
struct TabItem {
  uint32_t Mask = 0;
  uint32_t State = 0;
  uint32_t StateMask = 0;
  const char* Text = nullptr;
  int32_t TextMax = 0;
  int32_t Image = -1;
  intptr_t Param = 0;
};
constexpr UINT UDM_SETBUDDY = 0x0469;
constexpr UINT UDM_SETRANGE32 = 0x046F;
constexpr UINT UDM_SETPOS32 = 0x0471;
constexpr UINT UDM_GETPOS32 = 0x0472;
}  // namespace

TTabControl::TTabControl(TComponent* owner) : TWinControl(owner) {}

void TTabControl::SetTabs(std::vector<AnsiString> tabs) {
  tabs_ = std::move(tabs);
  if (tab_index_ >= static_cast<int32_t>(tabs_.size())) tab_index_ = tabs_.empty() ? -1 : 0;
  if (tab_index_ < 0 && !tabs_.empty()) tab_index_ = 0;
  Invalidate();
  FillSystemControl();
}

void TTabControl::SetTabIndex(int32_t index) {
  if (index >= -1 && index < static_cast<int32_t>(tabs_.size()) && index != tab_index_) {
    tab_index_ = index;
    Invalidate();
    SendSystemMessage(TCM_SETCURSEL, static_cast<uintptr_t>(index), 0);
  }
}

void TTabControl::SetHotTrack(bool v) {
  if (v == hot_track_) return;
  hot_track_ = v;
  Invalidate();
  RestyleSystemControl();
}

void TTabControl::SetRaggedRight(bool v) {
  if (v == ragged_right_) return;
  ragged_right_ = v;
  Invalidate();
  RestyleSystemControl();
}

uint32_t TTabControl::SystemStyle() const {
  uint32_t style = TabStop() ? WS_TABSTOP : 0;
  if (style_ == tsButtons) style |= TCS_BUTTONS;
  if (style_ == tsFlatButtons) style |= TCS_BUTTONS | TCS_FLATBUTTONS;
  if (multi_line_) style |= TCS_MULTILINE;
  if (hot_track_) style |= TCS_HOTTRACK;
  if (ragged_right_) style |= TCS_RAGGEDRIGHT;
  return style;
}

void TTabControl::RestyleSystemControl() {
  if (SystemHandle() != 0) WindowSystem::Instance().SetControlStyle(SystemHandle(), SystemStyle());
}

void TTabControl::SystemControlCreated() {
  FillSystemControl();
}

void TTabControl::FillSystemControl() {
  if (SystemHandle() == 0) return;
  SendSystemMessage(TCM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < tabs_.size(); ++i) {
    TabItem item;
    item.Mask = TCIF_TEXT;
    item.Text = tabs_[i].c_str();
    SendSystemMessage(TCM_INSERTITEMA, i, reinterpret_cast<intptr_t>(&item));
  }
  SendSystemMessage(TCM_SETCURSEL, static_cast<uintptr_t>(tab_index_), 0);
}

void TTabControl::ControlNotified(ControlNotice notice) {
  if (notice != ControlNotice::Selected) return;
  tab_index_ = static_cast<int32_t>(SendSystemMessage(TCM_GETCURSEL, 0, 0));
  Invalidate();
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
    RecreateSystemControl();
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
  if (SystemHandle() != 0) return static_cast<int32_t>(SendSystemMessage(TCM_GETROWCOUNT, 0, 0));
  return static_cast<int32_t>(Rows().size());
}

std::vector<TTabControl::TabPlacement> TTabControl::TabRects() const {
  std::vector<TabPlacement> result;
  if (SystemHandle() != 0) {
    for (size_t i = 0; i < tabs_.size(); ++i) {
      TRect r;
      SendSystemMessage(TCM_GETITEMRECT, i, reinterpret_cast<intptr_t>(&r));
      result.push_back({static_cast<int32_t>(i), r});
    }
    return result;
  }
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
  if (SystemHandle() != 0) {
    TRect r{0, 0, Width(), Height()};
    SendSystemMessage(TCM_ADJUSTRECT, 0, reinterpret_cast<intptr_t>(&r));
    return r;
  }
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
  SendSystemMessage(UDM_SETPOS32, 0, position_);
  if (associate_ != nullptr) associate_->SetText(IntToStr(position_));
}

void TUpDown::SetMin(int16_t v) {
  min_ = v;
  SendRange();
}

void TUpDown::SetMax(int16_t v) {
  max_ = v;
  SendRange();
}

void TUpDown::SendRange() {
  SendSystemMessage(UDM_SETRANGE32, static_cast<uintptr_t>(static_cast<intptr_t>(min_)), max_);
}

void TUpDown::SetAssociate(TWinControl* control) {
  associate_ = control;
  SendSystemMessage(UDM_SETBUDDY, associate_ != nullptr ? associate_->SystemHandle() : 0, 0);
  if (associate_ != nullptr) associate_->SetText(IntToStr(position_));
}

uint32_t TUpDown::SystemStyle() const {
  return UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS | (TabStop() ? WS_TABSTOP : 0);
}

void TUpDown::SystemControlCreated() {
  SendRange();
  if (associate_ != nullptr) SendSystemMessage(UDM_SETBUDDY, associate_->SystemHandle(), 0);
  SendSystemMessage(UDM_SETPOS32, 0, position_);
}

void TUpDown::ControlNotified(ControlNotice notice) {
  if (notice != ControlNotice::Scrolled) return;
  position_ = Clamp(static_cast<int32_t>(SendSystemMessage(UDM_GETPOS32, 0, 0)));
  Invalidate();
  Click();
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
