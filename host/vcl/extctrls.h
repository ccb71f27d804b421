// The extra controls: panels, timers, images and bevels.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/vcl/controls.h"

namespace host {

// A plain container.
class HOST_API TPanel : public TWinControl {
 public:
  using TWinControl::TWinControl;
  HOST_CLASS_NAME(TPanel)
};

// ---- Timers -------------------------------------------------------------------
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

// An image. With AutoSize a new picture sizes the control to the graphic.
class HOST_API TImage : public TControl {
 public:
  using TControl::TControl;
  HOST_CLASS_NAME(TImage)
  const TPicture& Picture() const { return picture_; }
  // Raises EInvalidGraphic as TPicture::SetData does; the picture is then unchanged.
  void SetPictureData(std::string_view data);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool v);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool v) { transparent_ = v; }

 private:
  void FitPicture();
  TPicture picture_;
  bool auto_size_ = false;
  bool transparent_ = false;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// A bevel: a box, a frame or one separator line along an edge of its bounds.
class HOST_API TBevel : public TControl {
 public:
  using TControl::TControl;
  HOST_CLASS_NAME(TBevel)
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape s) { shape_ = s; }
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle s) { style_ = s; }

 private:
  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};

}  // namespace host
