// Where a point of the main window's header band belongs: the band between
// 8 and 62 DIP from the top drags the window like a caption, except over the
// header's buttons, which stay ordinary client area so they can be pressed.
// A pure function of the point, the window's DPI and zoom and the buttons'
// rectangles, so any DPI can be checked. Any thread.
#pragma once

#include <windows.h>

#include <span>

#include "ui/platform/layout/layout_types.h"

namespace quorvel::windows {

// `client` in window pixels; `buttons` in DIP of the window's content.
// HTCAPTION or HTCLIENT.
LRESULT header_hit_test(POINT client, UINT dpi, float zoom,
                        std::span<const win32_ui::layout::LayoutRect> buttons);

}  // namespace quorvel::windows
