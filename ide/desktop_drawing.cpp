// The drawing of the desktop. Everything that decides what is drawn where lives
// here; a Painter (ide/painter.h) puts it on a surface.
//
// The look is the classic Windows theme at 96 dpi: 3D frames and edges made of
// one-pixel lines in the scheme's four shades, caption bars with the two-colour
// gradient, the dialog font (Nimbus Sans at 10.5 pixels stands in for MS Sans
// Serif 8 pt, whose widths the form images' control sizes assume: of the faces
// Debian ships it comes closest, a little narrower, so every caption that fits
// the real font fits it too). Icons are drawn from their images. Pixel geometry follows
// the window system's metrics and each form's own frame, caption and menu bar
// sizes, so the picture shows exactly where a click would land.
//
// What the host does not model (the code in the editor, the rows of the Object
// Inspector, the icons on a palette page, the buttons on a tool bar) is drawn as
// neutral placeholders, so the windows are recognisable without pretending to
// hold content they do not have.

#include "ide/desktop_drawing.h"

#include "host/vcl/stdctrls.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "host/rtl/sysutils.h"
#include "host/vcl/buttons.h"
#include "host/vcl/comctrls.h"
#include "host/vcl/extctrls.h"
#include "host/vcl/forms.h"
#include "host/vcl/menus.h"
#include "host/win32/win32.h"

namespace ide {
namespace {

using host::TRect;

// ---- The classic colour scheme ---------------------------------------------------
constexpr uint32_t kDesktop = 0x3A6EA5;
constexpr uint32_t kFace = 0xD4D0C8;    // button face, also 3D light
constexpr uint32_t kWindow = 0xFFFFFF;  // window background, also 3D highlight
constexpr uint32_t kLight = 0xFFFFFF;
constexpr uint32_t kShadow = 0x808080;
constexpr uint32_t kDarkShadow = 0x404040;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kGrayText = 0x808080;
constexpr uint32_t kChecked = 0xEAE8E4;  // the dithered face of a pushed-in button
constexpr uint32_t kActiveCaption = 0x0A246A;
constexpr uint32_t kActiveCaptionEnd = 0xA6CAF0;
constexpr uint32_t kInactiveCaption = 0x808080;
constexpr uint32_t kInactiveCaptionEnd = 0xC0C0C0;
constexpr uint32_t kCaptionText = 0xFFFFFF;
constexpr uint32_t kInactiveCaptionText = 0xD4D0C8;
constexpr uint32_t kPlaceholder = 0xB8B8B8;  // stand-in for content the host does not hold
constexpr uint32_t kGridLine = 0xC8C8C8;

// Sizes beyond this are drawn as far as any screen could show them, which keeps
// every sum of coordinates well inside 32 bits.
constexpr int32_t kLargest = 1 << 16;

// A caption as shown: "&&" is a literal '&', "&x" underlines x.
struct ShownText {
  std::string Text;
  size_t Underlined = std::string::npos;  // byte index into Text
};

ShownText WithHotkey(const std::string& caption) {
  ShownText shown{host::StripHotkey(caption)};
  std::string parsed;
  size_t underlined = std::string::npos;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;
      if (caption[i] != '&' && underlined == std::string::npos) underlined = parsed.size();
    }
    parsed += caption[i];
  }
  // The underline goes under the letter the marker stands before, in the text
  // as the host strips it.
  if (parsed == shown.Text) shown.Underlined = underlined;
  return shown;
}

enum class Align { Left, Centre, Right };

struct TextStyle {
  uint32_t Colour = kText;
  bool Bold = false;
  Align Horizontal = Align::Left;
  bool Hotkey = false;  // '&' marks the underlined letter
  double Size = kFontSize;
};

// ---- The canvas ----------------------------------------------------------------
// The shapes the desktop is made of, on a painter.
class Canvas {
 public:
  explicit Canvas(Painter& out) : out_(out) {}
  Painter& Out() const { return out_; }

  void Fill(const TRect& r, uint32_t rgb) {
    if (r.Width() <= 0 || r.Height() <= 0) return;
    out_.Fill(r, rgb);
  }
  void Fill(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t rgb) {
    Fill(TRect{x, y, x + w, y + h}, rgb);
  }
  void HLine(int32_t x0, int32_t x1, int32_t y, uint32_t rgb) { Fill(x0, y, x1 - x0, 1, rgb); }
  void VLine(int32_t x, int32_t y0, int32_t y1, uint32_t rgb) { Fill(x, y0, 1, y1 - y0, rgb); }

  // One ring of an edge: the top and left lines in one colour, the bottom and
  // right lines (which own the corners they meet) in the other.
  void Ring(const TRect& r, uint32_t topLeft, uint32_t bottomRight) {
    if (r.Width() <= 0 || r.Height() <= 0) return;
    HLine(r.Left, r.Right - 1, r.Top, topLeft);
    VLine(r.Left, r.Top, r.Bottom - 1, topLeft);
    HLine(r.Left, r.Right, r.Bottom - 1, bottomRight);
    VLine(r.Right - 1, r.Top, r.Bottom, bottomRight);
  }
  // A raised button: white outside at the top left, the dark shadow outside at
  // the bottom right, the shadow inside it.
  void RaisedButton(const TRect& r, uint32_t face = kFace) {
    Fill(r, face);
    Ring(r, kLight, kDarkShadow);
    Ring(Inflate(r, -1), kFace, kShadow);
  }
  // A window frame or panel border of the same shades, light ring inside.
  void RaisedFrame(const TRect& r) {
    Ring(r, kFace, kDarkShadow);
    Ring(Inflate(r, -1), kLight, kShadow);
  }
  // A field sunk into the face (edits, check boxes, list areas).
  void SunkenField(const TRect& r, uint32_t inside = kWindow) {
    Fill(r, inside);
    Ring(r, kShadow, kLight);
    Ring(Inflate(r, -1), kDarkShadow, kFace);
  }
  void PushedButton(const TRect& r) {
    Fill(r, kChecked);
    Ring(r, kDarkShadow, kLight);
    Ring(Inflate(r, -1), kShadow, kFace);
  }

