// The bar's form image as the package carries it: the three buttons' glyphs,
// decoded from their Glyph.Data (the streamed bitmap: its 32-bit length, then
// the bitmap file), are 16-colour pictures in black on magenta with the
// transparent colour in the bottom-left corner.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "host/rtl/modules.h"
#include "tests/support/ide_session.h"

namespace {

uint32_t U16(const std::string& b, size_t at) {
  return static_cast<uint8_t>(b.at(at)) | static_cast<uint32_t>(static_cast<uint8_t>(b.at(at + 1)))
                                              << 8;
}
uint32_t U32(const std::string& b, size_t at) {
  return U16(b, at) | U16(b, at + 2) << 16;
}

// The bytes of the Glyph.Data block of the named object in the form text.
std::string GlyphData(std::string_view text, const std::string& object) {
  const size_t start = text.find("object " + object + ": TSpeedButton");
  EXPECT_NE(start, std::string_view::npos) << object;
  if (start == std::string_view::npos) return {};
  const size_t end_of_object = text.find("\n  end", start);
  const size_t open = text.find("Glyph.Data = {", start);
  EXPECT_LT(open, end_of_object) << object << " has its own glyph";
  const size_t close = text.find('}', open);
  std::string hex;
  for (size_t i = open + 14; i < close; ++i)
    if (std::isxdigit(static_cast<unsigned char>(text[i]))) hex += text[i];
  EXPECT_EQ(hex.size() % 2, 0u);
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

// The picture as text, top row first: '#' black, '.' magenta, '?' anything else.
std::vector<std::string> Decode(const std::string& data, int width, int height) {
  EXPECT_GE(data.size(), 4u + 14 + 40 + 64);
  if (data.size() < 4u + 14 + 40 + 64) return {};
  EXPECT_EQ(U32(data, 0), data.size() - 4) << "the stream's length comes first";
  const std::string file = data.substr(4);
  EXPECT_EQ(file.substr(0, 2), "BM");
  EXPECT_EQ(U32(file, 2), file.size()) << "bfSize";
  const uint32_t bits_at = U32(file, 10);
  EXPECT_EQ(U32(file, 14), 40u) << "BITMAPINFOHEADER";
  EXPECT_EQ(static_cast<int>(U32(file, 18)), width);
  EXPECT_EQ(static_cast<int>(U32(file, 22)), height) << "positive: bottom-up";
  EXPECT_EQ(U16(file, 26), 1u) << "planes";
  EXPECT_EQ(U16(file, 28), 4u) << "16 colours";
  EXPECT_EQ(U32(file, 30), 0u) << "uncompressed";
  const uint32_t used = U32(file, 46);
  const uint32_t colours = used == 0 ? 16 : used;
  EXPECT_EQ(bits_at, 14 + 40 + 4 * colours);
  std::vector<uint32_t> palette;
  for (uint32_t i = 0; i < colours; ++i) {
    const size_t at = 54 + 4 * i;
    palette.push_back(static_cast<uint32_t>(static_cast<uint8_t>(file.at(at + 2))) << 16 |
                      static_cast<uint32_t>(static_cast<uint8_t>(file.at(at + 1))) << 8 |
                      static_cast<uint8_t>(file.at(at)));
  }
  const size_t row_bytes = static_cast<size_t>((width * 4 + 31) / 32 * 4);
  EXPECT_EQ(file.size(), bits_at + row_bytes * static_cast<size_t>(height));
  if (file.size() != bits_at + row_bytes * static_cast<size_t>(height)) return {};
  std::vector<std::string> rows;
  for (int y = 0; y < height; ++y) {
    const size_t row = static_cast<size_t>(height - 1 - y);
    std::string line;
    for (int x = 0; x < width; ++x) {
      const auto byte =
          static_cast<uint8_t>(file[bits_at + row * row_bytes + static_cast<size_t>(x / 2)]);
      const uint32_t colour = palette.at(x % 2 == 0 ? byte >> 4 : byte & 0x0F);
      line += colour == 0x000000 ? '#' : colour == 0xFF00FF ? '.' : '?';
    }
    rows.push_back(line);
  }
  return rows;
}

TEST(ButtonBarGlyphs, ThreeBlackOnMagentaPicturesAsTheButtonsNeed) {
  host::RegistryLocation::UseMemory();
  auto session = fleetforge_test::MakeSession();
  session->StartUp();
  const auto image =
      host::FindResourceData(session->GetIde().Package(), host::RT_RCDATA, "TFFDELPHIMAINFORM");
  ASSERT_TRUE(image);
  struct Glyph {
    const char* button;
    int width, height;
    std::vector<std::string> picture;
  };
  const Glyph glyphs[] = {
      // The outline of a flat bar: a top line, a hollow row, two solid rows.
      {"sbComponents",
       10,
       9,
       {"..........", "..........", "#########.", "#.......#.", "#########.", "#########.",
        "..........", "..........", ".........."}},
      // A solid bar 6 wide and 2 high along the bottom.
      {"sbMinimize",
       10,
       9,
       {"..........", "..........", "..........", "..........", "..........", "..........",
        "..........", "..######..", "..######.."}},
      // A diagonal cross with strokes 2 pixels wide.
      {"sbClose",
       9,
       9,
       {".........", ".##....##", "..##..##.", "...####..", "....##...", "...####..", "..##..##.",
        ".##....##", "........."}},
  };
  for (const Glyph& g : glyphs) {
    SCOPED_TRACE(g.button);
    const std::vector<std::string> picture = Decode(GlyphData(*image, g.button), g.width, g.height);
    EXPECT_EQ(picture, g.picture);
    // The speed button takes the bottom-left pixel's colour as transparent.
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(picture.back().front(), '.');
  }
  session.reset();
  host::RegistryLocation::Reset();
}

}  // namespace
