// The IDE executable's own resources.
#include "ide/resources.h"

#include "host/rtl/bytes.h"

namespace ide {

namespace {

// The IDE's own icon: a group directory with one 32 x 32, 16-colour image (id 1),
// a grey square in a dark frame.
const std::string& IdeIconGroup() {
  static const std::string group = [] {
    const unsigned char bytes[] = {0,  0,  1,  0, 1, 0,  // reserved, type, count
                                   32, 32, 16, 0, 1, 0, 4, 0, 0xE8, 2, 0, 0,  // entry: 744 bytes
                                   1,  0};                                    // image id 1
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
  }();
  return group;
}

const std::string& IdeIconImage() {
  static const std::string image = [] {
    constexpr int kSize = 32;
    std::string dib;
    // BITMAPINFOHEADER: 40 bytes, 32 x 64 (colour and mask), 1 plane, 4 bits,
    // no compression, 640 bytes of pixels.
    for (uint32_t field : {40u, 32u, 64u}) host::AppendUInt32LE(dib, field);
    host::AppendUInt16LE(dib, 1);
    host::AppendUInt16LE(dib, 4);
    for (uint32_t field : {0u, 640u, 0u, 0u, 16u, 0u}) host::AppendUInt32LE(dib, field);
    // The palette: black, dark grey, light grey, then black for the rest.
    const uint32_t palette[16] = {0x000000, 0x808080, 0xC0C0C0};
    for (uint32_t colour : palette) host::AppendUInt32LE(dib, colour);
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; x += 2) {
        auto index = [&](int px) {
          const bool frame = px < 2 || px >= kSize - 2 || y < 2 || y >= kSize - 2;
          return frame ? 1 : 2;
        };
        dib.push_back(static_cast<char>((index(x) << 4) | index(x + 1)));
      }
    }
    dib.append(kSize * 4, '\0');  // the mask: every pixel shows
    return dib;
  }();
  return image;
}

}  // namespace

const std::vector<host::TResourceEntry>& IdeResources() {
  static const std::vector<host::TResourceEntry> resources = {
      {host::RT_GROUP_ICON, "MAINICON", IdeIconGroup().data(),
       static_cast<uint32_t>(IdeIconGroup().size())},
      {host::RT_ICON, "#1", IdeIconImage().data(), static_cast<uint32_t>(IdeIconImage().size())}};
  return resources;
}

}  // namespace ide