  static TRect Inflate(const TRect& r, int32_t d) {
    return {r.Left - d, r.Top - d, r.Right + d, r.Bottom + d};
  }

  // Pixels given as rows of '#' (set) and anything else (clear).
  void Bitmap(int32_t x, int32_t y, std::initializer_list<const char*> rows, uint32_t rgb) {
    int32_t dy = 0;
    for (const char* row : rows) {
      for (int32_t dx = 0; row[dx] != '\0'; ++dx)
        if (row[dx] == '#') Fill(x + dx, y + dy, 1, 1, rgb);
      ++dy;
    }
  }

  void Icon(const host::IconPixels& icon, int32_t x, int32_t y) {
    if (!icon.Empty()) out_.Icon(icon, x, y);
  }

  void SelectFont(const TextStyle& style) { out_.SelectFont(style.Bold, style.Size); }
  double TextWidth(const std::string& text) { return out_.TextWidth(text); }

  // Draws a line of text inside a box, vertically centred, clipped to the box.
  void Text(const std::string& caption, const TRect& box, const TextStyle& style) {
    if (box.Width() <= 0 || box.Height() <= 0 || caption.empty()) return;
    SavedState saved(out_);
    out_.Clip(box);
    SelectFont(style);
    const ShownText shown = style.Hotkey ? WithHotkey(caption) : ShownText{caption};
    const double width = TextWidth(shown.Text);
    const FontExtents fe = out_.Extents();
    double x = box.Left;
    if (style.Horizontal == Align::Centre)
      x = box.Left +
          std::max(0.0, static_cast<double>(static_cast<int32_t>((box.Width() - width) / 2)));
    else if (style.Horizontal == Align::Right)
      x = box.Left + std::max(0.0, std::floor(box.Width() - width));
    const double baseline = static_cast<int32_t>(
        box.Top + (box.Height() - (fe.Ascent + fe.Descent)) / 2 + fe.Ascent + 0.5);
    out_.Text(x, baseline, shown.Text, style.Colour);
    if (shown.Underlined != std::string::npos) {
      const double before = TextWidth(shown.Text.substr(0, shown.Underlined));
      const double letter = TextWidth(shown.Text.substr(shown.Underlined, 1));
      const int32_t ux = static_cast<int32_t>(x + before);
      Fill(ux, static_cast<int32_t>(baseline) + 1, std::max(1, static_cast<int32_t>(letter)), 1,
           style.Colour);
    }
  }

  // Text that looks disabled: embossed in white below the shadow colour.
  void DisabledText(const std::string& caption, const TRect& box, TextStyle style) {
    style.Colour = kLight;
    Text(caption, TRect{box.Left + 1, box.Top + 1, box.Right + 1, box.Bottom + 1}, style);
    style.Colour = kGrayText;
    Text(caption, box, style);
  }

  void Clip(const TRect& r) { out_.Clip(r); }
  void Translate(int64_t x, int64_t y) { out_.Translate(x, y); }

 private:
  Painter& out_;
};

// ---- Small pictures --------------------------------------------------------------
// An icon as a task bar button or a caption shows it: the 16 x 16 image of the
// icon. An empty handle, or one whose images cannot be read, shows nothing.
host::IconPixels SmallIcon(const host::TIcon* icon) {
  if (icon == nullptr) return {};
  try {
    return icon->ImageForSize(16);
  } catch (const host::EInvalidGraphic&) {
    return {};
  }
}

// The application's icon, which its task bar button shows.
const host::TIcon* ApplicationIcon() {
  return host::Application != nullptr ? host::Application->Icon() : nullptr;
}

// The four-colour flag on the Start button.
void DrawStartFlag(Canvas& p, int32_t x, int32_t y) {
  p.Fill(x, y, 6, 5, 0xFF0000);
  p.Fill(x + 7, y, 6, 5, 0x00A000);
  p.Fill(x, y + 6, 6, 5, 0x0000FF);
  p.Fill(x + 7, y + 6, 6, 5, 0xFFC000);
}

enum class CaptionGlyph { Close, Minimize, Maximize, Restore, Help };

void DrawCaptionButton(Canvas& p, const TRect& r, CaptionGlyph glyph, bool small, bool enabled) {
  p.RaisedButton(r);
  const int32_t x = r.Left, y = r.Top;
  const auto draw = [&](uint32_t colour, int32_t d) {
    switch (glyph) {
      case CaptionGlyph::Close:
        if (small)
          p.Bitmap(x + 3 + d, y + 3 + d, {"##..##", ".####.", "..##..", ".####.", "##..##"},
                   colour);
        else
          p.Bitmap(
              x + 4 + d, y + 3 + d,
              {"##....##", ".##..##.", "..####..", "...##...", "..####..", ".##..##.", "##....##"},
              colour);
        break;
      case CaptionGlyph::Minimize:
        p.Fill(x + 4 + d, y + 9 + d, 6, 2, colour);
        break;
      case CaptionGlyph::Maximize:
        p.Fill(x + 3 + d, y + 2 + d, 9, 2, colour);
        p.Ring(TRect{x + 3 + d, y + 2 + d, x + 12 + d, y + 11 + d}, colour, colour);
        break;
      case CaptionGlyph::Restore:
        p.Fill(x + 5 + d, y + 2 + d, 6, 2, colour);
        p.Ring(TRect{x + 5 + d, y + 2 + d, x + 11 + d, y + 7 + d}, colour, colour);
        p.Fill(x + 3 + d, y + 5 + d, 6, 2, colour);
        p.Fill(x + 4 + d, y + 7 + d, 4, 3, kFace);
        p.Ring(TRect{x + 3 + d, y + 5 + d, x + 9 + d, y + 11 + d}, colour, colour);
        break;
      case CaptionGlyph::Help:
        p.Bitmap(x + 5 + d, y + 2 + d,
                 {".###.", "##.##", "...##", "..##.", "..##.", ".....", "..##.", "..##."}, colour);
        break;
    }
  };
  if (enabled) {
    draw(kText, 0);
  } else {
    draw(kLight, 1);
    draw(kGrayText, 0);
  }
}

