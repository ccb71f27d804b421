// The common controls: the tab control with its row model, and the up-down
// control.
#pragma once

#include <vector>

#include "host/vcl/controls.h"

namespace host {

enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };
HOST_API const char* TabStyleName(TTabStyle style);

// A tab control lays its tabs out in rows. Tabs are 18 pixels high, buttons 23
// (20 and a 3-pixel gap). With MultiLine the tabs wrap onto as many rows as they
// need at the control's width; without it they stay on one row. DisplayRect is
// the client rectangle inside the rows and the borders; when the control is lower
// than its rows, its bottom lies above its top, as the system reports it.
//
// Changing the style or MultiLine re-creates the control's window at the next
// pass of the message loop; the new window reports its size (OnResize fires then,
// whether or not the size changed), as the system's tab control does.
class HOST_API TTabControl : public TWinControl {
 public:
  explicit TTabControl(TComponent* owner);
  HOST_CLASS_NAME(TTabControl)

  static constexpr int32_t kTabHeight = 18;
  static constexpr int32_t kButtonHeight = 20;
  static constexpr int32_t kButtonGap = 3;
  static constexpr int32_t kTabBorder = 4;

  const std::vector<AnsiString>& Tabs() const { return tabs_; }
  void SetTabs(std::vector<AnsiString> tabs);
  int32_t TabIndex() const { return tab_index_; }
  void SetTabIndex(int32_t index);

  bool MultiLine() const { return multi_line_; }
  void SetMultiLine(bool v);
  TTabStyle Style() const { return style_; }
  void SetStyle(TTabStyle v);
  bool HotTrack() const { return hot_track_; }
  void SetHotTrack(bool v);
  bool RaggedRight() const { return ragged_right_; }
  void SetRaggedRight(bool v);

  struct TabPlacement {
    int32_t Index;  // into Tabs()
    TRect Bounds;   // in control coordinates
  };
  // Where each tab stands at the current width, row by row.
  std::vector<TabPlacement> TabRects() const;
  int32_t RowCount() const;
  int32_t RowHeight() const;
  TRect DisplayRect() const;
  // Window re-creations so far (each reports the size anew).
  int32_t WindowRecreations() const { return recreations_; }
  void ControlNotified(ControlNotice notice) override;

 protected:
  const char* SystemClass() const override { return "SysTabControl32"; }
  uint32_t SystemStyle() const override;
  void SystemControlCreated() override;

 private:
  void RestyleSystemControl();
  void FillSystemControl();
  std::vector<std::vector<int32_t>> Rows() const;
  int32_t TabWidth(int32_t index) const;
  void RecreateWnd();

  std::vector<AnsiString> tabs_;
  int32_t tab_index_ = -1;
  bool multi_line_ = false;
  TTabStyle style_ = tsTabs;
  bool hot_track_ = false;
  bool ragged_right_ = false;
  bool recreate_pending_ = false;
  int32_t recreations_ = 0;
};

// The up-down control: two arrows that step a 16-bit position within Min..Max
// and write it into the associated control (an edit) as decimal text. A
// position outside the range is clamped to the nearest end first, as the
// system's control does (0 handed to an up-down of 150..800 shows "150").
// Changing Min or Max leaves the position as it is. An associate owned by the
// same owner is forgotten when it is freed.
class HOST_API TUpDown : public TWinControl {
 public:
  using TWinControl::TWinControl;
  HOST_CLASS_NAME(TUpDown)

  TWinControl* Associate() const { return associate_; }
  // Writes the position into the new associate.
  void SetAssociate(TWinControl* control);
  int16_t Min() const { return min_; }
  void SetMin(int16_t v);
  int16_t Max() const { return max_; }
  void SetMax(int16_t v);
  int16_t Position() const { return position_; }
  void SetPosition(int16_t v);
  int16_t Increment() const { return increment_; }
  void SetIncrement(int16_t v) { increment_ = v; }

  // The user's click on an arrow. The step starts from the number in the
  // associate's text when it holds one (the user may have typed), else from
  // the position, and stops at the end of the range.
  void ClickUp() { Step(+1); }
  void ClickDown() { Step(-1); }
  // The upper half is the up arrow, the lower half the down arrow.
  void MouseClick(int32_t x, int32_t y) override;
  void Notification(TComponent* component, bool removing) override;
  // The system's arrows moved the position (and wrote it into the associate).
  void ControlNotified(ControlNotice notice) override;

 protected:
  const char* SystemClass() const override { return "msctls_updown32"; }
  uint32_t SystemStyle() const override;
  void SystemControlCreated() override;

 private:
  void SendRange();
  void Step(int direction);
  int16_t Clamp(int32_t v) const;
  TWinControl* associate_ = nullptr;
  int16_t min_ = 0, max_ = 100, position_ = 0, increment_ = 1;
};

}  // namespace host
