// How the native theme registry themes one child control of a themed window,
// by its window class: edits, combo boxes, text statics and trackbars get
// their painting subclasses with the registry's styles, push buttons a
// rounded window region; other classes are left as they are. Also the class
// tests the registry's message handling shares. UI thread only.
#pragma once

#include <windows.h>

#include <vector>

#include "ui/platform/theme/theme.h"
#include "ui/platform/theme/themed_combo_box.h"
#include "ui/platform/theme/themed_edit_control.h"
#include "ui/platform/theme/themed_trackbar.h"

namespace win32_ui {

// The corner radius (DIP) of push buttons and of edit and combo fields.
inline constexpr int kChildCornerRadius = 6;

// Edits: 8 DIP text insets, 6 DIP corners, the line centred.
EditInsets child_edit_insets();
// Combo boxes: text inset 8, arrow gap 8, arrow box 28, corners 6, list
// left alone.
ComboBoxStyle child_combo_style();
// Trackbars: track 4, thumb 14.
TrackbarStyle child_trackbar_style();

// The class name (read into a 64-character buffer) equals `name`, ignoring
// case.
bool has_window_class(HWND window, const wchar_t* name);
// A "Button" whose style type is BS_PUSHBUTTON, BS_DEFPUSHBUTTON or
// BS_OWNERDRAW.
bool is_push_button(HWND window);
// A "Button" whose style type is one of the check-box kinds.
bool is_check_box(HWND window);

// Themes `child` by its class.
void theme_child_control(HWND child, const Theme& theme);

// Gives a push button its rounded region at its own DPI.
bool round_push_button(HWND button);

// Every descendant of the window, in EnumChildWindows order.
std::vector<HWND> descendant_windows(HWND window);

}  // namespace win32_ui