// ---- Controls ----------------------------------------------------------------------
void DrawControl(Canvas& p, host::TControl& control);

void DrawChildren(Canvas& p, host::TWinControl& parent) {
  const host::TPoint origin = parent.ClientOrigin();
  for (int32_t i = 0; i < parent.ControlCount(); ++i) {
    host::TControl* child = parent.Controls(i);
    if (child == nullptr || !child->Visible() || dynamic_cast<host::TForm*>(child) != nullptr)
      continue;
    SavedState saved(p.Out());
    p.Translate(int64_t{origin.X} + child->Left(), int64_t{origin.Y} + child->Top());
    p.Clip(TRect{0, 0, std::min(child->Width(), kLargest), std::min(child->Height(), kLargest)});
    DrawControl(p, *child);
  }
}

bool IsPalette(const host::TTabControl& tabs) {
  return host::Application != nullptr && tabs.Owner() == host::Application->MainForm() &&
         tabs.Name() == "TabControl";
}

// A placeholder component picture on a palette page (24 x 24 cells).
void DrawComponentGlyph(Canvas& p, int32_t x, int32_t y, int32_t kind) {
  switch (kind % 6) {
    case 0:  // a little form
      p.Fill(x + 4, y + 5, 16, 14, kWindow);
      p.Ring(TRect{x + 4, y + 5, x + 20, y + 19}, kDarkShadow, kDarkShadow);
      p.Fill(x + 5, y + 6, 14, 3, kActiveCaption);
      break;
    case 1:  // a label
      p.Bitmap(x + 7, y + 6,
               {"...##...", "...##...", "..####..", "..#..#..", ".##..##.", ".######.", "##....##",
                "##....##"},
               kText);
      p.Fill(x + 5, y + 16, 14, 1, kShadow);
      break;
    case 2:  // an edit
      p.SunkenField(TRect{x + 3, y + 7, x + 21, y + 17});
      p.Fill(x + 6, y + 10, 1, 5, kText);
      break;
    case 3:  // a button
      p.RaisedButton(TRect{x + 3, y + 6, x + 21, y + 18});
      p.Fill(x + 8, y + 11, 8, 2, kShadow);
      break;
    case 4:  // a check box
      p.SunkenField(TRect{x + 6, y + 6, x + 18, y + 18});
      p.Bitmap(x + 8, y + 8,
               {"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."},
               kText);
      break;
    default:  // a list
      p.SunkenField(TRect{x + 4, y + 4, x + 20, y + 20});
      p.Fill(x + 6, y + 7, 12, 2, kActiveCaption);
      p.Fill(x + 6, y + 11, 10, 1, kShadow);
      p.Fill(x + 6, y + 14, 11, 1, kShadow);
      p.Fill(x + 6, y + 17, 8, 1, kShadow);
      break;
  }
}

// The palette page beneath the tabs: the selection arrow, then the page's
// components (placeholders: the host does not model the installed components).
void DrawPalettePage(Canvas& p, const TRect& page) {
  const int32_t cell = std::min<int32_t>(28, page.Height());
  if (cell < 12) return;
  const int32_t y = page.Top + (page.Height() - cell) / 2;
  int32_t x = page.Left + 2;
  const int32_t inset = (cell - 24) / 2;
  // The arrow, pressed: no component is chosen.
  p.PushedButton(TRect{x, y, x + cell, y + cell});
  p.Bitmap(x + inset + 8, y + inset + 5,
           {"#.......", "##......", "#.#.....", "#..#....", "#...#...", "#....#..", "#.###...",
            "##.#....", "#..#....", "....#...", "....#..."},
           kText);
  x += cell + 6;
  for (int32_t i = 0; i < 12 && x + cell <= page.Right; ++i, x += cell)
    DrawComponentGlyph(p, x + inset, y + inset, i);
}

void DrawTab(Canvas& p, const TRect& r, const std::string& caption, bool selected) {
  p.Fill(TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom}, kFace);
  p.VLine(r.Left, r.Top + 2, r.Bottom, kLight);
  p.Fill(r.Left + 1, r.Top + 1, 1, 1, kLight);
  p.HLine(r.Left + 2, r.Right - 2, r.Top, kLight);
  p.Fill(r.Right - 2, r.Top + 1, 1, 1, kDarkShadow);
  p.VLine(r.Right - 2, r.Top + 2, r.Bottom, kShadow);
  p.VLine(r.Right - 1, r.Top + 2, r.Bottom, kDarkShadow);
  TextStyle style;
  style.Horizontal = Align::Centre;
  p.Text(caption, TRect{r.Left + 2, r.Top + (selected ? 1 : 2), r.Right - 2, r.Bottom}, style);
}

