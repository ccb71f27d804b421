// A picture of the desktop as a user sees it: the task bar and work area, every
// shown window in z-order with its frame, caption and contents, regions clipping
// what shows. One drawing code (cairo) for SVG and PNG.
#pragma once

#include <string>

namespace ide {

// Draws the current desktop into FILE; the format follows its ending (.svg or
// .png). Raises std::runtime_error naming the file when it cannot be written.
void DrawDesktopFile(const std::string& file);

}  // namespace ide
