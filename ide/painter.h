// What the pictures of the desktop are drawn with: a small painter that fills
// rectangles, draws an icon's pixels and lines of text in the dialog font, and
// keeps a clip and an origin. The desktop's drawing code (ide/desktop_drawing.h)
// decides what goes where and uses only this; a back end puts it on a surface
// (cairo for the pictures, GDI on a device context in the Windows build).
#pragma once

#include <cstdint>
#include <string>

#include "host/vcl/graphics.h"
#include "host/win32/win32.h"

namespace ide {

// The dialog font's face and size in pixels, which the form images' control
// sizes assume; a tool window's caption uses it half a pixel smaller.
inline constexpr const char* kFontFamily = "Nimbus Sans";
inline constexpr double kFontSize = 10.5;

// The selected font's extent above and below the baseline, in pixels.
struct FontExtents {
  double Ascent = 0, Descent = 0;
};

// Colours are 0xRRGGBB; coordinates are pixels in the current origin.
class Painter {
 public:
  virtual ~Painter() = default;

  // A rectangle filled with one colour (an empty one draws nothing).
  virtual void Fill(const host::TRect& r, uint32_t rgb) = 0;
  // A rectangle filled with a horizontal gradient from `left` to `right`.
  virtual void Gradient(const host::TRect& r, uint32_t left, uint32_t right) = 0;
  // An icon's image at (x, y), its size; pixels of alpha 0 leave what is there.
  virtual void Icon(const host::IconPixels& icon, int32_t x, int32_t y) = 0;

  // The dialog font for the text that follows, bold or not, at `size` pixels.
  virtual void SelectFont(bool bold, double size) = 0;
  // In the selected font: a text's advance width and the font's extents.
  virtual double TextWidth(const std::string& text) = 0;
  virtual FontExtents Extents() = 0;
  // A line of text (8-bit, the Windows ANSI code page) from (x, baseline).
  virtual void Text(double x, double baseline, const std::string& text, uint32_t rgb) = 0;

  // Narrows the clip to a rectangle; moves the origin. Offsets are summed in
  // 64 bits: stored positions may lie anywhere in the 32-bit range.
  virtual void Clip(const host::TRect& r) = 0;
  virtual void Translate(int64_t x, int64_t y) = 0;
  // Saves and restores the clip and the origin, nested.
  virtual void Save() = 0;
  virtual void Restore() = 0;
};

// Saves the painter's state for a scope.
class SavedState {
 public:
  explicit SavedState(Painter& p) : p_(p) { p_.Save(); }
  ~SavedState() { p_.Restore(); }
  SavedState(const SavedState&) = delete;
  SavedState& operator=(const SavedState&) = delete;

 private:
  Painter& p_;
};

}  // namespace ide