void DrawTabControl(Canvas& p, const host::TTabControl& tabs) {
  const int32_t w = tabs.Width(), h = tabs.Height();
  const auto placements = tabs.TabRects();
  const int32_t selected = tabs.TabIndex();
  const auto caption = [&](int32_t index) -> const std::string& {
    return tabs.Tabs()[static_cast<size_t>(index)];
  };
  if (tabs.Style() == host::tsTabs) {
    const int32_t rows = tabs.RowCount();
    const int32_t frame_top = rows > 0 ? rows * host::TTabControl::kTabHeight + 2 : 0;
    p.Fill(TRect{0, 0, w, h}, kFace);
    p.Ring(TRect{0, frame_top, w, h}, kLight, kDarkShadow);
    p.Ring(TRect{1, frame_top + 1, w - 1, h - 1}, kFace, kShadow);
    // A single row that does not fit scrolls: the tab control shows its arrows
    // and the tabs end before them.
    int32_t tabs_right = w;
    bool scrolls = false;
    for (const auto& t : placements) scrolls = scrolls || t.Bounds.Right > w;
    if (scrolls && !tabs.MultiLine()) tabs_right = std::max(w - 34, 0);
    {
      SavedState saved(p.Out());
      p.Clip(TRect{0, 0, tabs_right, h});
      for (const auto& t : placements)
        if (t.Index != selected) DrawTab(p, t.Bounds, caption(t.Index), false);
      for (const auto& t : placements)
        if (t.Index == selected) {
          const TRect r{t.Bounds.Left - 2, t.Bounds.Top - 2, t.Bounds.Right + 2,
                        t.Bounds.Bottom + 1};
          DrawTab(p, r, caption(t.Index), true);
        }
    }
    if (scrolls && !tabs.MultiLine() && w >= 34) {
      const int32_t y = std::max(frame_top - 17, 0);
      for (int32_t k = 0; k < 2; ++k) {
        const TRect b{w - 34 + 17 * k, y, w - 17 + 17 * k, y + 17};
        p.RaisedButton(b);
        if (k == 0)
          p.Bitmap(b.Left + 6, b.Top + 4, {"...#", "..##", ".###", "####", ".###", "..##", "...#"},
                   kText);
        else
          p.Bitmap(b.Left + 7, b.Top + 4, {"#...", "##..", "###.", "####", "###.", "##..", "#..."},
                   kText);
      }
    }
  } else {
    p.Fill(TRect{0, 0, w, h}, kFace);
    const bool flat = tabs.Style() == host::tsFlatButtons;
    for (const auto& t : placements) {
      const bool down = t.Index == selected;
      TRect r = t.Bounds;
      if (down) {
        if (flat) {
          p.Fill(r, kChecked);
          p.Ring(r, kShadow, kLight);
        } else {
          p.PushedButton(r);
        }
      } else if (!flat) {
        p.RaisedButton(r);
      }
      TextStyle style;
      style.Horizontal = Align::Centre;
      const int32_t shift = down ? 1 : 0;
      p.Text(caption(t.Index),
             TRect{r.Left + 2 + shift, r.Top + shift, r.Right - 2 + shift, r.Bottom + shift},
             style);
    }
  }
  if (IsPalette(tabs)) {
    const TRect d = tabs.DisplayRect();
    if (d.Bottom > d.Top) DrawPalettePage(p, d);
  }
}

// Tool bar panels of the IDE: a grip and a few button places.
bool IsToolBar(const host::TControl& control) {
  const std::string& name = control.Name();
  return name.size() > 7 && name.compare(name.size() - 7, 7, "ToolBar") == 0;
}

void DrawToolBar(Canvas& p, int32_t w, int32_t h) {
  p.Fill(TRect{0, 0, w, h}, kFace);
  p.Ring(TRect{0, 0, w, h}, kLight, kShadow);
  p.Ring(TRect{3, 3, 6, h - 3}, kLight, kShadow);
  for (int32_t x = 9, i = 0; x + 23 <= w - 2; x += 23, ++i) {
    const int32_t y = (h - 16) / 2;
    const uint32_t tint = (i % 3 == 0) ? 0xE8D8A0 : (i % 3 == 1) ? 0xA8C0E8 : 0xC8E0B0;
    p.Fill(x + 4, y + 2, 14, 12, tint);
    p.Ring(TRect{x + 4, y + 2, x + 18, y + 14}, kShadow, kDarkShadow);
  }
}

// The left part of a bitmap, width x its height, at (x0, y0); a transparent
// bitmap leaves out the bottom-left pixel's colour.
void DrawBitmap(Canvas& p, const host::TBitmap& bitmap, int32_t width, int32_t x0, int32_t y0,
                bool transparent) {
  const host::TColor clear = bitmap.TransparentColor();
  for (int32_t y = 0; y < bitmap.Height(); ++y)
    for (int32_t x = 0; x < width; ++x) {
      const host::TColor c = bitmap.Pixel(x, y);
      if (transparent && c == clear) continue;
      // 0x00BBGGRR to the painter's 0xRRGGBB.
      const uint32_t bgr = static_cast<uint32_t>(c);
      p.Fill(x0 + x, y0 + y, 1, 1, ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF));
    }
}

// A speed button's glyph, centred: its first picture, transparent.
void DrawGlyph(Canvas& p, const host::TBitmap& glyph, int32_t pictures, const TRect& within) {
  if (glyph.Empty()) return;
  const int32_t gw = glyph.Width() / std::max(pictures, 1), gh = glyph.Height();
  DrawBitmap(p, glyph, gw, within.Left + (within.Width() - gw) / 2,
             within.Top + (within.Height() - gh) / 2, true);
}

// An image at its top-left corner: an icon at its own size (its mask leaves the
// face showing), a bitmap as it is or, transparent, without its bottom-left
// pixel's colour. An icon whose image cannot be read shows nothing.
void DrawImage(Canvas& p, const host::TImage& image) {
  const host::TPicture& picture = image.Picture();
  if (picture.GraphicClassName() == "TIcon") {
    try {
      p.Icon(picture.IconForSize(picture.Width()), 0, 0);
    } catch (const host::EInvalidGraphic&) {
    }
  } else if (!picture.Bitmap().Empty()) {
    DrawBitmap(p, picture.Bitmap(), picture.Bitmap().Width(), 0, 0, image.Transparent());
  }
}

// A bevel: lowered, the shadow line lies above or left of the highlight, which
// etches the line into the face; raised, the other way round.
void DrawBevel(Canvas& p, const host::TBevel& bevel, int32_t w, int32_t h) {
  const bool lowered = bevel.Style() == host::bsLowered;
  const uint32_t first = lowered ? kShadow : kLight, second = lowered ? kLight : kShadow;
  switch (bevel.Shape()) {
    case host::bsBox:
      p.Ring(TRect{0, 0, w, h}, first, second);
      break;
    case host::bsFrame:
      p.Ring(TRect{0, 0, w - 1, h - 1}, first, first);
      p.Ring(TRect{1, 1, w, h}, second, second);
      break;
    case host::bsTopLine:
      p.HLine(0, w, 0, first);
      p.HLine(0, w, 1, second);
      break;
    case host::bsBottomLine:
      p.HLine(0, w, h - 2, first);
      p.HLine(0, w, h - 1, second);
      break;
    case host::bsLeftLine:
      p.VLine(0, 0, h, first);
      p.VLine(1, 0, h, second);
      break;
    case host::bsRightLine:
      p.VLine(w - 2, 0, h, first);
      p.VLine(w - 1, 0, h, second);
      break;
    case host::bsSpacer:
      break;
  }
}

