// Controls: size constraints, the control and the windowed control.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/rtl/classes.h"
#include "host/vcl/graphics.h"
#include "host/win32/win32.h"

namespace host {

class TWinControl;

using TModalResult = int32_t;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5,
                       mrYes = 6, mrNo = 7;

// ---- Size constraints ------------------------------------------------------------
class TControl;
// 0 means no limit. A control's bounds are clamped to its constraints whenever
// they are set, and again when a constraint changes. When a minimum and a
// maximum contradict each other, the minimum wins.
class HOST_API TSizeConstraints {
 public:
  explicit TSizeConstraints(TControl* control) : control_(control) {}
  int32_t MinWidth() const { return min_width_; }
  int32_t MinHeight() const { return min_height_; }
  int32_t MaxWidth() const { return max_width_; }
  int32_t MaxHeight() const { return max_height_; }
  void SetMinWidth(int32_t v);
  void SetMinHeight(int32_t v);
  void SetMaxWidth(int32_t v);
  void SetMaxHeight(int32_t v);
  int32_t ClampWidth(int32_t w) const;
  int32_t ClampHeight(int32_t h) const;

 private:
  void Changed();
  TControl* control_;
  int32_t min_width_ = 0, min_height_ = 0, max_width_ = 0, max_height_ = 0;
};

// ---- Controls ----------------------------------------------------------------
class HOST_API TControl : public TComponent {
 public:
  explicit TControl(TComponent* owner);
  ~TControl() override;
  HOST_CLASS_NAME(TControl)

  TWinControl* Parent() const { return parent_; }
  void SetParent(TWinControl* parent);

  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  void SetLeft(int32_t v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int32_t v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int32_t v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int32_t v) { SetBounds(left_, top_, width_, v); }
  // Negative sizes become 0; the size is clamped to the constraints. OnResize
  // fires when the size really changes.
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  TRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
  TSizeConstraints& Constraints() { return constraints_; }
  const TSizeConstraints& Constraints() const { return constraints_; }
  virtual void ConstraintsChanged();

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  const AnsiString& Caption() const { return caption_; }
  virtual void SetCaption(const AnsiString& text);
  const AnsiString& Text() const { return caption_; }
  void SetText(const AnsiString& text) { SetCaption(text); }
  const AnsiString& Hint() const { return hint_; }
  void SetHint(const AnsiString& hint) { hint_ = hint; }
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  TColor Color() const { return color_; }
  void SetColor(TColor c);

  TNotifyEvent OnResize() const { return on_resize_; }
  void SetOnResize(TNotifyEvent e) { on_resize_ = e; }
  TNotifyEvent OnClick() const { return on_click_; }
  void SetOnClick(TNotifyEvent e) { on_click_ = e; }

  // The user's click on the control.
  virtual void Click();
  // A click at a point in the control's own coordinates.
  virtual void MouseClick(int32_t x, int32_t y);
  // Fires OnResize.
  virtual void Resize();
  // Screen position of the control's top-left corner.
  TPoint ScreenOrigin() const;
  // The control looks different now: its window is drawn again.
  void Invalidate();

 protected:
  // Called after the bounds have changed (sizeChanged: the width or height did).
  virtual void BoundsChanged(bool sizeChanged);
  void SetVisibleFlag(bool visible) { visible_ = visible; }
  // The text the user gave the control's window, taken as its own.
  void TakeText(const AnsiString& text) { caption_ = text; }

 private:
  friend class TWinControl;  // keeps the parent link
  TWinControl* parent_ = nullptr;
  int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TSizeConstraints constraints_{this};
  bool visible_ = true;
  bool enabled_ = true;
  AnsiString caption_;
  AnsiString hint_;
  TFont font_;
  TColor color_ = clBtnFace;
  TNotifyEvent on_resize_;
  TNotifyEvent on_click_;
};

// A windowed control. Where the window system has the system's own controls,
// a button, check box, edit, up-down or tab control is one of them while its
// form has a window: a child of that window, placed, shown, enabled and
// labelled as the control is, and telling the control what the person does to
// it. Other controls (and every control on the model) are drawn by the host.
class HOST_API TWinControl : public TControl, public ControlClient {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  HOST_CLASS_NAME(TWinControl)

  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void SetCaption(const AnsiString& text) override;
  // The system's control that stands for this one; 0 when there is none.
  HWND SystemHandle() const { return system_handle_; }
  // The window of a form (a top-level window) that this control is, or 0.
  virtual HWND OwnWindow() const { return 0; }
  // The window the control's system control lives in: its form's, if made.
  HWND ContainingWindow() const;
  // Makes the system's controls of this control and its children in window
  // (the form's window was made), or frees them (the control leaves it).
  void CreateSystemControls(HWND window);
  void DestroySystemControls();
  // The system's control made anew (a style that the system takes only then).
  void RecreateSystemControl();
  void ControlNotified(ControlNotice notice) override { (void)notice; }

  int32_t ControlCount() const { return static_cast<int32_t>(controls_.size()); }
  TControl* Controls(int32_t index) const;
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  // The client area's origin within the control, and its size.
  virtual TPoint ClientOrigin() const { return {0, 0}; }
  virtual int32_t ClientWidth() const { return Width(); }
  virtual int32_t ClientHeight() const { return Height(); }
  // The front-most visible child at a point in client coordinates.
  TControl* ControlAtPos(int32_t x, int32_t y) const;
  void MouseClick(int32_t x, int32_t y) override;
  // A child's bounds, constraints or visibility changed. Passed up by default.
  virtual void ControlChanged(TControl* control);
  // Something the control or one of its children shows changed; a form draws
  // its window again.
  virtual void ContentChanged() {}

  // The control's place in its parent's tab order: 0 for the first of the
  // parent's windowed children that takes the focus with the Tab key, -1 without
  // a parent. Controls come in the order they were put on the parent until a tab
  // order is set; setting one moves the control to that place (clamped to the
  // number of windowed siblings) and the others close up behind it.
  int32_t TabOrder() const;
  void SetTabOrder(int32_t order);
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool v) { tab_stop_ = v; }
  // The windowed children in tab order.
  std::vector<TWinControl*> TabList() const;

 protected:
  void BoundsChanged(bool sizeChanged) override;
  // The system's class and style of the control; nullptr: the host draws it.
  virtual const char* SystemClass() const { return nullptr; }
  virtual uint32_t SystemStyle() const { return 0; }
  // The system's control was made: it is handed what it shows beyond its text.
  virtual void SystemControlCreated() {}
  intptr_t SendSystemMessage(UINT message, uintptr_t w, intptr_t l) const;

 private:
  // Puts the system's controls of this control and its children where the
  // controls are, shown if they and their parents are visible.
  void PlaceSystemControls();
  HWND system_handle_ = 0;
  std::vector<TControl*> controls_;
  int64_t tab_rank_ = -1;  // explicit place among the siblings, -1 while none is set
  bool tab_stop_ = true;
};

}  // namespace host
