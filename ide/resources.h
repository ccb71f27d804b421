// The IDE executable's own resources: its icon group "MAINICON" and that
// group's image. The POSIX build registers them as the executable's; the
// Windows build compiles them into the executable's resource section.
#pragma once

#include <vector>

#include "host/rtl/modules.h"

namespace ide {

const std::vector<host::TResourceEntry>& IdeResources();

}  // namespace ide
