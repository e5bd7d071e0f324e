// The small icon of a window as a toolkit Image, for a custom title row:
// WM_GETICON ICON_SMALL2, else the class's small icon, converted by the
// Imaging Component into premultiplied BGRA. The calling thread must have
// COM initialised (without it there is simply no image). UI thread.
#pragma once

#include <windows.h>

#include "ui/views/image.h"

namespace win32_ui::modern {

// Icons larger than this in either direction are not shown.
inline constexpr UINT kMaxTitleIconSide = 256;

// E_INVALIDARG for a null icon or one of zero or too large a size; other
// failures as the Imaging Component reports them. `out` is cleared first.
HRESULT image_from_icon(HICON icon, ui::graphics::Image& out);

// The window's small icon, or an empty image when it has none or it cannot
// be converted.
ui::graphics::Image window_small_icon(HWND window);

}  // namespace win32_ui::modern