// An up-down control: two raised buttons, the upper half's arrow pointing up,
// the lower half's down; disabled arrows are grey.
void DrawUpDown(Canvas& p, bool enabled, int32_t w, int32_t h) {
  const int32_t middle = h / 2;
  const TRect halves[] = {{0, 0, w, middle}, {0, middle, w, h}};
  for (int32_t i = 0; i < 2; ++i) {
    const TRect& r = halves[i];
    p.RaisedButton(r);
    const int32_t cx = r.Left + (r.Width() - 1) / 2, top = r.Top + (r.Height() - 3) / 2;
    for (int32_t row = 0; row < 3; ++row) {
      const int32_t half = i == 0 ? row : 2 - row;  // the arrow's tip is its narrowest row
      if (!enabled) p.HLine(cx - half + 1, cx + half + 2, top + row + 1, kLight);
      p.HLine(cx - half, cx + half + 1, top + row, enabled ? kText : kGrayText);
    }
  }
}

// A control's text: in its font's weight, hot keys underlined.
TextStyle StyleOf(const host::TControl& control) {
  TextStyle style;
  style.Hotkey = true;
  style.Bold = (control.Font().Style() & host::fsBold) != 0;
  return style;
}

void DrawControl(Canvas& p, host::TControl& control) {
  const int32_t w = std::min(control.Width(), kLargest), h = std::min(control.Height(), kLargest);
  const TRect all{0, 0, w, h};
  TextStyle style = StyleOf(control);
  if (auto* tabs = dynamic_cast<host::TTabControl*>(&control)) {
    DrawTabControl(p, *tabs);
  } else if (auto* button = dynamic_cast<host::TButton*>(&control)) {
    TRect r = all;
    if (button->Default()) {
      p.Ring(r, kText, kText);
      r = Canvas::Inflate(r, -1);
    }
    p.RaisedButton(r);
    style.Horizontal = Align::Centre;
    if (control.Enabled())
      p.Text(control.Caption(), Canvas::Inflate(r, -2), style);
    else
      p.DisabledText(control.Caption(), Canvas::Inflate(r, -2), style);
  } else if (auto* speed = dynamic_cast<host::TSpeedButton*>(&control)) {
    if (!speed->Flat())
      p.RaisedButton(all);
    else
      p.Fill(all, kFace);
    DrawGlyph(p, speed->Glyph(), speed->NumGlyphs(), all);
  } else if (auto* check = dynamic_cast<host::TCheckBox*>(&control)) {
    const int32_t top = (h - 13) / 2;
    p.SunkenField(TRect{0, top, 13, top + 13}, control.Enabled() ? kWindow : kFace);
    if (check->Checked())
      p.Bitmap(3, top + 3,
               {"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."},
               control.Enabled() ? kText : kGrayText);
    const TRect text{17, 0, w, h};
    if (control.Enabled())
      p.Text(control.Caption(), text, style);
    else
      p.DisabledText(control.Caption(), text, style);
  } else if (dynamic_cast<host::TEdit*>(&control) != nullptr) {
    p.SunkenField(all, control.Enabled() ? kWindow : kFace);
    style.Hotkey = false;
    style.Colour = control.Enabled() ? kText : kGrayText;
    p.Text(control.Text(), TRect{3, 2, w - 3, h - 2}, style);
  } else if (auto* label = dynamic_cast<host::TLabel*>(&control)) {
    style.Horizontal = label->Alignment() == host::taRightJustify ? Align::Right
                       : label->Alignment() == host::taCenter     ? Align::Centre
                                                                  : Align::Left;
    if (control.Enabled())
      p.Text(control.Caption(), TRect{0, 0, w, std::min(h, 16)}, style);
    else
      p.DisabledText(control.Caption(), TRect{0, 0, w, std::min(h, 16)}, style);
  } else if (dynamic_cast<host::TPanel*>(&control) != nullptr) {
    if (IsToolBar(control)) {
      DrawToolBar(p, w, h);
    } else {
      p.Fill(all, kFace);
      p.Ring(all, kLight, kShadow);
      style.Horizontal = Align::Centre;
      p.Text(control.Caption(), Canvas::Inflate(all, -2), style);
    }
  } else if (auto* image = dynamic_cast<host::TImage*>(&control)) {
    DrawImage(p, *image);
  } else if (auto* bevel = dynamic_cast<host::TBevel*>(&control)) {
    DrawBevel(p, *bevel, w, h);
  } else if (dynamic_cast<host::TUpDown*>(&control) != nullptr) {
    DrawUpDown(p, control.Enabled(), w, h);
  } else {
    // Anything else shows as a face-coloured button with its caption.
    p.RaisedButton(all);
    style.Horizontal = Align::Centre;
    p.Text(control.Caption(), Canvas::Inflate(all, -2), style);
  }
  if (auto* container = dynamic_cast<host::TWinControl*>(&control)) DrawChildren(p, *container);
}

// ---- What the IDE's own windows hold ----------------------------------------------
enum class ClientLook { Plain, CodeEditor, PropertyGrid, ListArea };

struct KnownWindow {
  const char* Name;
  ClientLook Look;
};
constexpr KnownWindow kKnownWindows[] = {
    {"EditWindow_0", ClientLook::CodeEditor},
    {"PropertyInspector", ClientLook::PropertyGrid},
    {"ObjectTreeView", ClientLook::ListArea},
    {"ProjectManagerForm", ClientLook::ListArea},
};

ClientLook LookOf(const host::TForm& form) {
  for (const KnownWindow& k : kKnownWindows)
    if (form.Name() == k.Name) return k.Look;
  return ClientLook::Plain;
}

