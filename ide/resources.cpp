// The IDE executable's own resources.
#include "ide/resources.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "host/rtl/bytes.h"

namespace ide {

namespace {

// The IDE's own icon, "MAINICON": a teal disc in a black ring with a white
// diamond in its middle, the corners outside the disc transparent. Two
// 16-colour images: 32 x 32 (id 1) and 16 x 16 (id 2).
constexpr int kSizes[] = {32, 16};

// The colour index of a pixel: 0 black, 6 teal, 15 white (the system palette).
int IndexAt(int size, int x, int y) {
  const int twice_x = 2 * x + 1 - size,
            twice_y = 2 * y + 1 - size;  // doubled offsets from the centre
  const int distance = twice_x * twice_x + twice_y * twice_y;
  if (distance > size * size) return -1;  // outside the disc
  if (distance > (size - 4) * (size - 4)) return 0;
  if (std::abs(twice_x) + std::abs(twice_y) <= size / 2 + 1) return 15;
  return 6;
}

// A device-independent bitmap of 4 bits per pixel with its mask.
std::string IconImage(int size) {
  const auto row_bytes = [](int bits) { return (bits + 31) / 32 * 4; };
  const int colour_row = row_bytes(4 * size), mask_row = row_bytes(size);
  std::string dib;
  // BITMAPINFOHEADER: 40 bytes, size x 2 size (colour and mask), 1 plane, 4 bits,
  // no compression, the bytes of both bitmaps, 16 colours.
  for (int field : {40, size, 2 * size}) host::AppendUInt32LE(dib, static_cast<uint32_t>(field));
  host::AppendUInt16LE(dib, 1);
  host::AppendUInt16LE(dib, 4);
  for (int field : {0, (colour_row + mask_row) * size, 0, 0, 16, 0})
    host::AppendUInt32LE(dib, static_cast<uint32_t>(field));
  const uint32_t palette[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};  // 0x00RRGGBB
  for (uint32_t colour : palette) host::AppendUInt32LE(dib, colour);
  // Rows bottom-up, each padded to 4 bytes; a transparent pixel is black in the
  // colour bitmap and set in the mask.
  for (int y = size - 1; y >= 0; --y) {
    std::string row(static_cast<size_t>(colour_row), '\0');
    for (int x = 0; x < size; ++x)
      row[static_cast<size_t>(x / 2)] |=
          static_cast<char>(std::max(IndexAt(size, x, y), 0) << (x % 2 == 0 ? 4 : 0));
    dib += row;
  }
  for (int y = size - 1; y >= 0; --y) {
    std::string row(static_cast<size_t>(mask_row), '\0');
    for (int x = 0; x < size; ++x)
      if (IndexAt(size, x, y) < 0)
        row[static_cast<size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    dib += row;
  }
  return dib;
}

const std::string& Image(int id) {
  static const std::string images[] = {IconImage(kSizes[0]), IconImage(kSizes[1])};
  return images[id - 1];
}

// The group directory: reserved, type 1, two entries (width, height, colours,
// reserved, planes, bits per pixel, the image's size, its id).
const std::string& IdeIconGroup() {
  static const std::string group = [] {
    std::string dir;
    for (uint32_t field : {0u, 1u, 2u}) host::AppendUInt16LE(dir, field);
    for (int id = 1; id <= 2; ++id) {
      const auto size = static_cast<char>(kSizes[id - 1]);
      dir += {size, size, 16, 0};
      host::AppendUInt16LE(dir, 1);
      host::AppendUInt16LE(dir, 4);
      host::AppendUInt32LE(dir, static_cast<uint32_t>(Image(id).size()));
      host::AppendUInt16LE(dir, static_cast<uint32_t>(id));
    }
    return dir;
  }();
  return group;
}

host::TResourceEntry Entry(const char* type, const char* name, const std::string& data) {
  return {type, name, data.data(), static_cast<uint32_t>(data.size())};
}

}  // namespace

const std::vector<host::TResourceEntry>& IdeResources() {
  static const std::vector<host::TResourceEntry> resources = {
      Entry(host::RT_GROUP_ICON, "MAINICON", IdeIconGroup()), Entry(host::RT_ICON, "#1", Image(1)),
      Entry(host::RT_ICON, "#2", Image(2))};
  return resources;
}

}  // namespace ide
