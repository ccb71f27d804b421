// The painter on a GDI device context: the Windows build's back end, for its
// pictures (a DIB section written as PNG) and the client areas of its windows.
// Windows only (painter_gdi.cpp).
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ide/painter.h"

struct HDC__;
struct HFONT__;

namespace ide {

class GdiPainter final : public Painter {
 public:
  // Draws on `dc` from its device origin, text in a transparent mode.
  explicit GdiPainter(HDC__* dc);
  ~GdiPainter() override;
  GdiPainter(const GdiPainter&) = delete;
  GdiPainter& operator=(const GdiPainter&) = delete;

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
  struct State {
    int64_t X = 0, Y = 0;  // the origin in device pixels
    int SavedDc = 0;
  };

  struct Font {
    HFONT__* Handle = nullptr;
    FontExtents Extents;
  };

  host::TRect ToDevice(const host::TRect& r) const;
  FontExtents DesignExtents(int height);

  HDC__* dc_;
  State state_;
  std::vector<State> saved_;
  std::map<std::pair<bool, int>, Font> fonts_;  // by weight and pixel height
  FontExtents extents_;
  int original_dc_ = 0;
};

}  // namespace ide
