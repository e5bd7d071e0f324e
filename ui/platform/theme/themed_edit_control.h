// Edit fields in Theme colours: theme_edit_control subclasses an EDIT
// ("WIED"), removes its system border and visual style, reserves a thin
// non-client ring on which it paints a rounded border (accent while the
// field has the focus, the border colour while disabled), keeps the text
// clear of the corners with margins and can centre a single line
// vertically. Ring, margins and corner follow the window's DPI at every use.
// The state lives until WM_NCDESTROY; theming again replaces it in place.
// UI thread of the window only.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/platform/theme/theme.h"
#include "ui/platform/theme/themed_picture.h"

namespace win32_ui {

// Pixels at 96 DPI.
struct EditInsets {
  std::int32_t left_margin = 8;
  std::int32_t right_margin = 8;
  std::int32_t corner_radius = 6;
  bool center_vertically = false;
};

// The non-client ring: max(1, scaled(2)).
int edit_frame_ring_width(UINT dpi);
// The strips along the inside of the client area: max(1, scaled(1)).
int edit_frame_strip_width(UINT dpi);

// The frame of a window of `size` (window coordinates; painted outside the
// client area less its strips), with the border in `border`.
ThemedPicture edit_frame_picture(SIZE size, const Theme& theme,
                                 const EditInsets& insets, UINT dpi, COLORREF border);

// False for a null window or when the subclass cannot be installed (the
// window is then left as it was). `backend` kGdi paints with GDI alone.
bool theme_edit_control(HWND edit, const Theme& theme, const EditInsets& insets,
                        PaintBackend backend = PaintBackend::kDirect2d);

// The subclass procedure, for finding the subclass with GetWindowSubclass.
LRESULT CALLBACK edit_frame_subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                               LPARAM lparam, UINT_PTR id, DWORD_PTR reference);

}  // namespace win32_ui
