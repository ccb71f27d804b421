// The IDE icon switch: the package's icon groups as resources (group directory,
// images, bitmaps), and the application icon through load, the option, the
// ChangeIcon routine, unload and the dormant mode, in the reference IDE.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "global/OptionsRecord.h"
#include "host/rtl/modules.h"
#include "ide/addin.h"
#include "tests/support/host_error.h"
#include "tests/support/ide_session.h"

namespace {

using fleetforge_test::MakeSession;
using fleetforge_test::SessionSetup;
using fleetforge_test::StoreOptions;

// ---- Reading the resources ----------------------------------------------------

uint32_t U16(std::string_view bytes, size_t at) {
  return static_cast<uint8_t>(bytes.at(at)) |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes.at(at + 1))) << 8;
}
uint32_t U32(std::string_view bytes, size_t at) {
  return U16(bytes, at) | U16(bytes, at + 2) << 16;
}

struct DirEntry {
  uint32_t Width, Height, ColourCount, Reserved, Planes, BitCount, BytesInRes, Id;
};

std::vector<DirEntry> ReadDirectory(std::string_view dir) {
  EXPECT_GE(dir.size(), 6u);
  EXPECT_EQ(U16(dir, 0), 0u) << "reserved";
  EXPECT_EQ(U16(dir, 2), 1u) << "type: icons";
  const uint32_t count = U16(dir, 4);
  EXPECT_EQ(dir.size(), 6u + 14u * count) << "nothing after the entries";
  std::vector<DirEntry> entries;
  for (uint32_t i = 0; i < count && 6 + 14 * (i + 1) <= dir.size(); ++i) {
    const size_t at = 6 + 14 * i;
    entries.push_back({static_cast<uint8_t>(dir[at]), static_cast<uint8_t>(dir[at + 1]),
                       static_cast<uint8_t>(dir[at + 2]), static_cast<uint8_t>(dir[at + 3]),
                       U16(dir, at + 4), U16(dir, at + 6), U32(dir, at + 8), U16(dir, at + 12)});
  }
  return entries;
}

// An icon image decoded: the colour index and transparency of every pixel, top
// row first, and the palette as 0xRRGGBB.
struct Picture {
  int Size = 0;
  int BitCount = 0;
  std::vector<uint32_t> Palette;
  std::vector<std::vector<int>> Index;
  std::vector<std::vector<bool>> Transparent;
  uint32_t Colour(int x, int y) const {
    return Palette.at(static_cast<size_t>(Index[static_cast<size_t>(y)][static_cast<size_t>(x)]));
  }
  bool Clear(int x, int y) const {
    return Transparent[static_cast<size_t>(y)][static_cast<size_t>(x)];
  }
};

// Checks the bitmap's header against what the directory says, and decodes it.
Picture ReadImage(std::string_view dib, int size, int bitCount) {
  Picture p;
  p.Size = size;
  p.BitCount = bitCount;
  const auto row_bytes = [](int width, int bits) {
    return static_cast<size_t>((width * bits + 31) / 32 * 4);
  };
  const size_t palette_bytes = 4u << bitCount;
  const size_t xor_bytes = row_bytes(size, bitCount) * static_cast<size_t>(size);
  const size_t and_bytes = row_bytes(size, 1) * static_cast<size_t>(size);
  EXPECT_EQ(dib.size(), 40 + palette_bytes + xor_bytes + and_bytes);
  if (dib.size() != 40 + palette_bytes + xor_bytes + and_bytes) return p;
  EXPECT_EQ(U32(dib, 0), 40u) << "biSize";
  EXPECT_EQ(U32(dib, 4), static_cast<uint32_t>(size)) << "biWidth";
  EXPECT_EQ(U32(dib, 8), static_cast<uint32_t>(2 * size)) << "biHeight counts pixels and mask";
  EXPECT_EQ(U16(dib, 12), 1u) << "biPlanes";
  EXPECT_EQ(U16(dib, 14), static_cast<uint32_t>(bitCount)) << "biBitCount";
  EXPECT_EQ(U32(dib, 16), 0u) << "biCompression: uncompressed";
  EXPECT_EQ(U32(dib, 20), xor_bytes + and_bytes) << "biSizeImage";
  EXPECT_EQ(U32(dib, 32), 0u) << "biClrUsed: the whole table";
  for (size_t i = 0; i < palette_bytes / 4; ++i) {
    const size_t at = 40 + 4 * i;
    p.Palette.push_back(static_cast<uint32_t>(static_cast<uint8_t>(dib[at + 2])) << 16 |
                        static_cast<uint32_t>(static_cast<uint8_t>(dib[at + 1])) << 8 |
                        static_cast<uint8_t>(dib[at]));
    EXPECT_EQ(dib[at + 3], '\0') << "reserved byte of colour " << i;
  }
  const size_t xor_at = 40 + palette_bytes, and_at = xor_at + xor_bytes;
  p.Index.assign(static_cast<size_t>(size), std::vector<int>(static_cast<size_t>(size)));
  p.Transparent.assign(static_cast<size_t>(size), std::vector<bool>(static_cast<size_t>(size)));
  for (int y = 0; y < size; ++y) {
    const int row = size - 1 - y;  // bottom-up
    for (int x = 0; x < size; ++x) {
      const auto ux = static_cast<size_t>(x);
      const uint8_t byte =
          static_cast<uint8_t>(dib[xor_at + row_bytes(size, bitCount) * static_cast<size_t>(row) +
                                   (bitCount == 8 ? ux : ux / 2)]);
      p.Index[static_cast<size_t>(y)][ux] =
          bitCount == 8 ? byte : (x % 2 == 0 ? byte >> 4 : byte & 0x0F);
      const uint8_t mask = static_cast<uint8_t>(
          dib[and_at + row_bytes(size, 1) * static_cast<size_t>(row) + ux / 8]);
      p.Transparent[static_cast<size_t>(y)][ux] = (mask & (0x80 >> (x % 8))) != 0;
    }
  }
  return p;
}

