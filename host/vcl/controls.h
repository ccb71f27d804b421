// Controls, the message loop with its virtual clock, timers and actions.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/rtl/classes.h"
#include "host/win32/win32.h"

namespace host {

class TWinControl;
class TTimer;

// ---- The message loop ---------------------------------------------------------
// One thread, one virtual clock. Advance(ms) fires exactly the timers that fall
// due within that time, in due order, and delivers posted messages after each;
// nothing sleeps. An error that leaves a handler run from the loop is reported
// (ReportException) and the loop goes on, as the host's message loop does.
class HOST_API MessageLoop {
 public:
  static MessageLoop& Instance();

  int64_t Clock() const { return clock_ms_; }
  void Advance(int64_t ms);
  // Delivers the posted messages (and any they post in turn).
  void ProcessMessages();
  // Posts a message for a component; it is dropped if the component is destroyed first.
  void Post(TComponent* target, std::function<void()> message);
  void CancelMessages(TComponent* target);
  size_t PendingMessages() const { return posted_.size(); }

  void StartTimer(TTimer* timer);  // due one interval from now
  void StopTimer(TTimer* timer);
  size_t ActiveTimers() const { return timers_.size(); }
  void Reset();

 private:
  struct Posted {
    TComponent* Target;
    std::function<void()> Message;
  };
  struct Scheduled {
    TTimer* Timer;
    int64_t Due;
    uint64_t Sequence;
  };
  int64_t clock_ms_ = 0;
  uint64_t sequence_ = 0;
  std::vector<Posted> posted_;
  std::vector<Scheduled> timers_;
};

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

// ---- Colours and fonts -----------------------------------------------------------
// A colour is 0x00BBGGRR, or a system colour: the high bit and the system colour's
// index (clBtnFace is system colour 15).
using TColor = int32_t;
constexpr TColor kSystemColour = static_cast<TColor>(0x80000000u);
constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                 clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                 clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;
constexpr TColor clWindow = kSystemColour | 5, clWindowText = kSystemColour | 8,
                 clBtnFace = kSystemColour | 15, clBtnShadow = kSystemColour | 16,
                 clGrayText = kSystemColour | 17, clBtnText = kSystemColour | 18,
                 clBtnHighlight = kSystemColour | 20, clInfoBk = kSystemColour | 24;

enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint32_t;  // a set of TFontStyle
constexpr uint8_t DEFAULT_CHARSET = 1;

// A control's font; the host's default is the dialog font, "MS Sans Serif" with a
// character height of 11 pixels (Height -11).
class HOST_API TFont {
 public:
  const AnsiString& Name() const { return name_; }
  void SetName(const AnsiString& name) { name_ = name; }
  int32_t Height() const { return height_; }
  void SetHeight(int32_t h) { height_ = h; }
  uint8_t Charset() const { return charset_; }
  void SetCharset(uint8_t c) { charset_ = c; }
  TColor Color() const { return color_; }
  void SetColor(TColor c) { color_ = c; }
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles s) { style_ = s; }
  bool operator==(const TFont&) const = default;

 private:
  AnsiString name_ = "MS Sans Serif";
  int32_t height_ = -11;
  uint8_t charset_ = DEFAULT_CHARSET;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
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
  virtual void SetEnabled(bool enabled) { enabled_ = enabled; }

  const AnsiString& Caption() const { return caption_; }
  virtual void SetCaption(const AnsiString& text) { caption_ = text; }
  const AnsiString& Text() const { return caption_; }
  void SetText(const AnsiString& text) { SetCaption(text); }
  const AnsiString& Hint() const { return hint_; }
  void SetHint(const AnsiString& hint) { hint_ = hint; }
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  TColor Color() const { return color_; }
  void SetColor(TColor c) { color_ = c; }

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

 protected:
  // Called after the bounds have changed (sizeChanged: the width or height did).
  virtual void BoundsChanged(bool sizeChanged);
  void SetVisibleFlag(bool visible) { visible_ = visible; }

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

class HOST_API TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;
  HOST_CLASS_NAME(TWinControl)

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

 private:
  std::vector<TControl*> controls_;
  int64_t tab_rank_ = -1;  // explicit place among the siblings, -1 while none is set
  bool tab_stop_ = true;
};

// A plain container.
class HOST_API TPanel : public TWinControl {
 public:
  using TWinControl::TWinControl;
  HOST_CLASS_NAME(TPanel)
};

// ---- Timers and actions -------------------------------------------------------
// Active while Enabled, with a non-zero Interval and an OnTimer handler.
class HOST_API TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;
  HOST_CLASS_NAME(TTimer)

  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  TNotifyEvent OnTimer() const { return on_timer_; }
  void SetOnTimer(TNotifyEvent e);
  bool Running() const;
  void Fire();  // the loop's tick

 private:
  void Update();
  uint32_t interval_ = 1000;
  bool enabled_ = true;
  TNotifyEvent on_timer_;
};

class HOST_API TBasicAction : public TComponent {
 public:
  using TComponent::TComponent;
  HOST_CLASS_NAME(TBasicAction)
  TNotifyEvent OnExecute() const { return on_execute_; }
  void SetOnExecute(TNotifyEvent e) { on_execute_ = e; }
  // Runs the action's command; false when it has none.
  virtual bool Execute();

 private:
  TNotifyEvent on_execute_;
};

class HOST_API TAction : public TBasicAction {
 public:
  using TBasicAction::TBasicAction;
  HOST_CLASS_NAME(TAction)
  const AnsiString& Caption() const { return caption_; }
  void SetCaption(const AnsiString& c) { caption_ = c; }

 private:
  AnsiString caption_;
};

}  // namespace host
