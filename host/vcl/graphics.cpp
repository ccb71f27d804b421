#include "host/vcl/graphics.h"

#include <algorithm>
#include <cstring>

#include "host/rtl/clamp.h"
#include "host/rtl/modules.h"

namespace host {

namespace {

uint32_t U16(std::string_view b, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}

uint32_t U32(std::string_view b, size_t at) {
  return U16(b, at) | U16(b, at + 2) << 16;
}

int32_t I32(std::string_view b, size_t at) {
  return static_cast<int32_t>(U32(b, at));
}

constexpr const char* kBadBitmap = "Bitmap image is not valid";
constexpr const char* kBadIcon = "Icon image is not valid";

// The character height of a font: Height < 0 gives it directly, Height > 0 is
// the cell height, of which the character takes 11 of 13 parts; 0 is the default.
int64_t CharacterHeight(const TFont& font) {
  const int64_t h = font.Height();
  if (h < 0) return -h;
  if (h > 0) return h * 11 / 13;
  return 11;
}

uint64_t RowBytes(int64_t width, int32_t bit_count) {
  return (static_cast<uint64_t>(width) * static_cast<uint64_t>(bit_count) + 31) / 32 * 4;
}

// Where the pixels of a device-independent bitmap lie in its bytes.
struct DibLayout {
  int32_t Width, Height, BitCount;
  bool BottomUp;
  uint64_t Bits;     // offset of the pixel rows
  uint64_t Colours;  // offset of the palette
  uint32_t ColourCount;
};

// The colour (0x00BBGGRR) of a pixel inside a bitmap whose layout was checked
// against its bytes; (0, 0) is the top-left pixel.
TColor DibPixel(std::string_view bytes, const DibLayout& dib, int32_t x, int32_t y) {
  const uint64_t row = static_cast<uint64_t>(dib.BottomUp ? dib.Height - 1 - y : y);
  const size_t at = static_cast<size_t>(dib.Bits + row * RowBytes(dib.Width, dib.BitCount));
  const auto byte = [&](uint64_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + i]));
  };
  const auto rgb = [](uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<TColor>(r | g << 8 | b << 16);
  };
  const auto ux = static_cast<uint64_t>(x);
  uint32_t index = 0;
  switch (dib.BitCount) {
    case 1:
      index = (byte(ux / 8) >> (7 - ux % 8)) & 1;
      break;
    case 4:
      index = (byte(ux / 2) >> (ux % 2 == 0 ? 4 : 0)) & 0xF;
      break;
    case 8:
      index = byte(ux);
      break;
    case 16: {
      const uint32_t v = byte(2 * ux) | byte(2 * ux + 1) << 8;
      const auto five = [](uint32_t c) { return (c & 31) * 255 / 31; };
      return rgb(five(v >> 10), five(v >> 5), five(v));
    }
    case 24:
      return rgb(byte(3 * ux + 2), byte(3 * ux + 1), byte(3 * ux));
    default:
      return rgb(byte(4 * ux + 2), byte(4 * ux + 1), byte(4 * ux));
  }
  if (index >= dib.ColourCount) return clBlack;
  const size_t entry = static_cast<size_t>(dib.Colours) + 4 * size_t{index};
  const auto c = [&](size_t i) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[entry + i]));
  };
  return rgb(c(2), c(1), c(0));
}