// The picture as text: ' ' transparent, '#' white (the letter), '.' anything else.
std::vector<std::string> Sketch(const Picture& p) {
  std::vector<std::string> lines;
  for (int y = 0; y < p.Size; ++y) {
    std::string line;
    for (int x = 0; x < p.Size; ++x)
      line += p.Clear(x, y) ? ' ' : p.Colour(x, y) == 0xFFFFFF ? '#' : '.';
    lines.push_back(line);
  }
  return lines;
}

struct IconModule {
  host::HMODULE Module;
  std::optional<std::string_view> Find(const char* type, const std::string& name) const {
    return host::FindResourceData(Module, type, name);
  }
  std::string_view Image(uint32_t id) const {
    const auto image = Find(host::RT_ICON, "#" + std::to_string(id));
    EXPECT_TRUE(image) << "RT_ICON #" << id;
    return image ? *image : std::string_view();
  }
};

class IconResources : public fleetforge_test::SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    session_ = MakeSession();
    session_->StartUp();
    icons_.Module = session_->GetIde().Package();
    ASSERT_NE(icons_.Module, 0u);
  }
  IconModule icons_{};
};

TEST_F(IconResources, IdeIconGroupHasFourImagesAsItsDirectorySays) {
  const auto dir = icons_.Find(host::RT_GROUP_ICON, "FLEETFORGED7ICON");
  ASSERT_TRUE(dir);
  const std::vector<DirEntry> entries = ReadDirectory(*dir);
  ASSERT_EQ(entries.size(), 4u);
  struct Expected {
    uint32_t Size, ColourCount, BitCount;
    int ImageBits;  // what the bitmap itself holds
  };
  // The two 256-colour images are recorded with 24 bits and no colour count.
  const Expected expected[] = {{32, 16, 4, 4}, {16, 16, 4, 4}, {32, 0, 24, 8}, {16, 0, 24, 8}};
  std::vector<uint32_t> ids;
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE("image " + std::to_string(i + 1));
    const DirEntry& e = entries[i];
    EXPECT_EQ(e.Width, expected[i].Size);
    EXPECT_EQ(e.Height, expected[i].Size);
    EXPECT_EQ(e.ColourCount, expected[i].ColourCount);
    EXPECT_EQ(e.Reserved, 0u);
    EXPECT_EQ(e.Planes, 1u);
    EXPECT_EQ(e.BitCount, expected[i].BitCount);
    const std::string_view image = icons_.Image(e.Id);
    EXPECT_EQ(image.size(), e.BytesInRes);
    ReadImage(image, static_cast<int>(expected[i].Size), expected[i].ImageBits);
    ids.push_back(e.Id);
  }
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "each image its own id";
}

