#include "icon/IconArt.h"

#include <algorithm>
#include <array>

#include "host/rtl/bytes.h"

namespace FleetforgeIconChanger {

namespace {

using host::AppendUInt16LE;
using host::AppendUInt32LE;

// What a pixel of the picture shows.
enum class Role { Transparent, Border, Fill, Letter, Shadow };

struct Box {
  int Left, Top, Right, Bottom;  // inclusive
  bool Holds(int x, int y) const { return x >= Left && x <= Right && y >= Top && y <= Bottom; }
};

// The picture at one size: the square's cut corners and border, and the
// letter's three strokes (stem, top bar, middle bar). The shadow falls one
// pixel to the lower right of the letter.
struct Geometry {
  int Size;
  int CornerCut;  // pixels whose distances to the two nearest edges add up to less
  int Border;     // border thickness
  std::array<Box, 3> Letter;
};

constexpr Geometry kLarge{32, 3, 2, {{{9, 6, 13, 25}, {9, 6, 23, 10}, {9, 14, 20, 17}}}};
constexpr Geometry kSmall{16, 2, 1, {{{4, 3, 6, 12}, {4, 3, 11, 4}, {4, 7, 9, 8}}}};

bool InLetter(const Geometry& g, int x, int y) {
  return std::any_of(g.Letter.begin(), g.Letter.end(),
                     [&](const Box& box) { return box.Holds(x, y); });
}

Role RoleAt(const Geometry& g, int x, int y) {
  const int last = g.Size - 1;
  const int dx = std::min(x, last - x);
  const int dy = std::min(y, last - y);
  if (dx + dy < g.CornerCut) return Role::Transparent;
  if (std::min(dx, dy) < g.Border) return Role::Border;
  if (InLetter(g, x, y)) return Role::Letter;
  if (InLetter(g, x - 1, y - 1)) return Role::Shadow;
  return Role::Fill;
}

struct Rgb {
  uint8_t R, G, B;
};

// The 16 colours of the classic system palette, in their usual order.
constexpr std::array<Rgb, 16> kSystemColours{{{0, 0, 0},
                                              {128, 0, 0},
                                              {0, 128, 0},
                                              {128, 128, 0},
                                              {0, 0, 128},
                                              {128, 0, 128},
                                              {0, 128, 128},
                                              {192, 192, 192},
                                              {128, 128, 128},
                                              {255, 0, 0},
                                              {0, 255, 0},
                                              {255, 255, 0},
                                              {0, 0, 255},
                                              {255, 0, 255},
                                              {0, 255, 255},
                                              {255, 255, 255}}};
constexpr uint8_t kBlack = 0, kTeal = 6, kGrey = 8, kNavy = 4, kBlue = 12, kWhite = 15;

// The colour indices a 16-colour picture uses for its roles.
struct Scheme {
  uint8_t Border, Fill, Letter, Shadow;
};
constexpr Scheme kIdeScheme{kNavy, kBlue, kWhite, kBlack};
constexpr Scheme kPackageScheme{kGrey, kTeal, kWhite, kBlack};

// The 256-colour palette: the system colours, 32 shades of blue for the square
// (light at the top, dark at the bottom), the border and the shadow, then a
// grey ramp to fill the table.
constexpr int kShadeBase = 16, kShades = 32;
constexpr uint8_t kDeepBorder = kShadeBase + kShades, kDeepShadow = kDeepBorder + 1;

std::array<Rgb, 256> DeepPalette() {
  std::array<Rgb, 256> palette{};
  std::copy(kSystemColours.begin(), kSystemColours.end(), palette.begin());
  for (int i = 0; i < kShades; ++i) {
    const auto mix = [i](int top, int bottom) {
      return static_cast<uint8_t>(top + (bottom - top) * i / (kShades - 1));
    };
    palette[static_cast<size_t>(kShadeBase + i)] = {mix(96, 0), mix(160, 24), mix(255, 144)};
  }
  palette[kDeepBorder] = {0, 0, 80};
  palette[kDeepShadow] = {0, 0, 40};
  for (int i = kDeepShadow + 1; i < 256; ++i) {
    const auto grey = static_cast<uint8_t>((i - kDeepShadow - 1) * 255 / (255 - kDeepShadow - 1));
    palette[static_cast<size_t>(i)] = {grey, grey, grey};
  }
  return palette;
}

uint8_t ShallowIndex(const Scheme& s, Role role) {
  switch (role) {
    case Role::Transparent:
      return kBlack;
    case Role::Border:
      return s.Border;
    case Role::Fill:
      return s.Fill;
    case Role::Letter:
      return s.Letter;
    case Role::Shadow:
      return s.Shadow;
  }
  return kBlack;
}

uint8_t DeepIndex(const Geometry& g, Role role, int y) {
  switch (role) {
    case Role::Transparent:
      return kBlack;
    case Role::Border:
      return kDeepBorder;
    case Role::Fill:
      return static_cast<uint8_t>(kShadeBase + y * kShades / g.Size);
    case Role::Letter:
      return kWhite;
    case Role::Shadow:
      return kDeepShadow;
  }
  return kBlack;
}

// Bytes of one bitmap row: rows are padded to whole 32-bit words.
uint32_t RowBytes(int width, int bitsPerPixel) {
  return static_cast<uint32_t>((width * bitsPerPixel + 31) / 32 * 4);
}

// One icon image: BITMAPINFOHEADER, palette, colour pixels, mask. Rows run from
// the bottom of the picture to its top; a 4-bit byte holds the left pixel in its
// high half; a mask bit of 1 (most significant bit leftmost) lets the screen
// show through, and the colour pixel under it is black.
template <class IndexAt>
std::string EncodeImage(const Geometry& g, int bitsPerPixel, const Rgb* palette, IndexAt indexAt) {
  const int size = g.Size;
  const uint32_t xor_row = RowBytes(size, bitsPerPixel);
  const uint32_t and_row = RowBytes(size, 1);
  const uint32_t pixel_bytes = (xor_row + and_row) * static_cast<uint32_t>(size);
  std::string out;
  AppendUInt32LE(out, 40);                                   // biSize
  AppendUInt32LE(out, static_cast<uint32_t>(size));          // biWidth
  AppendUInt32LE(out, static_cast<uint32_t>(2 * size));      // biHeight: colour pixels and mask
  AppendUInt16LE(out, 1);                                    // biPlanes
  AppendUInt16LE(out, static_cast<uint32_t>(bitsPerPixel));  // biBitCount
  AppendUInt32LE(out, 0);                                    // biCompression: BI_RGB
  AppendUInt32LE(out, pixel_bytes);                          // biSizeImage
  AppendUInt32LE(out, 0);                                    // biXPelsPerMeter
  AppendUInt32LE(out, 0);                                    // biYPelsPerMeter
  AppendUInt32LE(out, 0);                                    // biClrUsed: the full table
  AppendUInt32LE(out, 0);                                    // biClrImportant
  for (int i = 0; i < (1 << bitsPerPixel); ++i) {
    out.push_back(static_cast<char>(palette[i].B));
    out.push_back(static_cast<char>(palette[i].G));
    out.push_back(static_cast<char>(palette[i].R));
    out.push_back('\0');
  }
  for (int row = 0; row < size; ++row) {
    const int y = size - 1 - row;
    std::string line(xor_row, '\0');
    for (int x = 0; x < size; ++x) {
      const auto index = static_cast<uint8_t>(indexAt(RoleAt(g, x, y), y));
      if (bitsPerPixel == 8) {
        line[static_cast<size_t>(x)] = static_cast<char>(index);
      } else {
        const auto at = static_cast<size_t>(x / 2);
        const int shift = x % 2 == 0 ? 4 : 0;
        line[at] = static_cast<char>(static_cast<uint8_t>(line[at]) | (index << shift));
      }
    }
    out += line;
  }
  for (int row = 0; row < size; ++row) {
    const int y = size - 1 - row;
    std::string line(and_row, '\0');
    for (int x = 0; x < size; ++x)
      if (RoleAt(g, x, y) == Role::Transparent) {
        const auto at = static_cast<size_t>(x / 8);
        line[at] = static_cast<char>(static_cast<uint8_t>(line[at]) | (0x80 >> (x % 8)));
      }
    out += line;
  }
  return out;
}

std::string ShallowImage(const Geometry& g, const Scheme& scheme) {
  return EncodeImage(g, 4, kSystemColours.data(),
                     [&](Role role, int) { return ShallowIndex(scheme, role); });
}

std::string DeepImage(const Geometry& g) {
  static const std::array<Rgb, 256> palette = DeepPalette();
  return EncodeImage(g, 8, palette.data(), [&](Role role, int y) { return DeepIndex(g, role, y); });
}

struct DirectoryEntry {
  int Size;
  uint8_t ColourCount;
  uint16_t BitCount;
};

IconGroupResource MakeGroup(const char* name, const std::vector<DirectoryEntry>& entries,
                            std::vector<std::string> images, uint16_t firstId) {
  IconGroupResource group;
  group.Name = name;
  AppendUInt16LE(group.Directory, 0);  // reserved
  AppendUInt16LE(group.Directory, 1);  // type: icons
  AppendUInt16LE(group.Directory, static_cast<uint32_t>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    const auto id = static_cast<uint16_t>(firstId + i);
    const DirectoryEntry& e = entries[i];
    group.Directory.push_back(static_cast<char>(e.Size));
    group.Directory.push_back(static_cast<char>(e.Size));
    group.Directory.push_back(static_cast<char>(e.ColourCount));
    group.Directory.push_back('\0');     // reserved
    AppendUInt16LE(group.Directory, 1);  // planes
    AppendUInt16LE(group.Directory, e.BitCount);
    AppendUInt32LE(group.Directory, static_cast<uint32_t>(images[i].size()));
    AppendUInt16LE(group.Directory, id);
    group.Images.push_back({id, "#" + std::to_string(id), std::move(images[i])});
  }
  return group;
}

// Image ids are unique in the module: the package's MAINICON has 1, the IDE
// icon's images follow.
constexpr uint16_t kMainIconImage = 1;
constexpr uint16_t kFleetforgeIconFirstImage = 2;

}  // namespace

const IconGroupResource& FleetforgeIconGroup() {
  static const IconGroupResource group =
      MakeGroup("FLEETFORGED7ICON", {{32, 16, 4}, {16, 16, 4}, {32, 0, 24}, {16, 0, 24}},
                {ShallowImage(kLarge, kIdeScheme), ShallowImage(kSmall, kIdeScheme),
                 DeepImage(kLarge), DeepImage(kSmall)},
                kFleetforgeIconFirstImage);
  return group;
}

const IconGroupResource& PackageMainIconGroup() {
  static const IconGroupResource group =
      MakeGroup("MAINICON", {{32, 16, 4}}, {ShallowImage(kLarge, kPackageScheme)}, kMainIconImage);
  return group;
}

}  // namespace FleetforgeIconChanger