// Lines of code as grey bars: indent and length in characters.
struct CodeLine {
  int32_t Indent, Length;
};
constexpr CodeLine kCodeShape[] = {
    {0, 11}, {0, 0},  {0, 9},  {0, 0}, {0, 4}, {2, 58}, {2, 40}, {0, 0}, {0, 4},
    {2, 14}, {4, 26}, {2, 8},  {4, 7}, {2, 7}, {4, 6},  {2, 4},  {0, 0}, {0, 3},
    {2, 18}, {0, 0},  {0, 14}, {0, 0}, {0, 8}, {0, 0},  {0, 5},  {0, 0}, {0, 4},
};

void DrawCodeEditor(Canvas& p, host::TForm& form, int32_t w, int32_t h) {
  int64_t below_tabs = 0;
  bool has_file = false;
  for (int32_t i = 0; i < form.ControlCount(); ++i)
    if (auto* tabs = dynamic_cast<host::TTabControl*>(form.Controls(i)); tabs && tabs->Visible()) {
      below_tabs = std::max(below_tabs, int64_t{tabs->Top()} + tabs->Height());
      has_file = has_file || !tabs->Tabs().empty();
    }
  const int32_t top = static_cast<int32_t>(std::min<int64_t>(below_tabs, h));
  constexpr int32_t kStatus = 19;
  const TRect code{0, top, w, std::max(h - kStatus, top)};
  p.Fill(code, kWindow);
  if (has_file) {
    constexpr int32_t kGutter = 30, kChar = 7, kLine = 13;
    p.Fill(TRect{code.Left, code.Top, code.Left + kGutter, code.Bottom}, 0xF4F4F4);
    const int32_t margin = code.Left + kGutter + 80 * kChar;
    if (margin < code.Right) p.VLine(margin, code.Top, code.Bottom, kGridLine);
    int32_t y = code.Top + 4;
    for (const CodeLine& line : kCodeShape) {
      if (y + kLine > code.Bottom) break;
      if (line.Length > 0)
        p.Fill(code.Left + kGutter + 4 + line.Indent * kChar, y + 4, line.Length * kChar, 5,
               line.Indent == 0 ? 0x9090C0 : kPlaceholder);
      y += kLine;
    }
  }
  // The status bar: cursor position, modified flag, insert mode.
  const TRect bar{0, code.Bottom, w, h};
  p.Fill(bar, kFace);
  const int32_t widths[] = {70, 70, 70};
  int32_t x = 0;
  const char* texts[] = {has_file ? "1: 1" : "", "", "Insert"};
  for (int32_t i = 0; i < 3 && x < w; ++i) {
    const TRect cell{x, bar.Top + 2, std::min(x + widths[i], w), bar.Bottom};
    p.Ring(cell, kShadow, kLight);
    TextStyle style;
    style.Horizontal = Align::Centre;
    p.Text(texts[i], Canvas::Inflate(cell, -1), style);
    x += widths[i] + 2;
  }
}

void DrawPropertyGrid(Canvas& p, int32_t w, int32_t h) {
  // The selection box at the top, the Properties and Events tabs, then the grid.
  p.SunkenField(TRect{0, 0, w, 21});
  if (w > 17) {
    const TRect arrow{w - 18, 2, w - 2, 19};
    p.RaisedButton(arrow);
    p.Bitmap(arrow.Left + 4, arrow.Top + 6, {"#######", ".#####.", "..###..", "...#..."}, kText);
  }
  const int32_t tabs_top = 23, tab_h = 18;
  const TRect grid{0, tabs_top + tab_h, w, h};
  p.Fill(grid, kFace);
  p.Ring(grid, kLight, kDarkShadow);
  DrawTab(p, TRect{64, tabs_top + 2, 112, tabs_top + tab_h}, "Events", false);
  DrawTab(p, TRect{0, tabs_top, 66, tabs_top + tab_h + 1}, "Properties", true);
  const TRect rows{2, grid.Top + 2, w - 2, h - 2};
  p.Fill(rows, kWindow);
  const int32_t divider = rows.Left + rows.Width() * 9 / 20;
  for (int32_t y = rows.Top + 16, i = 0; y < rows.Bottom; y += 16, ++i) {
    p.HLine(rows.Left, rows.Right, y, kGridLine);
    const int32_t name = 28 + (i * 37) % 40;
    p.Fill(rows.Left + 12, y - 10, std::min(name, divider - rows.Left - 14), 4, kPlaceholder);
    p.Fill(divider + 4, y - 10, std::min(20 + (i * 23) % 50, std::max(rows.Right - divider - 8, 0)),
           4, 0xA8A8D0);
  }
  p.VLine(divider, rows.Top, rows.Bottom, kGridLine);
}

void DrawListArea(Canvas& p, int32_t w, int32_t h) {
  p.SunkenField(TRect{0, 0, w, h});
  for (int32_t i = 0, y = 6; i < 4 && y + 12 < h - 2; ++i, y += 16) {
    const int32_t indent = 6 + 16 * std::min(i, 2);
    p.Fill(indent, y + 2, 9, 9, 0xE8D8A0);
    p.Ring(TRect{indent, y + 2, indent + 9, y + 11}, kShadow, kShadow);
    p.Fill(indent + 13, y + 5, std::max(std::min(60 - 8 * i, w - indent - 16), 0), 4, kPlaceholder);
  }
}

// ---- Windows ---------------------------------------------------------------------
bool IsToolCaption(host::TFormBorderStyle style) {
  return style == host::bsToolWindow || style == host::bsSizeToolWin;
}

