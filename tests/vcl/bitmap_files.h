// Bitmap files built byte by byte, for the tests of the graphics and of the form
// images that stream them.
#pragma once

#include <cstdint>
#include <string>

#include "host/rtl/bytes.h"

namespace host_test {

// A bitmap file: header, colours (for up to 8 bits), the given rows bottom-up.
inline std::string BitmapFile(int w, int h, int bits, const std::string& colours,
                              const std::string& pixels) {
  using host::AppendUInt16LE;
  using host::AppendUInt32LE;
  std::string f = "BM";
  const uint32_t offset = 54 + static_cast<uint32_t>(colours.size());
  AppendUInt32LE(f, offset + static_cast<uint32_t>(pixels.size()));
  AppendUInt32LE(f, 0);
  AppendUInt32LE(f, offset);
  AppendUInt32LE(f, 40);
  AppendUInt32LE(f, static_cast<uint32_t>(w));
  AppendUInt32LE(f, static_cast<uint32_t>(h));
  AppendUInt16LE(f, 1);
  AppendUInt16LE(f, static_cast<uint32_t>(bits));
  AppendUInt32LE(f, 0);
  AppendUInt32LE(f, static_cast<uint32_t>(pixels.size()));
  AppendUInt32LE(f, 0);
  AppendUInt32LE(f, 0);
  AppendUInt32LE(f, static_cast<uint32_t>(colours.size() / 4));
  AppendUInt32LE(f, 0);
  return f + colours + pixels;
}

// A 24-bit bitmap file of w x h; pixel (x, y) from colour(x, y) as 0xBBGGRR.
template <class F>
std::string BitmapFile(int w, int h, F colour) {
  std::string pixels;
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      const uint32_t c = colour(x, y);
      pixels += {static_cast<char>(c >> 16), static_cast<char>(c >> 8), static_cast<char>(c)};
    }
    pixels.append(static_cast<size_t>((w * 3 + 3) / 4 * 4 - w * 3), '\0');
  }
  return BitmapFile(w, h, 24, "", pixels);
}

}  // namespace host_test
