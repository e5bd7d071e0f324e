// Static text in Theme colours: theme_static_text subclasses a text static
// ("WIST") and paints it double-buffered on the window background with the
// theme's text colour, keeping the alignment, wrapping, prefix and ellipsis
// rules of its SS_* style. Statics that show no text (icons, bitmaps,
// frames) are left alone. UI thread of the window only.
#pragma once

#include <windows.h>

#include <string_view>

#include "ui/platform/theme/theme.h"
#include "ui/platform/theme/themed_picture.h"

namespace win32_ui {

// The DrawTextW flags that show a static's text as its style asks.
UINT static_text_format(LONG_PTR style);

ThemedPicture static_text_picture(const RECT& client, std::wstring_view text, HFONT font,
                                  LONG_PTR style, bool enabled, const Theme& theme);

// False for a null window, a static that is not a text static (left
// untouched) or when the subclass cannot be installed. `backend` kGdi
// paints with GDI alone.
bool theme_static_text(HWND label, const Theme& theme,
                       PaintBackend backend = PaintBackend::kDirect2d);

// The subclass procedure, for finding the subclass with GetWindowSubclass.
LRESULT CALLBACK static_text_subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                                LPARAM lparam, UINT_PTR id, DWORD_PTR reference);

}  // namespace win32_ui
