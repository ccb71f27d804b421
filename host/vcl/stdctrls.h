// The few controls the add-in's two forms use beyond buttons, labels, check
// boxes and edits: the up-down control, images, bevels and speed buttons, and
// the graphics they carry (bitmaps and pictures) as the component library
// streams them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/vcl/forms.h"

namespace host {

HOST_EXCEPTION_CLASS(EInvalidGraphic, Exception);

// Text width and height in pixels of a font: the host's dialog font metric,
// scaled to the font's character height; bold adds one pixel to every
// character but the blank.
HOST_API int32_t FontTextWidth(const AnsiString& text, const TFont& font);
HOST_API int32_t FontTextHeight(const TFont& font);

// ---- Graphics ------------------------------------------------------------------
// A bitmap as the component library streams it (a speed button's Glyph.Data):
// the 32-bit little-endian length of a bitmap file, then the file itself
// (BITMAPFILEHEADER "BM", BITMAPINFOHEADER, the colour table, the pixel rows).
class HOST_API TBitmap : public TObject {
 public:
  HOST_CLASS_NAME(TBitmap)
  // The streamed bytes; empty for an empty bitmap.
  const std::string& Data() const { return data_; }
  // Takes streamed bytes (empty empties the bitmap). Raises EInvalidGraphic
  // "Bitmap image is not valid" when they do not hold a whole bitmap file.
  void SetData(std::string_view data);
  // Takes a bare bitmap file (what Data holds after its length).
  void LoadFromFile(std::string_view file);
  bool Empty() const { return data_.empty(); }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int32_t BitCount() const { return bit_count_; }
  // The colour of a pixel (0x00BBGGRR), (0, 0) the top-left one; clBlack outside.
  TColor Pixel(int32_t x, int32_t y) const;
  // The colour a speed button or a transparent image leaves out: the
  // bottom-left pixel's.
  TColor TransparentColor() const { return Pixel(0, height_ - 1); }

 private:
  std::string data_;  // the streamed form
  int32_t width_ = 0, height_ = 0, bit_count_ = 0;
  bool bottom_up_ = true;
  uint32_t bits_offset_ = 0;  // of the pixel rows, within the file
  uint32_t colours_offset_ = 0;
  uint32_t colour_count_ = 0;
};

// What an image shows, streamed as Picture.Data: the graphic's class name as a
// length-prefixed string ("TBitmap" or "TIcon"), then the graphic: a bitmap as
// TBitmap streams it, an icon as an icon file (ICONDIR with one 16-byte entry
// per image, then the images).
class HOST_API TPicture : public TObject {
 public:
  HOST_CLASS_NAME(TPicture)
  const std::string& Data() const { return data_; }
  // Raises EInvalidGraphic for an unknown class ("Unknown graphic class TFoo"),
  // a class name longer than the data ("Picture data is not valid") or a graphic
  // that is not whole ("Bitmap image is not valid", "Icon image is not valid");
  // the picture is then unchanged. Empty data empties the picture.
  void SetData(std::string_view data);
  bool Empty() const { return data_.empty(); }
  // "TBitmap", "TIcon", or empty.
  const AnsiString& GraphicClassName() const { return class_name_; }
  // The bitmap, when the picture holds one.
  const TBitmap& Bitmap() const { return bitmap_; }
  // The icon's images (width, height, bits per pixel) in the file's order.
  struct IconImage {
    int32_t Width, Height, BitCount;
  };
  const std::vector<IconImage>& IconImages() const { return icon_images_; }
  // The graphic's size; for an icon, that of its 32 x 32 image when it has one
  // (the size the system shows), else of its first image.
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

 private:
  std::string data_;
  AnsiString class_name_;
  TBitmap bitmap_;
  std::vector<IconImage> icon_images_;
  int32_t width_ = 0, height_ = 0;
};

// ---- Controls ------------------------------------------------------------------
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
HOST_API const char* BevelShapeName(TBevelShape shape);

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

// The up-down control: two arrows that step a 16-bit position within Min..Max
// and write it into the associated control (an edit) as decimal text. A
// position outside the range is clamped to the nearest end first, as the
// system's control does (0 handed to an up-down of 150..800 shows "150").
// Changing Min or Max leaves the position as it is. An associate owned by the
// same owner is forgotten when it is freed.
class HOST_API TUpDown : public TWinControl {
 public:
  using TWinControl::TWinControl;
  HOST_CLASS_NAME(TUpDown)

  TWinControl* Associate() const { return associate_; }
  // Writes the position into the new associate.
  void SetAssociate(TWinControl* control);
  int16_t Min() const { return min_; }
  void SetMin(int16_t v) { min_ = v; }
  int16_t Max() const { return max_; }
  void SetMax(int16_t v) { max_ = v; }
  int16_t Position() const { return position_; }
  void SetPosition(int16_t v);
  int16_t Increment() const { return increment_; }
  void SetIncrement(int16_t v) { increment_ = v; }

  // The user's click on an arrow. The step starts from the number in the
  // associate's text when it holds one (the user may have typed), else from
  // the position, and stops at the end of the range.
  void ClickUp() { Step(+1); }
  void ClickDown() { Step(-1); }
  // The upper half is the up arrow, the lower half the down arrow.
  void MouseClick(int32_t x, int32_t y) override;
  void Notification(TComponent* component, bool removing) override;

 private:
  void Step(int direction);
  int16_t Clamp(int32_t v) const;
  TWinControl* associate_ = nullptr;
  int16_t min_ = 0, max_ = 100, position_ = 0, increment_ = 1;
};

}  // namespace host
