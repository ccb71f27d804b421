// Speed buttons.
#pragma once

#include <cstdint>

#include "host/vcl/controls.h"

namespace host {

// A speed button: a flat-able button without a window that shows a glyph. The
// glyph's bottom-left pixel colour is transparent. A click runs OnClick.
class HOST_API TSpeedButton : public TControl {
 public:
  using TControl::TControl;
  HOST_CLASS_NAME(TSpeedButton)
  TBitmap& Glyph() { return glyph_; }
  const TBitmap& Glyph() const { return glyph_; }
  bool Flat() const { return flat_; }
  void SetFlat(bool v) { flat_ = v; }
  // How many pictures the glyph holds side by side (up, disabled, down, ...).
  int32_t NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int32_t n) { num_glyphs_ = n < 1 ? 1 : (n > 4 ? 4 : n); }

 private:
  TBitmap glyph_;
  bool flat_ = false;
  int32_t num_glyphs_ = 1;
};

}  // namespace host