void DrawCaption(Canvas& p, host::TForm& form, int32_t w) {
  const int32_t f = form.FrameWidth();
  const int32_t ch = form.CaptionHeight();
  if (ch <= 0) return;
  const bool active =
      form.Active() && (host::Application == nullptr || host::Application->Active());
  const TRect bar{f, f, w - f, f + ch - 1};
  p.HLine(f, w - f, f + ch - 1, kFace);
  if (bar.Width() <= 0) return;
  p.Out().Gradient(bar, active ? kActiveCaption : kInactiveCaption,
                   active ? kActiveCaptionEnd : kInactiveCaptionEnd);
  const bool tool = IsToolCaption(form.BorderStyle());
  const host::TBorderIcons icons = form.BorderIcons();
  const bool system_menu = (icons & host::biSystemMenu) != 0;
  // Caption buttons from the right.
  int32_t left_of_buttons = bar.Right;
  if (system_menu) {
    const int32_t bh = ch - (tool ? 4 : 5);
    const int32_t bw = tool ? bh + 1 : bh + 2;
    const int32_t y = f + 2;
    int32_t x = bar.Right - 2 - bw;
    DrawCaptionButton(p, TRect{x, y, x + bw, y + bh}, CaptionGlyph::Close, tool, true);
    left_of_buttons = x;
    const bool min_max = !tool && form.BorderStyle() != host::bsDialog &&
                         (icons & (host::biMinimize | host::biMaximize)) != 0;
    if (min_max) {
      x -= 2 + bw;
      const bool maximized = form.WindowState() == host::wsMaximized;
      DrawCaptionButton(p, TRect{x, y, x + bw, y + bh},
                        maximized ? CaptionGlyph::Restore : CaptionGlyph::Maximize, false,
                        (icons & host::biMaximize) != 0);
      x -= bw;
      DrawCaptionButton(p, TRect{x, y, x + bw, y + bh}, CaptionGlyph::Minimize, false,
                        (icons & host::biMinimize) != 0);
      left_of_buttons = x;
    } else if (!tool && (icons & host::biHelp) != 0) {
      x -= 2 + bw;
      DrawCaptionButton(p, TRect{x, y, x + bw, y + bh}, CaptionGlyph::Help, false, true);
      left_of_buttons = x;
    }
  }
  int32_t text_left = bar.Left + 3;
  if (system_menu && !tool && form.BorderStyle() != host::bsDialog) {
    // The form's own icon, else the application's.
    const host::TIcon* icon = form.Icon()->Handle() != 0 ? form.Icon() : ApplicationIcon();
    p.Icon(SmallIcon(icon), bar.Left + 1, bar.Top + (bar.Height() - 16) / 2);
    text_left = bar.Left + 20;
  }
  TextStyle style;
  style.Bold = true;
  style.Colour = active ? kCaptionText : kInactiveCaptionText;
  if (tool) style.Size = kFontSize - 0.5;
  p.Text(form.Caption(), TRect{text_left, bar.Top, left_of_buttons - 2, bar.Bottom}, style);
}

void DrawMenuBar(Canvas& p, host::TForm& form, int32_t w) {
  host::TMainMenu* menu = form.Menu();
  const int32_t mh = form.MenuBarHeight();
  if (menu == nullptr || mh <= 0) return;
  const int32_t f = form.FrameWidth();
  const int32_t top = f + form.CaptionHeight();
  const TRect bar{f, top, w - f, top + mh};
  p.Fill(bar, kFace);
  SavedState saved(p.Out());
  p.Clip(bar);
  TextStyle style;
  style.Hotkey = true;
  p.SelectFont(style);
  int32_t x = bar.Left;
  host::TMenuItem* root = menu->Items();
  for (int32_t i = 0; root != nullptr && i < root->Count() && x < bar.Right; ++i) {
    host::TMenuItem* item = root->Items(i);
    const std::string shown = host::StripHotkey(item->Caption());
    p.SelectFont(style);
    const int32_t width = static_cast<int32_t>(p.TextWidth(shown) + 0.5) + 14;
    const TRect cell{x + 7, bar.Top, x + width, bar.Bottom};
    if (item->Enabled())
      p.Text(item->Caption(), cell, style);
    else
      p.DisabledText(item->Caption(), cell, style);
    x += width;
  }
}

void DrawFrame(Canvas& p, host::TForm& form, int32_t w, int32_t h) {
  const int32_t f = form.FrameWidth();
  if (f <= 0) return;
  const TRect outer{0, 0, w, h};
  p.Fill(outer, kFace);
  if (f >= 2) {
    p.RaisedFrame(outer);
  } else {
    p.Ring(outer, kShadow, kDarkShadow);
  }
}

void DrawForm(Canvas& p, host::TForm& form, int32_t w, int32_t h) {
  DrawFrame(p, form, w, h);
  DrawCaption(p, form, w);
  DrawMenuBar(p, form, w);
  const host::TPoint origin = form.ClientOrigin();
  const int32_t cw = std::min(form.ClientWidth(), w - origin.X);
  const int32_t chh = std::min(form.ClientHeight(), h - origin.Y);
  SavedState saved(p.Out());
  p.Translate(origin.X, origin.Y);
  p.Clip(TRect{0, 0, cw, chh});
  p.Fill(TRect{0, 0, cw, chh}, kFace);
  switch (LookOf(form)) {
    case ClientLook::CodeEditor:
      DrawCodeEditor(p, form, cw, chh);
      break;
    case ClientLook::PropertyGrid:
      DrawPropertyGrid(p, cw, chh);
      break;
    case ClientLook::ListArea:
      DrawListArea(p, cw, chh);
      break;
    case ClientLook::Plain:
      break;
  }
  // The children are placed relative to the client area, which is the origin now.
  p.Translate(-int64_t{origin.X}, -int64_t{origin.Y});
  DrawChildren(p, form);
}

void DrawWindow(Canvas& p, const host::WindowInfo& info) {
  const TRect& b = info.Bounds;
  const auto span = [](int32_t from, int32_t to) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{to} - from, 0, int64_t{kLargest}));
  };
  const int32_t w = span(b.Left, b.Right), h = span(b.Top, b.Bottom);
  if (w <= 0 || h <= 0) return;
  SavedState saved(p.Out());
  p.Translate(b.Left, b.Top);
  TRect visible{0, 0, w, h};
  if (info.Region) {
    visible.Left = std::max(visible.Left, info.Region->Left);
    visible.Top = std::max(visible.Top, info.Region->Top);
    visible.Right = std::min(visible.Right, info.Region->Right);
    visible.Bottom = std::min(visible.Bottom, info.Region->Bottom);
    if (visible.Width() <= 0 || visible.Height() <= 0) return;
  }
  p.Clip(visible);
  if (auto* form = dynamic_cast<host::TForm*>(info.Client))
    DrawForm(p, *form, w, h);
  else
    p.RaisedButton(TRect{0, 0, w, h});
}

