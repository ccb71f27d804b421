// The painter on a GDI device context. The origin is kept here in 64 bits and
// every rectangle is clamped to what a device context can address; the clip is
// the device context's own, saved and restored with it.
#include "ide/painter_gdi.h"

#include <algorithm>
#include <cmath>

#include "host/rtl/winapi.h"

namespace ide {
namespace {

// GDI's coordinates are good to 27 bits; the screen is far inside.
constexpr int64_t kReach = int64_t{1} << 26;

int32_t Clamped(int64_t v) {
  return static_cast<int32_t>(std::clamp(v, -kReach, kReach));
}

COLORREF ColourRef(uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void FillDevice(HDC dc, const RECT& r, uint32_t rgb) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  HBRUSH brush = ::CreateSolidBrush(ColourRef(rgb));
  ::FillRect(dc, &r, brush);
  ::DeleteObject(brush);
}

}  // namespace

GdiPainter::GdiPainter(HDC dc) : dc_(dc) {
  original_dc_ = ::SaveDC(dc_);
  ::SetBkMode(dc_, TRANSPARENT);
  ::SetTextAlign(dc_, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
  SelectFont(false, kFontSize);
}

GdiPainter::~GdiPainter() {
  ::RestoreDC(dc_, original_dc_);
  for (const auto& [key, font] : fonts_) ::DeleteObject(font.Handle);
}

host::TRect GdiPainter::ToDevice(const host::TRect& r) const {
  return {Clamped(state_.X + r.Left), Clamped(state_.Y + r.Top), Clamped(state_.X + r.Right),
          Clamped(state_.Y + r.Bottom)};
}

void GdiPainter::Fill(const host::TRect& r, uint32_t rgb) {
  const host::TRect d = ToDevice(r);
  FillDevice(dc_, RECT{d.Left, d.Top, d.Right, d.Bottom}, rgb);
}

// One colour per column, as a linear gradient from the left edge to the right
// one gives it at the column's centre, worked out as cairo's image back end
// does: the position in 16 bits, the channels in 16 bits, rounded to 8.
void GdiPainter::Gradient(const host::TRect& r, uint32_t left, uint32_t right) {
  const host::TRect d = ToDevice(r);
  const int32_t width = d.Right - d.Left;
  if (width <= 0 || d.Bottom <= d.Top) return;
  for (int32_t i = 0; i < width; ++i) {
    const int64_t t = std::llround((i + 0.5) / width * 65536);
    uint32_t rgb = 0;
    for (int shift : {0, 8, 16}) {
      const int64_t a = ((left >> shift) & 0xFF) * 257, b = ((right >> shift) & 0xFF) * 257;
      const int64_t wide = (a * (65536 - t) + b * t) >> 16;
      rgb |= static_cast<uint32_t>((wide * 255 + 32767) / 65535) << shift;
    }
    FillDevice(dc_, RECT{d.Left + i, d.Top, d.Left + i + 1, d.Bottom}, rgb);
  }
}

void GdiPainter::Icon(const host::IconPixels& icon, int32_t x, int32_t y) {
  for (int32_t row = 0; row < icon.Height; ++row)
    for (int32_t col = 0; col < icon.Width; ++col) {
      const uint32_t argb = icon.At(col, row);
      if ((argb >> 24) == 0) continue;  // the mask leaves the pixel as it is
      const host::TRect d = ToDevice(host::TRect{x + col, y + row, x + col + 1, y + row + 1});
      ::SetPixelV(dc_, d.Left, d.Top, ColourRef(argb & 0xFFFFFF));
    }
}

// The dialog font's em is `size` pixels (a negative height asks for the em).
// GDI takes whole pixels: half a pixel more is left out, so that text is never
// wider than the pictures cairo draws, whose widths every caption fits. Without
// the face (Windows has no Nimbus Sans) the font mapper gives the system's sans
// serif face, which FF_SWISS asks for.
void GdiPainter::SelectFont(bool bold, double size) {
  const int height = std::max(1, static_cast<int>(std::floor(size)));
  Font& font = fonts_[{bold, height}];
  if (font.Handle == nullptr) {
    font.Handle = ::CreateFontA(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                                ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, kFontFamily);
    if (font.Handle == nullptr) return;
    ::SelectObject(dc_, font.Handle);
    font.Extents = DesignExtents(height);
  }
  ::SelectObject(dc_, font.Handle);
  extents_ = font.Extents;
}

// The face's typographic ascent and descent at `height` pixels, rounded up to
// whole pixels as a hinted font's are: read at the face's design size, where
// they are exact, and scaled. A face without outlines gives its cell's.
FontExtents GdiPainter::DesignExtents(int height) {
  TEXTMETRICA cell{};
  ::GetTextMetricsA(dc_, &cell);
  const FontExtents fallback{static_cast<double>(cell.tmAscent),
                             static_cast<double>(cell.tmDescent)};
  OUTLINETEXTMETRICA outline{};
  outline.otmSize = sizeof outline;
  if (::GetOutlineTextMetricsA(dc_, sizeof outline, &outline) == 0 || outline.otmEMSquare == 0)
    return fallback;
  LOGFONTA design{};
  HGDIOBJ current = ::GetCurrentObject(dc_, OBJ_FONT);
  ::GetObjectA(current, sizeof design, &design);
  design.lfHeight = -static_cast<LONG>(outline.otmEMSquare);
  HFONT large = ::CreateFontIndirectA(&design);
  if (large == nullptr) return fallback;
  ::SelectObject(dc_, large);
  FontExtents extents = fallback;
  if (::GetOutlineTextMetricsA(dc_, sizeof outline, &outline) != 0) {
    const double scale = static_cast<double>(height) / outline.otmEMSquare;
    extents = {std::ceil(outline.otmAscent * scale), std::ceil(-outline.otmDescent * scale)};
  }
  ::SelectObject(dc_, current);
  ::DeleteObject(large);
  return extents;
}

double GdiPainter::TextWidth(const std::string& text) {
  SIZE size{0, 0};
  if (!::GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &size)) return 0;
  return size.cx;
}

FontExtents GdiPainter::Extents() {
  return extents_;
}

// Control characters would show as boxes; they become blanks, as in the
// pictures cairo draws.
void GdiPainter::Text(double x, double baseline, const std::string& text, uint32_t rgb) {
  std::string shown = text;
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  ::SetTextColor(dc_, ColourRef(rgb));
  ::TextOutA(dc_, Clamped(state_.X + static_cast<int64_t>(std::floor(x))),
             Clamped(state_.Y + static_cast<int64_t>(std::floor(baseline))), shown.data(),
             static_cast<int>(shown.size()));
}

void GdiPainter::Clip(const host::TRect& r) {
  const host::TRect d = ToDevice(r);
  ::IntersectClipRect(dc_, d.Left, d.Top, std::max(d.Right, d.Left), std::max(d.Bottom, d.Top));
}

void GdiPainter::Translate(int64_t x, int64_t y) {
  state_.X += x;
  state_.Y += y;
}

void GdiPainter::Save() {
  state_.SavedDc = ::SaveDC(dc_);
  saved_.push_back(state_);
}

void GdiPainter::Restore() {
  if (saved_.empty()) return;
  state_ = saved_.back();
  saved_.pop_back();
  ::RestoreDC(dc_, state_.SavedDc);
}

}  // namespace ide
