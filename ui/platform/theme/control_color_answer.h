// The answer a themed window gives its native children's colour messages
// (WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN, WM_CTLCOLORSTATIC):
// text and background colours from the Theme, edit-like fields on the
// control background, everything else on the window background, disabled
// children in the disabled text colour. UI thread only.
#pragma once

#include <windows.h>

#include "ui/platform/theme/theme.h"

namespace win32_ui {

struct ControlColorAnswer {
  COLORREF text = 0;
  COLORREF background = 0;
};

// Edit-like: the message is WM_CTLCOLOREDIT or WM_CTLCOLORLISTBOX, or the
// child is an "Edit" or a "ComboLBox" (a read-only or disabled edit asks
// with WM_CTLCOLORSTATIC).
ControlColorAnswer control_color_answer(UINT message, HWND child, const Theme& theme);

// Sets a transparent background mode and the answer's text, background and
// DC brush colours on `dc` and returns the stock DC_BRUSH.
HBRUSH apply_control_color_answer(HDC dc, const ControlColorAnswer& answer);

// True for the four colour messages.
bool is_control_color_message(UINT message);

}  // namespace win32_ui