// ---- The task bar -------------------------------------------------------------------
void DrawTaskbarButton(Canvas& p, const TRect& r, const std::string& caption, bool down) {
  if (down)
    p.PushedButton(r);
  else
    p.RaisedButton(r);
  const int32_t shift = down ? 1 : 0;
  p.Icon(SmallIcon(ApplicationIcon()), r.Left + 4 + shift, r.Top + (r.Height() - 16) / 2 + shift);
  TextStyle style;
  style.Bold = down;
  p.Text(caption, TRect{r.Left + 23 + shift, r.Top + shift, r.Right - 3, r.Bottom + shift}, style);
}

void DrawTaskbar(Canvas& p) {
  const host::WindowSystem& ws = host::WindowSystem::Instance();
  const TRect bar = ws.TaskbarRect();
  if (bar.Width() <= 0 || bar.Height() <= 0) return;
  SavedState saved(p.Out());
  p.Clip(bar);
  p.Fill(bar, kFace);
  const host::TaskbarEdge edge = ws.Screen().Edge;
  switch (edge) {
    case host::TaskbarEdge::Bottom:
      p.HLine(bar.Left, bar.Right, bar.Top + 1, kLight);
      break;
    case host::TaskbarEdge::Top:
      p.HLine(bar.Left, bar.Right, bar.Bottom - 2, kShadow);
      p.HLine(bar.Left, bar.Right, bar.Bottom - 1, kDarkShadow);
      break;
    case host::TaskbarEdge::Left:
      p.VLine(bar.Right - 2, bar.Top, bar.Bottom, kShadow);
      p.VLine(bar.Right - 1, bar.Top, bar.Bottom, kDarkShadow);
      break;
    case host::TaskbarEdge::Right:
      p.VLine(bar.Left + 1, bar.Top, bar.Bottom, kLight);
      break;
  }
  const bool horizontal = edge == host::TaskbarEdge::Bottom || edge == host::TaskbarEdge::Top;
  const int32_t button_h = std::clamp(bar.Height() - 8, 0, 22);
  std::string clock;
  try {
    clock = host::FormatDateTime("h:nn", host::Now());
  } catch (const std::exception&) {
    clock.clear();  // a clock that cannot be read shows no time
  }
  // The application's button: the IDE while its main window is on screen or the
  // application is minimised to the task bar.
  const host::TForm* main = host::Application ? host::Application->MainForm() : nullptr;
  const bool app_button = main != nullptr && (main->Shown() || host::Application->Minimized());
  const bool app_down = app_button && host::Application->Active() &&
                        !host::Application->Minimized() && ws.ActiveWindow() != 0;
  const std::string title = host::Application ? host::Application->Title() : std::string();
  TextStyle bold;
  bold.Bold = true;
  if (horizontal) {
    const int32_t y = bar.Top + (bar.Height() - button_h) / 2 + (edge == host::TaskbarEdge::Bottom);
    const TRect start{bar.Left + 2, y, bar.Left + 2 + 54, y + button_h};
    p.RaisedButton(start);
    DrawStartFlag(p, start.Left + 5, start.Top + (start.Height() - 11) / 2);
    p.Text("Start", TRect{start.Left + 21, start.Top, start.Right - 2, start.Bottom}, bold);
    const TRect tray{bar.Right - 62, y, bar.Right - 2, y + button_h};
    p.Ring(tray, kShadow, kLight);
    TextStyle centred;
    centred.Horizontal = Align::Centre;
    p.Text(clock, Canvas::Inflate(tray, -1), centred);
    if (app_button) {
      const int32_t left = start.Right + 6;
      const int32_t right = std::min(left + 160, tray.Left - 4);
      if (right > left) DrawTaskbarButton(p, TRect{left, y, right, y + button_h}, title, app_down);
    }
  } else {
    const int32_t left = bar.Left + 2, right = bar.Right - 2 - (edge == host::TaskbarEdge::Left);
    const TRect start{left + (edge == host::TaskbarEdge::Right), bar.Top + 2, right,
                      bar.Top + 2 + 22};
    p.RaisedButton(start);
    DrawStartFlag(p, start.Left + 5, start.Top + 5);
    p.Text("Start", TRect{start.Left + 21, start.Top, start.Right - 2, start.Bottom}, bold);
    const TRect tray{start.Left, bar.Bottom - 24, right, bar.Bottom - 2};
    p.Ring(tray, kShadow, kLight);
    TextStyle centred;
    centred.Horizontal = Align::Centre;
    p.Text(clock, Canvas::Inflate(tray, -1), centred);
    if (app_button && start.Bottom + 26 < tray.Top)
      DrawTaskbarButton(p, TRect{start.Left, start.Bottom + 4, right, start.Bottom + 26}, title,
                        app_down);
  }
}

// ---- The desktop ---------------------------------------------------------------------
void DrawDesktopOn(Canvas& p) {
  const host::WindowSystem& ws = host::WindowSystem::Instance();
  const host::ScreenDescription& screen = ws.Screen();
  p.Fill(TRect{0, 0, screen.Width, screen.Height}, kDesktop);
  const std::vector<host::HWND> order = ws.ZOrder();  // front first
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    const std::optional<host::WindowInfo> info = ws.Info(*it);
    if (!info || !info->Visible || info->Minimized) continue;
    DrawWindow(p, *info);
  }
  DrawTaskbar(p);
}

}  // namespace

void DrawDesktop(Painter& p) {
  Canvas canvas(p);
  DrawDesktopOn(canvas);
}

void DrawFormClient(Painter& p, host::TForm& form, host::TPoint clientOrigin) {
  Canvas canvas(p);
  SavedState saved(p);
  p.Translate(-int64_t{clientOrigin.X}, -int64_t{clientOrigin.Y});
  DrawForm(canvas, form, form.Width(), form.Height());
}

}  // namespace ide
