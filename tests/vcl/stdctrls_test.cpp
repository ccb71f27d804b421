// The controls the form images create, on their own: the up-down's range and
// associate, labels that size themselves, tab order, and the streamed graphics.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "host/rtl/bytes.h"
#include "host/vcl/comctrls.h"
#include "host/vcl/forms.h"
#include "host/vcl/graphics.h"
#include "host/vcl/stdctrls.h"
#include "tests/vcl/bitmap_files.h"

namespace {

using host::AppendUInt16LE;
using host::AppendUInt32LE;

using host_test::BitmapFile;

std::string Colour(uint8_t r, uint8_t g, uint8_t b) {
  return std::string{static_cast<char>(b), static_cast<char>(g), static_cast<char>(r), '\0'};
}

TEST(UpDown, ClampsToTheRangeAndWritesTheAssociate) {
  host::TComponent owner(nullptr);
  auto* edit = new host::TEdit(&owner);
  auto* ud = new host::TUpDown(&owner);
  EXPECT_EQ(ud->Min(), 0);
  EXPECT_EQ(ud->Max(), 100);
  ud->SetMin(150);
  ud->SetMax(800);
  ud->SetAssociate(edit);
  EXPECT_EQ(edit->Text(), "0") << "the position as it is, before any is set";
  for (const auto& [handed, shown] : std::vector<std::pair<int16_t, const char*>>{
           {0, "150"}, {4464, "800"}, {-25536, "150"}, {400, "400"}, {150, "150"}, {800, "800"}}) {
    ud->SetPosition(handed);
    EXPECT_EQ(edit->Text(), shown) << handed;
  }
  // Arrows: from the typed number when there is one, within the range.
  edit->SetText("799");
  ud->ClickUp();
  ud->ClickUp();
  EXPECT_EQ(edit->Text(), "800");
  edit->SetText("not a number");
  ud->ClickDown();
  EXPECT_EQ(edit->Text(), "799") << "from the position";
  edit->SetText("99999");
  ud->ClickDown();
  EXPECT_EQ(edit->Text(), "800") << "a typed number beyond the range comes back to it";
  // A reversed range: the up arrow still goes towards Max.
  ud->SetMin(10);
  ud->SetMax(0);
  ud->SetPosition(5);
  ud->ClickUp();
  EXPECT_EQ(ud->Position(), 4);
  ud->SetPosition(-3);
  EXPECT_EQ(ud->Position(), 0);
  // An associate that goes is forgotten.
  delete edit;
  EXPECT_EQ(ud->Associate(), nullptr);
  ud->SetPosition(7);
  EXPECT_EQ(ud->Position(), 7);
}

TEST(Label, AutoSizeKeepsTheEdgeItsAlignmentNames) {
  host::TForm form(nullptr);
  const auto make = [&](host::TAlignment alignment) {
    auto* label = new host::TLabel(&form);
    label->SetParent(&form);
    label->SetBounds(100, 8, 60, 13);
    label->SetAlignment(alignment);
    label->SetCaption("2004/9/29");
    return label;
  };
  const int32_t w = host::FontTextWidth("2004/9/29", host::TFont());
  ASSERT_GT(w, 0);
  ASSERT_NE(w, 60);
  auto* left = make(host::taLeftJustify);
  auto* right = make(host::taRightJustify);
  auto* centre = make(host::taCenter);
  EXPECT_EQ(left->BoundsRect(), (host::TRect{100, 8, 100 + w, 21}));
  EXPECT_EQ(right->BoundsRect(), (host::TRect{160 - w, 8, 160, 21}));
  EXPECT_EQ(centre->Left(), 100 + (60 - w) / 2);
  right->SetCaption("a much longer date text");
  EXPECT_EQ(right->Left() + right->Width(), 160);
  // Bold is wider; without AutoSize the bounds stay.
  host::TFont bold;
  bold.SetStyle(host::fsBold);
  EXPECT_EQ(host::FontTextWidth("Options", bold),
            host::FontTextWidth("Options", host::TFont()) + 7);
  left->SetAutoSize(false);
  left->SetBounds(0, 0, 10, 10);
  left->SetCaption("longer and longer");
  EXPECT_EQ(left->Width(), 10);
  // Extreme font heights do not overflow.
  host::TFont huge;
  huge.SetHeight(std::numeric_limits<int32_t>::min());
  EXPECT_EQ(host::FontTextWidth("WWWWWW", huge), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(host::FontTextHeight(huge), std::numeric_limits<int32_t>::max());
}

TEST(TabOrder, SettingAPlaceMovesTheOthers) {
  host::TForm form(nullptr);
  std::vector<host::TWinControl*> c;
  for (int i = 0; i < 4; ++i) {
    c.push_back(new host::TEdit(&form));
    c.back()->SetParent(&form);
  }
  auto* label = new host::TLabel(&form);
  label->SetParent(&form);
  EXPECT_EQ(form.TabList(), c) << "the order they came in; labels take no part";
  c[3]->SetTabOrder(0);
  EXPECT_EQ(form.TabList(), (std::vector<host::TWinControl*>{c[3], c[0], c[1], c[2]}));
  c[3]->SetTabOrder(99);
  EXPECT_EQ(c[3]->TabOrder(), 3) << "clamped to the last place";
  c[1]->SetTabOrder(-4);
  EXPECT_EQ(c[1]->TabOrder(), 0);
  auto* late = new host::TEdit(&form);
  late->SetParent(&form);
  EXPECT_EQ(late->TabOrder(), 4) << "a newcomer goes last";
  host::TEdit lone(nullptr);
  EXPECT_EQ(lone.TabOrder(), -1);
}

TEST(Graphics, BitmapsOfEveryDepthGiveTheirPixels) {
  // 2 x 2 pixels, top row: red, green; bottom row: blue, white.
  const std::string palette =
      Colour(255, 0, 0) + Colour(0, 255, 0) + Colour(0, 0, 255) + Colour(255, 255, 255);
  struct Case {
    int Bits;
    std::string Colours, Pixels;
  };
  const Case cases[] = {
      {4, palette, std::string("\x23\0\0\0\x01\0\0\0", 8)},
      {8, palette, std::string("\x02\x03\0\0\x00\x01\0\0", 8)},
      {16, "", std::string("\x1F\x00\xFF\x7F\x00\x7C\xE0\x03", 8)},
      {24, "", std::string("\xFF\0\0\xFF\xFF\xFF\0\0\0\0\xFF\0\xFF\0\0\0", 16)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Bits);
    host::TBitmap bitmap;
    bitmap.LoadFromFile(BitmapFile(2, 2, c.Bits, c.Colours, c.Pixels));
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.BitCount(), c.Bits);
    EXPECT_EQ(bitmap.Pixel(0, 0), host::clRed);
    EXPECT_EQ(bitmap.Pixel(1, 0), host::clLime);
    EXPECT_EQ(bitmap.Pixel(0, 1), host::clBlue);
    EXPECT_EQ(bitmap.Pixel(1, 1), host::clWhite);
    EXPECT_EQ(bitmap.TransparentColor(), host::clBlue);
    EXPECT_EQ(bitmap.Pixel(2, 0), host::clBlack) << "outside";
  }
  // A file cut short, a wrong length or signature, a zero size.
  const std::string good = BitmapFile(2, 2, 24, "", std::string(16, '\0'));
  host::TBitmap bitmap;
  EXPECT_THROW(bitmap.LoadFromFile(good.substr(0, good.size() - 1)), host::EInvalidGraphic);
  EXPECT_THROW(bitmap.LoadFromFile("XX" + good.substr(2)), host::EInvalidGraphic);
  std::string data;
  AppendUInt32LE(data, static_cast<uint32_t>(good.size() + 1));
  EXPECT_THROW(bitmap.SetData(data + good), host::EInvalidGraphic);
  std::string flat = good;
  flat[22] = flat[23] = flat[24] = flat[25] = 0;
  EXPECT_THROW(bitmap.LoadFromFile(flat), host::EInvalidGraphic);
  EXPECT_TRUE(bitmap.Empty()) << "a failed load leaves the bitmap as it was";
}

TEST(Graphics, IconPicturesListTheirImagesAndShowTheirLargeOne) {
  const auto dib = [](int size) {
    std::string d;
    AppendUInt32LE(d, 40);
    AppendUInt32LE(d, static_cast<uint32_t>(size));
    AppendUInt32LE(d, static_cast<uint32_t>(2 * size));
    AppendUInt16LE(d, 1);
    AppendUInt16LE(d, 8);
    d.append(24, '\0');
    return d;
  };
  const std::string small = dib(16), large = dib(32);
  std::string icon;
  AppendUInt16LE(icon, 0);
  AppendUInt16LE(icon, 1);
  AppendUInt16LE(icon, 2);
  const auto entry = [&](int size, const std::string& image, uint32_t offset) {
    icon.push_back(static_cast<char>(size));
    icon.push_back(static_cast<char>(size));
    icon.append(2, '\0');
    AppendUInt16LE(icon, 1);
    AppendUInt16LE(icon, 8);
    AppendUInt32LE(icon, static_cast<uint32_t>(image.size()));
    AppendUInt32LE(icon, offset);
  };
  entry(16, small, 38);
  entry(32, large, 38 + static_cast<uint32_t>(small.size()));
  icon += small + large;
  host::TPicture picture;
  picture.SetData(std::string("\x05TIcon") + icon);
  EXPECT_EQ(picture.GraphicClassName(), "TIcon");
  ASSERT_EQ(picture.IconImages().size(), 2u);
  EXPECT_EQ(picture.IconImages()[0].Width, 16);
  EXPECT_EQ(picture.Width(), 32);
  EXPECT_EQ(picture.Height(), 32);
  // An entry that points past the end.
  std::string broken = icon;
  broken[6 + 16 + 12] = static_cast<char>(0xF0);
  EXPECT_THROW(picture.SetData(std::string("\x05TIcon") + broken), host::EInvalidGraphic);
  EXPECT_EQ(picture.Width(), 32) << "unchanged";
  picture.SetData("");
  EXPECT_TRUE(picture.Empty());
  EXPECT_EQ(picture.Width(), 0);
}

// A 2 x 2 icon image of 4 bits per pixel: palette entries 1 (red) and 2 (blue)
// on the top row, the bottom row's right pixel left out by the mask.
std::string TinyIconImage(uint32_t bit_count = 4) {
  std::string d;
  for (uint32_t v : {40u, 2u, 4u}) AppendUInt32LE(d, v);
  AppendUInt16LE(d, 1);
  AppendUInt16LE(d, bit_count);
  for (uint32_t v : {0u, 0u, 0u, 0u, 0u, 0u}) AppendUInt32LE(d, v);
  for (uint32_t i = 0; i < 16; ++i) AppendUInt32LE(d, i == 1 ? 0xFF0000 : i == 2 ? 0x0000FF : 0);
  for (const char* row : {"\x20\0\0\0", "\x12\0\0\0"}) d.append(row, 4);  // bottom row first
  for (const char* mask : {"\x40\0\0\0", "\0\0\0\0"}) d.append(mask, 4);
  return d;
}

TEST(Graphics, IconImagesDecodeWithTheirMaskAndTheSizeShownIsChosen) {
  const host::IconPixels tiny = host::DecodeIconImage(TinyIconImage());
  ASSERT_EQ(tiny.Width, 2);
  ASSERT_EQ(tiny.Height, 2);
  EXPECT_EQ(tiny.At(0, 0), 0xFFFF0000u) << "top row, red";
  EXPECT_EQ(tiny.At(1, 0), 0xFF0000FFu) << "blue";
  EXPECT_EQ(tiny.At(0, 1), 0xFF0000FFu);
  EXPECT_EQ(tiny.At(1, 1), 0u) << "the mask leaves it out";

  // Of the images of the size asked for, the deepest; without one, the largest
  // image scaled.
  const std::string deep = TinyIconImage(), shallow = TinyIconImage(1);
  const std::vector<host::IconEntry> images{{2, 2, 1, shallow}, {2, 2, 4, deep}};
  EXPECT_EQ(host::IconImageForSize(images, 2).Pixels, tiny.Pixels);
  const host::IconPixels scaled = host::IconImageForSize(images, 4);
  ASSERT_EQ(scaled.Width, 4);
  EXPECT_EQ(scaled.At(3, 3), 0u);
  EXPECT_EQ(scaled.At(1, 1), 0xFFFF0000u);
  EXPECT_TRUE(host::IconImageForSize({}, 16).Empty());

  struct Broken {
    size_t At;
    char Byte;
    const char* Why;
  };
  for (const Broken& b : {Broken{4, 0, "no width"}, Broken{8, 3, "an odd double height"},
                          Broken{12, 2, "two planes"}, Broken{14, 3, "3 bits per pixel"},
                          Broken{16, 1, "compressed"}, Broken{32, 17, "17 of 16 colours"}}) {
    std::string dib = TinyIconImage();
    dib[b.At] = b.Byte;
    EXPECT_THROW(host::DecodeIconImage(dib), host::EInvalidGraphic) << b.Why;
  }
  EXPECT_THROW(host::DecodeIconImage(TinyIconImage().substr(0, 40 + 64 + 7)), host::EInvalidGraphic)
      << "the mask cut short";
}

}  // namespace
