// The tab control with its row model.
#pragma once

#include <vector>

#include "host/vcl/controls.h"

namespace host {

enum TTabStyle { tsTabs, tsButtons, tsFlatButtons };
HOST_API const char* TabStyleName(TTabStyle style);

// Text width in pixels of the host's default dialog font ("MS Sans Serif", 8 point).
HOST_API int32_t DialogFontTextWidth(const AnsiString& text);

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
  void SetHotTrack(bool v) { hot_track_ = v; }
  bool RaggedRight() const { return ragged_right_; }
  void SetRaggedRight(bool v) { ragged_right_ = v; }

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

 private:
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

}  // namespace host