TEST_F(IconResources, PackageMainIconIsOneSixteenColourImageOfItsOwn) {
  const auto dir = icons_.Find(host::RT_GROUP_ICON, "MAINICON");
  ASSERT_TRUE(dir);
  const std::vector<DirEntry> entries = ReadDirectory(*dir);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Width, 32u);
  EXPECT_EQ(entries[0].Height, 32u);
  EXPECT_EQ(entries[0].ColourCount, 16u);
  EXPECT_EQ(entries[0].Planes, 1u);
  EXPECT_EQ(entries[0].BitCount, 4u);
  const std::string_view image = icons_.Image(entries[0].Id);
  EXPECT_EQ(image.size(), entries[0].BytesInRes);
  EXPECT_EQ(image.size(), 744u);
  ReadImage(image, 32, 4);
  // Its image is not one of the IDE icon's.
  for (const DirEntry& e : ReadDirectory(*icons_.Find(host::RT_GROUP_ICON, "FLEETFORGED7ICON")))
    EXPECT_NE(e.Id, entries[0].Id);
}

TEST_F(IconResources, ImagesShowAWhiteLetterFOnASquareWithClearCorners) {
  const std::vector<DirEntry> e =
      ReadDirectory(*icons_.Find(host::RT_GROUP_ICON, "FLEETFORGED7ICON"));
  ASSERT_EQ(e.size(), 4u);
  const Picture small4 = ReadImage(icons_.Image(e[1].Id), 16, 4);
  const Picture small8 = ReadImage(icons_.Image(e[3].Id), 16, 8);
  const Picture large4 = ReadImage(icons_.Image(e[0].Id), 32, 4);
  const Picture large8 = ReadImage(icons_.Image(e[2].Id), 32, 8);
  const std::vector<std::string> small = {
      "  ............  ", " .............. ", "................", "....########....",
      "....########....", "....###.........", "....###.........", "....######......",
      "....######......", "....###.........", "....###.........", "....###.........",
      "....###.........", "................", " .............. ", "  ............  "};
  EXPECT_EQ(Sketch(small4), small);
  EXPECT_EQ(Sketch(small8), small) << "the 256-colour image draws the same";
  const std::vector<std::string> large = Sketch(large4);
  ASSERT_EQ(large.size(), 32u);
  EXPECT_EQ(large[0], "   ..........................   ");
  EXPECT_EQ(large[1], "  ............................  ");
  EXPECT_EQ(large[2], " .............................. ");
  EXPECT_EQ(large[8], ".........###############........");
  EXPECT_EQ(large[12], ".........#####..................");
  EXPECT_EQ(large[15], ".........############...........");
  EXPECT_EQ(large[25], ".........#####..................");
  EXPECT_EQ(large[26], "................................");
  EXPECT_EQ(large[31], "   ..........................   ");
  EXPECT_EQ(Sketch(large8), large);
  for (const Picture* p : {&small4, &small8, &large4, &large8}) {
    SCOPED_TRACE(std::to_string(p->Size) + "x" + std::to_string(p->Size) + " " +
                 std::to_string(p->BitCount) + " bits");
    for (int y = 0; y < p->Size; ++y)
      for (int x = 0; x < p->Size; ++x)
        if (p->Clear(x, y)) {
          EXPECT_EQ(p->Index[y][x], 0) << "under the mask stays black";
        }
  }
  // The 16-colour square is blue; the 256-colour one shades from light to dark.
  EXPECT_EQ(large4.Colour(20, 20), 0x0000FFu);
  const uint32_t top = large8.Colour(26, 4), bottom = large8.Colour(26, 27);
  EXPECT_NE(top, bottom);
  EXPECT_GT(top & 0xFF, bottom & 0xFF) << "lighter blue at the top";
  EXPECT_EQ(large8.Palette.size(), 256u);
  EXPECT_EQ(small4.Palette.size(), 16u);
}

// ---- The application icon -------------------------------------------------------

