// Theme colours for a top-level window's frame and rounded window shapes.
// apply_dwm_frame_theme asks the DWM for the dark or light caption, the
// caption, caption-text and border colours of a Theme and round corners;
// set_round_window_region clips a window to a rounded rectangle. Called on
// the UI thread by the native theme registry, the window host and the
// window chrome.
#pragma once

#include <windows.h>

#include "ui/platform/theme/dwm_attributes.h"
#include "ui/platform/theme/theme.h"

namespace win32_ui {

// False for a null window or when the DWM accepted none of the attributes
// (older systems still get those they know); with `refresh` the frame is
// recalculated and redrawn afterwards.
bool apply_dwm_frame_theme(HWND window, const Theme& theme, bool refresh);
bool apply_dwm_frame_theme(HWND window, const Theme& theme, bool refresh,
                           DwmAttributes& dwm);

// Gives the window a region of its client size with corners of `radius`
// DIP at `dpi`; false for a null window or when the region is not taken.
bool set_round_window_region(HWND window, UINT dpi, int radius, bool redraw);

}  // namespace win32_ui
