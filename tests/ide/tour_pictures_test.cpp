// The guided tour's pictures show what its captions say: a step that tells of a
// change on screen draws a picture that differs from the one before it, a step
// that restores an earlier screen draws that screen again, and the task bar
// button shows the icon the application holds, pixel for pixel as icotool
// extracts it from the icon group.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "host/rtl/modules.h"
#include "ide/resources.h"
#include "tests/support/files.h"
#include "tests/support/icons.h"
#include "tests/support/png.h"
#include "tests/support/processes.h"

namespace {

using fleetforge_test::Image;
using fleetforge_test::PlacesOf;

class TourPictures : public ::testing::Test {
 protected:
  // One run of the tour for all the tests, as scripts/tour.sh makes it.
  static void SetUpTestSuite() {
    folder_ = fleetforge_test::ScratchFolder("tour");
    const auto run =
        fleetforge_test::Shell(std::string(FLEETFORGE_SOURCE_DIR) +
                                   "/scripts/tour.sh '" FLEETFORGE_CLI "' '" + folder_ + "/out'",
                               folder_ + "/run");
    ASSERT_EQ(run.exit, 0) << run.err;
  }
  static Image Picture(const std::string& name) {
    return fleetforge_test::ReadPng(folder_ + "/out/" + name + ".png");
  }
  static std::string File(const std::string& name) { return folder_ + "/" + name; }

  static inline std::string folder_;  // removed when the program ends
};

bool SamePictures(const Image& a, const Image& b) {
  return a.Width == b.Width && a.Height == b.Height && a.Pixels == b.Pixels;
}

TEST_F(TourPictures, EachStepShowsItsChange) {
  enum Expect { Differs, Same };
  struct Step {
    const char* Picture;
    const char* Earlier;
    Expect Expected;
    const char* Why;
  };
  const Step steps[] = {
      {"02-laid-out", "01-start", Differs, "the first tick lays out the tool windows"},
      {"03-inspector-dragged", "02-laid-out", Differs, "the Object Inspector was dragged"},
      {"04-inspector-back", "03-inspector-dragged", Differs, "the tick snapped it back"},
      {"05-project-manager-closed", "04-inspector-back", Differs, "the Project Manager closed"},
      {"06-project-manager-back", "05-project-manager-closed", Differs, "the tick showed it"},
      {"06-project-manager-back", "04-inspector-back", Same,
       "the Project Manager is back where it was, nothing else moved"},
      {"07-palette-hidden", "06-project-manager-back", Differs, "the palette was hidden"},
      {"08-palette-shown", "07-palette-hidden", Differs, "the palette was shown again"},
      {"09-options-dialog", "08-palette-shown", Differs, "the options dialog opened"},
      {"10-captions-back", "09-options-dialog", Differs, "the borders and captions are back"},
      {"11-captions-hidden", "10-captions-back", Differs, "the captions went again"},
      {"12-icon-switched", "11-captions-hidden", Differs, "the application's icon changed"},
      {"13-unloaded", "12-icon-switched", Differs, "the package was unloaded"},
      {"14-restart-notice", "13-unloaded", Differs, "the restart notice opened"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(std::string(step.Picture) + " against " + step.Earlier + ": " + step.Why);
    EXPECT_EQ(SamePictures(Picture(step.Picture), Picture(step.Earlier)), step.Expected == Same);
  }
}

// The 16 x 16 image of the icon, the one with the most colours, as icotool
// extracts it from the group in module.
Image SmallIcon(host::HMODULE module, const std::string& group, int depth,
                const std::string& file) {
  std::ofstream(file, std::ios::binary) << fleetforge_test::IconFileOfGroup(module, group);
  return fleetforge_test::IcotoolImage(file, 16, depth);
}

TEST_F(TourPictures, TheTaskBarButtonShowsTheApplicationsIcon) {
  const Image ide_icon = SmallIcon(host::RegisterMainModule("delphi32.exe", ide::IdeResources()),
                                   "MAINICON", 4, File("ide.ico"));
  const host::HMODULE package = host::LoadLibrary(FLEETFORGE_DEFAULT_PACKAGE);
  const Image addin_icon = SmallIcon(package, "FLEETFORGED7ICON", 8, File("addin.ico"));
  host::FreeLibrary(package);
  ASSERT_FALSE(ide_icon.Pixels.empty());
  ASSERT_FALSE(addin_icon.Pixels.empty());
  const auto on_task_bar = [](const std::vector<fleetforge_test::Place>& places) {
    int n = 0;
    for (const auto& place : places) n += place.Y >= 738;
    return n;
  };
  struct Shown {
    const char* Picture;
    int IdeIcons, AddInIcons;  // on the task bar
  };
  for (const Shown& shown : {Shown{"11-captions-hidden", 1, 0}, Shown{"12-icon-switched", 0, 1},
                             Shown{"13-unloaded", 1, 0}}) {
    SCOPED_TRACE(shown.Picture);
    const Image picture = Picture(shown.Picture);
    EXPECT_EQ(on_task_bar(PlacesOf(ide_icon, picture)), shown.IdeIcons);
    EXPECT_EQ(on_task_bar(PlacesOf(addin_icon, picture)), shown.AddInIcons);
  }
  // With its caption back, the main window shows the IDE's icon there too.
  EXPECT_EQ(PlacesOf(ide_icon, Picture("10-captions-back")).size(), 3u)
      << "the task bar, the main window's and the editor's captions";
}

}  // namespace