// The images of an icon file: an ICONDIR (reserved 0, type 1, count), one
// 16-byte entry per image (width, height, colours, reserved, planes, bits, the
// image's size and offset), then the images. Raises EInvalidGraphic.
std::vector<IconEntry> IconFileEntries(std::string_view file) {
  if (file.size() < 6 || U16(file, 0) != 0 || U16(file, 2) != 1) throw EInvalidGraphic(kBadIcon);
  const uint32_t count = U16(file, 4);
  if (count == 0 || 6 + uint64_t{count} * 16 > file.size()) throw EInvalidGraphic(kBadIcon);
  std::vector<IconEntry> images;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t e = 6 + 16 * size_t{i};
    const auto side = [&](size_t at) {
      const int32_t v = static_cast<unsigned char>(file[at]);
      return v == 0 ? 256 : v;
    };
    const int32_t w = side(e), h = side(e + 1);
    const uint64_t bytes = U32(file, e + 8), offset = U32(file, e + 12);
    if (bytes < 40 || offset + bytes > file.size()) throw EInvalidGraphic(kBadIcon);
    const std::string_view dib =
        file.substr(static_cast<size_t>(offset), static_cast<size_t>(bytes));
    // A device-independent bitmap whose height counts the colour and the mask bitmap.
    if (U32(dib, 0) < 40 || I32(dib, 4) != w || I32(dib, 8) != 2 * h)
      throw EInvalidGraphic(kBadIcon);
    images.push_back({w, h, static_cast<int32_t>(U16(dib, 14)), dib});
  }
  return images;
}

}  // namespace

int32_t DialogFontTextWidth(const AnsiString& text) {
  // Advance widths of the dialog font, by character class.
  int32_t width = 0;
  for (unsigned char c : text) {
    if (c == ' ')
      width += 3;
    else if (c == 'i' || c == 'l' || c == 'j' || c == '.' || c == ',' || c == '\'' || c == '|' ||
             c == '!' || c == ':')
      width += 2;
    else if (c == 'f' || c == 't' || c == 'r' || c == 'I' || c == '/' || c == '(' || c == ')' ||
             c == '-')
      width += 4;
    else if (c == 'm' || c == 'w' || c == 'M' || c == 'W')
      width += 9;
    else if (c >= 'A' && c <= 'Z')
      width += 7;
    else
      width += 6;
  }
  return width;
}

int32_t FontTextWidth(const AnsiString& text, const TFont& font) {
  int64_t width = int64_t{DialogFontTextWidth(text)} * CharacterHeight(font) / 11;
  if (font.Style() & fsBold)
    width += std::count_if(text.begin(), text.end(), [](char c) { return c != ' '; });
  return ClampToInt32(width);
}

int32_t FontTextHeight(const TFont& font) {
  const int64_t h = font.Height();
  return ClampToInt32(h < 0 ? -h + 2 : (h > 0 ? h : 13));
}

// ---- TBitmap ---------------------------------------------------------------------

void TBitmap::SetData(std::string_view data) {
  if (data.empty()) {
    data_.clear();
    width_ = height_ = bit_count_ = 0;
    bits_offset_ = colours_offset_ = colour_count_ = 0;
    return;
  }
  if (data.size() < 4 || U32(data, 0) != data.size() - 4) throw EInvalidGraphic(kBadBitmap);
  const std::string_view file = data.substr(4);
  if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') throw EInvalidGraphic(kBadBitmap);
  const uint64_t bits = U32(file, 10);
  const uint64_t header = U32(file, 14);
  const int32_t width = I32(file, 18);
  const int32_t height = I32(file, 22);
  const uint32_t planes = U16(file, 26);
  const uint32_t bit_count = U16(file, 28);
  const uint32_t compression = U32(file, 30);
  const uint32_t used = U32(file, 46);
  if (header < 40 || planes != 1 || compression != 0) throw EInvalidGraphic(kBadBitmap);
  if (width <= 0 || width > 32767 || height == 0 || height < -32767 || height > 32767)
    throw EInvalidGraphic(kBadBitmap);
  if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 16 && bit_count != 24 &&
      bit_count != 32)
    throw EInvalidGraphic(kBadBitmap);
  uint64_t colours = 0;
  if (bit_count <= 8) {
    colours = used != 0 ? used : (1u << bit_count);
    if (colours > (1u << bit_count)) throw EInvalidGraphic(kBadBitmap);
  }
  const uint64_t colours_at = 14 + header;
  if (colours_at + colours * 4 > bits) throw EInvalidGraphic(kBadBitmap);
  const uint64_t rows = static_cast<uint64_t>(height < 0 ? -int64_t{height} : height);
  if (bits + RowBytes(width, static_cast<int32_t>(bit_count)) * rows > file.size())
    throw EInvalidGraphic(kBadBitmap);
  data_.assign(data);
  width_ = width;
  height_ = static_cast<int32_t>(rows);
  bit_count_ = static_cast<int32_t>(bit_count);
  bottom_up_ = height > 0;
  bits_offset_ = static_cast<uint32_t>(bits);
  colours_offset_ = static_cast<uint32_t>(colours_at);
  colour_count_ = static_cast<uint32_t>(colours);
}

