// The painter on a cairo context: the pictures' back end (SVG and PNG).
#pragma once

#include <cairo.h>

#include <memory>

#include "ide/painter.h"

namespace ide {

// cairo's objects, freed on every path.
struct CairoDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
  void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
  void operator()(cairo_font_options_t* o) const { cairo_font_options_destroy(o); }
};
using CairoSurface = std::unique_ptr<cairo_surface_t, CairoDeleter>;
using CairoContext = std::unique_ptr<cairo_t, CairoDeleter>;
using CairoPattern = std::unique_ptr<cairo_pattern_t, CairoDeleter>;
using CairoFontOptions = std::unique_ptr<cairo_font_options_t, CairoDeleter>;

class CairoPainter final : public Painter {
 public:
  // Sets the context up as the screen draws: sharp edges, and text
  // anti-aliased in grey with its widths hinted to whole pixels.
  explicit CairoPainter(cairo_t* cr);

  void Fill(const host::TRect& r, uint32_t rgb) override;
  void Gradient(const host::TRect& r, uint32_t left, uint32_t right) override;
  void Icon(const host::IconPixels& icon, int32_t x, int32_t y) override;
  void SelectFont(bool bold, double size) override;
  double TextWidth(const std::string& text) override;
  FontExtents Extents() override;
  void Text(double x, double baseline, const std::string& text, uint32_t rgb) override;
  void Clip(const host::TRect& r) override;
  void Translate(int64_t x, int64_t y) override;
  void Save() override;
  void Restore() override;

 private:
  void Colour(uint32_t rgb);

  cairo_t* cr_;
};

}  // namespace ide
