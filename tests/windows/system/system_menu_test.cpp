// The main menu on the system's windows, read back through the system's own
// menu calls in the IDE's process (Wine keeps a menu's entries in the process
// that made it, so no other program can read them): the menu bar holds the
// IDE's menus with their Alt letters, and the add-in's entry stands first in
// Tools while the package is loaded and is gone after it is unloaded.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/rtl/modules.h"
#include "host/win32/system_windows.h"
#include "ide/ide.h"
#include "ide/session.h"
// After the host's headers (see host/rtl/winapi.h).
#include "host/rtl/winapi.h"

namespace {

std::vector<std::string> Captions(HMENU menu) {
  std::vector<std::string> captions;
  for (int i = 0; menu != nullptr && i < ::GetMenuItemCount(menu); ++i) {
    char text[256];
    const int length = ::GetMenuStringA(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
    captions.emplace_back(text, static_cast<size_t>(length > 0 ? length : 0));
  }
  return captions;
}

TEST(SystemMenu, ToolsGetsTheAddInsEntryFirstAndLosesItAtUnload) {
  host::WindowSystem::Use(host::MakeSystemWindowSystem());
  {
    ide::SessionOptions options;
    options.Ide.PackageFile =
        (std::filesystem::path(host::ExecutableFileName()).parent_path() / FLEETFORGE_PACKAGE_NAME)
            .string();
    options.Ide.ProjectsFolder =
        (std::filesystem::temp_directory_path() / "fleetforge-system-menu").string();
    ide::Session session(std::move(options));
    session.StartUp();
    const auto bar = [&] {
      return ::GetMenu(reinterpret_cast<HWND>(
          static_cast<intptr_t>(static_cast<int32_t>(session.GetIde().MainForm()->Handle()))));
    };
    ASSERT_NE(nullptr, bar());
    EXPECT_EQ((std::vector<std::string>{"&File", "&Edit", "&Search", "&View", "&Project", "&Run",
                                        "&Component", "&Database", "&Tools", "&Window", "&Help"}),
              Captions(bar()));
    const std::vector<std::string> tools = Captions(::GetSubMenu(bar(), 8));
    ASSERT_FALSE(tools.empty());
    EXPECT_EQ("&Fleetforge Options...", tools.front());

    session.Do("unload");
    const std::vector<std::string> after = Captions(::GetSubMenu(bar(), 8));
    ASSERT_FALSE(after.empty());
    EXPECT_EQ("&Environment Options...", after.front());
    EXPECT_EQ(tools.size() - 1, after.size());
  }
  host::WindowSystem::Use(nullptr);
}

}  // namespace