void TBitmap::LoadFromFile(std::string_view file) {
  std::string data(4, '\0');
  const auto size = static_cast<uint32_t>(file.size());
  for (int i = 0; i < 4; ++i) data[static_cast<size_t>(i)] = static_cast<char>(size >> (8 * i));
  data.append(file);
  SetData(data);
}

TColor TBitmap::Pixel(int32_t x, int32_t y) const {
  if (data_.empty() || x < 0 || y < 0 || x >= width_ || y >= height_) return clBlack;
  const DibLayout dib{width_,       height_,         bit_count_,   bottom_up_,
                      bits_offset_, colours_offset_, colour_count_};
  return DibPixel(std::string_view(data_).substr(4), dib, x, y);
}

// ---- TPicture --------------------------------------------------------------------

void TPicture::SetData(std::string_view data) {
  if (data.empty()) {
    data_.clear();
    class_name_.clear();
    bitmap_.SetData({});
    icon_images_.clear();
    width_ = height_ = 0;
    return;
  }
  const size_t name_length = static_cast<unsigned char>(data[0]);
  if (data.size() < 1 + name_length) throw EInvalidGraphic("Picture data is not valid");
  const std::string name(data.substr(1, name_length));
  const std::string_view graphic = data.substr(1 + name_length);
  if (name == "TBitmap") {
    bitmap_.SetData(graphic);  // validates first, changes nothing on failure
    icon_images_.clear();
    width_ = bitmap_.Width();
    height_ = bitmap_.Height();
  } else if (name == "TIcon") {
    std::vector<IconImage> images;
    for (const IconEntry& entry : IconFileEntries(graphic))
      images.push_back({entry.Width, entry.Height, entry.BitCount});
    icon_images_ = std::move(images);
    bitmap_.SetData({});
    const auto shown =
        std::find_if(icon_images_.begin(), icon_images_.end(),
                     [](const IconImage& im) { return im.Width == 32 && im.Height == 32; });
    const IconImage& size = shown != icon_images_.end() ? *shown : icon_images_.front();
    width_ = size.Width;
    height_ = size.Height;
  } else {
    throw EInvalidGraphic("Unknown graphic class " + name);
  }
  data_.assign(data);
  class_name_ = name;
}

// ---- Icon images -----------------------------------------------------------------

IconPixels DecodeIconImage(std::string_view dib) {
  if (dib.size() < 40) throw EInvalidGraphic(kBadIcon);
  const uint64_t header = U32(dib, 0);
  const int32_t width = I32(dib, 4), both = I32(dib, 8);
  const uint32_t planes = U16(dib, 12), bit_count = U16(dib, 14), compression = U32(dib, 16);
  const uint32_t used = U32(dib, 32);
  if (header < 40 || header > dib.size() || planes != 1 || compression != 0)
    throw EInvalidGraphic(kBadIcon);
  if (width <= 0 || width > 256 || both <= 0 || both % 2 != 0 || both > 512)
    throw EInvalidGraphic(kBadIcon);
  if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 24 && bit_count != 32)
    throw EInvalidGraphic(kBadIcon);
  const int32_t height = both / 2;
  uint64_t colours = 0;
  if (bit_count <= 8) {
    colours = used != 0 ? used : (1u << bit_count);
    if (colours > (1u << bit_count)) throw EInvalidGraphic(kBadIcon);
  }
  const uint64_t bits = header + colours * 4;
  const uint64_t mask = bits + RowBytes(width, static_cast<int32_t>(bit_count)) * height;
  const uint64_t mask_row = RowBytes(width, 1);
  if (mask + mask_row * height > dib.size()) throw EInvalidGraphic(kBadIcon);
  const DibLayout colour{width, height, static_cast<int32_t>(bit_count), true,
                         bits,  header, static_cast<uint32_t>(colours)};
  IconPixels image{width, height, {}};
  image.Pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const size_t at = static_cast<size_t>(
          mask + mask_row * static_cast<uint64_t>(height - 1 - y) + static_cast<uint64_t>(x / 8));
      const bool clear = (static_cast<unsigned char>(dib[at]) >> (7 - x % 8)) & 1;
      const auto bgr = static_cast<uint32_t>(DibPixel(dib, colour, x, y));
      image.Pixels.push_back(
          clear ? 0u : 0xFF000000u | (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF));
    }
  return image;
}

