// A picture of the desktop as a user sees it: the task bar and work area, every
// shown window in z-order with its frame, caption and contents, regions clipping
// what shows. One drawing code (ide/desktop_drawing.h) for every format.
#pragma once

#include <string>

namespace ide {

// Draws the current desktop into FILE; the format follows its ending (.svg or
// .png; the Windows build writes PNG only, through GDI and WIC). Raises
// std::runtime_error naming the file when it cannot be written.
void DrawDesktopFile(const std::string& file);

// The Windows build on the system's windows: the windows' client areas are
// drawn by the pictures' drawing code through GDI. (Windows build only.)
void PaintSystemWindows();

// The width in pixels that text takes in the pictures, in the dialog font
// (bold or not), hot-key markers removed: what a caption needs of its control.
double PictureTextWidth(const std::string& text, bool bold);

}  // namespace ide