class IconSwitch : public fleetforge_test::SessionTest {
 protected:
  // Stores the options with ChangeIcon as given and starts the IDE, the package
  // loaded at start-up unless said otherwise.
  void Start(bool changeIcon, const SessionSetup& setup = {}) {
    session_.reset();
    StoreOptions({.CloseDefault = true,
                  .HideCaptions = true,
                  .CreateCompDate = true,
                  .ChangeIcon = changeIcon,
                  .ObjectInspectorHeight = 300});
    session_ = MakeSession(setup);
    session_->StartUp();
  }
  // Which icon the IDE's state names: "fleetforge" or "ide".
  nlohmann::json Icon() const { return session_->State()["icon"]; }
  // The application icon is the one of that name from that module.
  static void ExpectIconFrom(host::HMODULE module, const char* name,
                             fleetforge_test::CallSite where = fleetforge_test::CallSite()) {
    ::testing::ScopedTrace trace(where.File, where.Line, name);
    const host::IconInfo* info = host::IconDetails(IconHandle());
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Module, module);
    EXPECT_EQ(info->Name, name);
  }
  static host::HICON IconHandle() { return host::Application->Icon()->Handle(); }
  template <class T>
  static T* Variable(const ide::Ide& ide, const char* name) {
    return static_cast<T*>(const_cast<void*>(ide.PackageVariable(name)));
  }
  static void CallChangeIcon(const ide::Ide& ide) {
    auto change = reinterpret_cast<void (*)()>(const_cast<void*>(
        host::GetProcAddress(ide.Package(), "FleetforgeIconChanger.ChangeIcon()")));
    ASSERT_NE(change, nullptr);
    change();
  }
  // The ChangeIcon switch inside the package's options record.
  static bool& ChangeIconOption(const ide::Ide& ide) {
    return Variable<FleetforgeGlobal::TOptionsRecord>(ide, "FleetforgeGlobal.Options")->ChangeIcon;
  }
};

TEST_F(IconSwitch, OptionOnAtLoadShowsTheAddInsIcon) {
  Start(true);
  EXPECT_EQ(Icon(), "fleetforge");
  ExpectIconFrom(session_->GetIde().Package(), "FLEETFORGED7ICON");
  EXPECT_TRUE(session_->GetIde().Errors().empty());
}

TEST_F(IconSwitch, OptionOffAtLoadKeepsTheIdesOwnIcon) {
  Start(false);
  EXPECT_EQ(Icon(), "ide");
  ExpectIconFrom(host::MainInstance(), "MAINICON");
}

TEST_F(IconSwitch, ChangeIconFollowsTheOptionAtOnceBothWays) {
  Start(true);
  const ide::Ide& ide = session_->GetIde();
  ASSERT_EQ(Icon(), "fleetforge");
  const host::HICON own = IconHandle();
  ChangeIconOption(ide) = false;
  CallChangeIcon(ide);
  EXPECT_EQ(Icon(), "ide");
  ChangeIconOption(ide) = true;
  CallChangeIcon(ide);
  EXPECT_EQ(Icon(), "fleetforge");
  EXPECT_EQ(IconHandle(), own) << "the same icon, loaded again";
}

TEST_F(IconSwitch, UnloadGivesTheIdesIconBackWhateverTheOption) {
  for (const bool on : {true, false}) {
    SCOPED_TRACE(on ? "option on" : "option off");
    Start(on);
    EXPECT_EQ(Icon(), on ? "fleetforge" : "ide");
    host::Application->Icon()->SetHandle(0);  // so that the unload's own setting shows
    session_->Do("unload");
    EXPECT_EQ(Icon(), "ide");
    ExpectIconFrom(host::MainInstance(), "MAINICON");
    EXPECT_TRUE(session_->GetIde().Errors().empty());
  }
}

TEST_F(IconSwitch, DormantPackageNeverTouchesTheIcon) {
  Start(true, {.LoadAtStartUp = false});
  const ide::Ide& ide = session_->GetIde();
  const host::HICON before = IconHandle();
  ASSERT_NE(before, 0u);
  session_->QueueInput("key enter");  // the restart notice
  session_->Do("install");
  ASSERT_EQ(ide::AddInView(ide).CurrentMode(), ide::Mode::Dormant);
  EXPECT_EQ(IconHandle(), before);
  EXPECT_EQ(Icon(), "ide");
  // Not through the routine either, though the option is on.
  ASSERT_TRUE(ChangeIconOption(ide));
  CallChangeIcon(ide);
  EXPECT_EQ(IconHandle(), before);
  // Nor at unload: an icon set meanwhile by someone else stays.
  host::Application->Icon()->SetHandle(0);
  session_->Do("unload");
  EXPECT_EQ(IconHandle(), 0u);
  EXPECT_TRUE(ide.Errors().empty());
}

}  // namespace
