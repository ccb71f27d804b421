// The painter on a cairo context.
#include "ide/painter_cairo.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace ide {
namespace {

// ---- Text ----------------------------------------------------------------------
// The host's strings are 8-bit text in the Windows ANSI code page; cairo takes
// UTF-8. Control characters (a NUL among them) would cut or break the string, so
// they become blanks; bytes the code page leaves undefined become '?'.
std::string ToUtf8(const std::string& text) {
  static const uint16_t kCp1252High[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    uint32_t code = c;
    if (c < 0x20 || c == 0x7F) {
      code = ' ';
    } else if (c >= 0x80 && c < 0xA0) {
      code = kCp1252High[c - 0x80];
      if (code == 0) code = '?';
    }
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

}  // namespace

CairoPainter::CairoPainter(cairo_t* cr) : cr_(cr) {
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  CairoFontOptions fo(cairo_font_options_create());
  cairo_font_options_set_antialias(fo.get(), CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(fo.get(), CAIRO_HINT_STYLE_FULL);
  cairo_font_options_set_hint_metrics(fo.get(), CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr_, fo.get());
}

void CairoPainter::Colour(uint32_t rgb) {
  cairo_set_source_rgb(cr_, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                       (rgb & 0xFF) / 255.0);
}

void CairoPainter::Fill(const host::TRect& r, uint32_t rgb) {
  if (r.Width() <= 0 || r.Height() <= 0) return;
  Colour(rgb);
  cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
  cairo_fill(cr_);
}

void CairoPainter::Gradient(const host::TRect& r, uint32_t left, uint32_t right) {
  if (r.Width() <= 0 || r.Height() <= 0) return;
  CairoPattern gradient(cairo_pattern_create_linear(r.Left, 0, r.Right, 0));
  const auto stop = [&](double at, uint32_t c) {
    cairo_pattern_add_color_stop_rgb(gradient.get(), at, ((c >> 16) & 0xFF) / 255.0,
                                     ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0);
  };
  stop(0, left);
  stop(1, right);
  cairo_set_source(cr_, gradient.get());
  cairo_rectangle(cr_, r.Left, r.Top, r.Width(), r.Height());
  cairo_fill(cr_);
}

void CairoPainter::Icon(const host::IconPixels& icon, int32_t x, int32_t y) {
  if (icon.Empty()) return;
  CairoSurface image(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, icon.Width, icon.Height));
  if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS) return;
  cairo_surface_flush(image.get());
  unsigned char* data = cairo_image_surface_get_data(image.get());
  const int stride = cairo_image_surface_get_stride(image.get());
  for (int32_t row = 0; row < icon.Height; ++row)
    for (int32_t col = 0; col < icon.Width; ++col) {
      // Alpha is 0 or 255, so the pixel is already in cairo's premultiplied form.
      const uint32_t argb = icon.At(col, row);
      std::memcpy(data + static_cast<size_t>(row) * static_cast<size_t>(stride) + 4u * col, &argb,
                  4);
    }
  cairo_surface_mark_dirty(image.get());
  cairo_save(cr_);
  cairo_set_source_surface(cr_, image.get(), x, y);
  cairo_pattern_set_filter(cairo_get_source(cr_), CAIRO_FILTER_NEAREST);
  cairo_rectangle(cr_, x, y, icon.Width, icon.Height);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void CairoPainter::SelectFont(bool bold, double size) {
  cairo_select_font_face(cr_, kFontFamily, CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr_, size);
}

double CairoPainter::TextWidth(const std::string& text) {
  cairo_text_extents_t e;
  cairo_text_extents(cr_, ToUtf8(text).c_str(), &e);
  return e.x_advance;
}

FontExtents CairoPainter::Extents() {
  cairo_font_extents_t fe;
  cairo_font_extents(cr_, &fe);
  return {fe.ascent, fe.descent};
}

void CairoPainter::Text(double x, double baseline, const std::string& text, uint32_t rgb) {
  Colour(rgb);
  cairo_move_to(cr_, x, baseline);
  cairo_show_text(cr_, ToUtf8(text).c_str());
}

void CairoPainter::Clip(const host::TRect& r) {
  cairo_rectangle(cr_, r.Left, r.Top, std::max(r.Width(), 0), std::max(r.Height(), 0));
  cairo_clip(cr_);
}

void CairoPainter::Translate(int64_t x, int64_t y) {
  cairo_translate(cr_, static_cast<double>(x), static_cast<double>(y));
}

void CairoPainter::Save() {
  cairo_save(cr_);
}
void CairoPainter::Restore() {
  cairo_restore(cr_);
}

}  // namespace ide
