// Graphics: colours, fonts and their text metrics, and the graphics the
// controls carry (bitmaps, pictures and icons) as the component library
// streams them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/rtl/classes.h"
#include "host/win32/win32.h"

namespace host {

HOST_EXCEPTION_CLASS(EInvalidGraphic, Exception);

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

// Text width in pixels of the host's default dialog font ("MS Sans Serif", 8 point).
HOST_API int32_t DialogFontTextWidth(const AnsiString& text);

// Text width and height in pixels of a font: the host's dialog font metric,
// scaled to the font's character height; bold adds one pixel to every
// character but the blank.
HOST_API int32_t FontTextWidth(const AnsiString& text, const TFont& font);
HOST_API int32_t FontTextHeight(const TFont& font);

// ---- Icon images ---------------------------------------------------------------
// One image of an icon as the screen shows it: Width x Height pixels, row by row
// from the top, each 0xAARRGGBB, with an alpha of 0 where the icon's mask leaves
// the screen as it was and 255 elsewhere.
struct IconPixels {
  int32_t Width = 0, Height = 0;
  std::vector<uint32_t> Pixels;
  bool Empty() const { return Pixels.empty(); }
  uint32_t At(int32_t x, int32_t y) const {
    return Pixels[static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)];
  }
};

// One image of an icon as an icon file or an icon group lists it; its depth is
// the one its bitmap header gives (a group's directory may record another).
struct IconEntry {
  int32_t Width, Height, BitCount;
  std::string_view Dib;
};

// Decodes an icon image: a device-independent bitmap whose height counts the
// colour bitmap and the one-bit mask that follows it, rows bottom-up (1, 4 or 8
// bits per pixel with a palette, or 24 or 32 bits of colour, whose alpha the
// mask stands in for). Raises EInvalidGraphic "Icon image is not valid".
HOST_API IconPixels DecodeIconImage(std::string_view dib);

// The image the system shows for an icon at size x size on a true-colour screen:
// of the images of that size, the one with the most bits per pixel; without one,
// the largest image (of the most bits per pixel) scaled to the size. Empty when
// there are no images.
HOST_API IconPixels IconImageForSize(const std::vector<IconEntry>& images, int32_t size);

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
  // For an icon, the image shown at size x size (IconImageForSize); else empty.
  IconPixels IconForSize(int32_t size) const;

 private:
  std::vector<IconEntry> IconEntries() const;
  std::string data_;
  AnsiString class_name_;
  TBitmap bitmap_;
  std::vector<IconImage> icon_images_;
  int32_t width_ = 0, height_ = 0;
};

class HOST_API TIcon : public TObject {
 public:
  HOST_CLASS_NAME(TIcon)
  HICON Handle() const { return handle_; }
  // The icon takes the handle (a 0 handle empties it); OnChange fires when it
  // is another.
  void SetHandle(HICON handle) {
    if (handle == handle_) return;
    handle_ = handle;
    on_change_(this);
  }
  TNotifyEvent OnChange() const { return on_change_; }
  void SetOnChange(TNotifyEvent e) { on_change_ = e; }
  // The image shown at size x size, from the icon group the handle was loaded
  // from (LoadIconA); empty for an empty handle or one that no module loaded.
  // Raises EInvalidGraphic when the group or its image is not valid.
  IconPixels ImageForSize(int32_t size) const;

 private:
  HICON handle_ = 0;
  TNotifyEvent on_change_;
};

}  // namespace host
