// The drawing of the desktop as a user sees it: the task bar and work area,
// every shown window in z-order with its frame, caption and contents, regions
// clipping what shows. It decides what is drawn where and draws through a
// Painter, so any back end shows the same picture.
#pragma once

#include "host/vcl/forms.h"
#include "ide/painter.h"

namespace ide {

// Draws the whole screen of the model window system, from (0, 0).
void DrawDesktop(Painter& p);

// Draws a form's window as the pictures show it, its client area's origin
// (in window coordinates) at (0, 0): what the system's windows show in their
// client areas, the system drawing their frames and captions.
void DrawFormClient(Painter& p, host::TForm& form, host::TPoint clientOrigin);

}  // namespace ide