IconPixels IconImageForSize(const std::vector<IconEntry>& images, int32_t size) {
  const IconEntry* best = nullptr;
  const auto exact = [&](const IconEntry& e) { return e.Width == size && e.Height == size; };
  for (const IconEntry& e : images) {
    if (best == nullptr) {
      best = &e;
    } else if (exact(e) != exact(*best)) {
      if (exact(e)) best = &e;
    } else if (int64_t{e.Width} * e.Height != int64_t{best->Width} * best->Height) {
      if (!exact(e) && int64_t{e.Width} * e.Height > int64_t{best->Width} * best->Height) best = &e;
    } else if (e.BitCount > best->BitCount) {
      best = &e;
    }
  }
  if (best == nullptr) return {};
  IconPixels image = DecodeIconImage(best->Dib);
  if (exact(*best) || size <= 0) return image;
  // The system scales the nearest image to the size asked for.
  IconPixels scaled{size, size, {}};
  scaled.Pixels.reserve(static_cast<size_t>(size) * static_cast<size_t>(size));
  for (int32_t y = 0; y < size; ++y)
    for (int32_t x = 0; x < size; ++x)
      scaled.Pixels.push_back(image.At(static_cast<int32_t>(int64_t{x} * image.Width / size),
                                       static_cast<int32_t>(int64_t{y} * image.Height / size)));
  return scaled;
}

IconPixels TPicture::IconForSize(int32_t size) const {
  if (class_name_ != "TIcon") return {};
  const size_t name_length = static_cast<unsigned char>(data_[0]);
  return IconImageForSize(IconFileEntries(std::string_view(data_).substr(1 + name_length)), size);
}

IconPixels TIcon::ImageForSize(int32_t size) const {
  const IconInfo* loaded = handle_ != 0 ? IconDetails(handle_) : nullptr;
  if (loaded == nullptr) return {};
  const auto group = FindResourceData(loaded->Module, RT_GROUP_ICON, loaded->Name);
  if (!group) return {};
  // The group's directory: reserved 0, type 1, count, then one 14-byte entry per
  // image, the last two bytes of which are the image's RT_ICON id.
  const std::string_view dir = *group;
  if (dir.size() < 6 || U16(dir, 0) != 0 || U16(dir, 2) != 1) throw EInvalidGraphic(kBadIcon);
  const uint32_t count = U16(dir, 4);
  if (6 + uint64_t{count} * 14 > dir.size()) throw EInvalidGraphic(kBadIcon);
  std::vector<IconEntry> images;
  for (uint32_t i = 0; i < count; ++i) {
    // Appended, not concatenated: GCC 12 warns falsely (-Wrestrict) on "#" + ... at -O3.
    std::string id = "#";
    id += std::to_string(U16(dir, 6 + 14 * size_t{i} + 12));
    const auto dib = FindResourceData(loaded->Module, RT_ICON, id);
    if (!dib || dib->size() < 40) throw EInvalidGraphic(kBadIcon);
    images.push_back({I32(*dib, 4), I32(*dib, 8) / 2, static_cast<int32_t>(U16(*dib, 14)), *dib});
  }
  return IconImageForSize(images, size);
}

}  // namespace host
