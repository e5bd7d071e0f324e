// Trackbars in Theme colours: theme_trackbar subclasses a msctls_trackbar32
// ("WITB") and paints it double-buffered as a rounded track, the filled part
// up to the thumb and a round thumb. A press outside the thumb jumps there
// and follows the mouse until release, notifying the parent as the control
// itself would (WM_HSCROLL TB_THUMBTRACK, TB_THUMBPOSITION, TB_ENDTRACK); a
// press on the thumb leaves the drag to the control. The subclass state
// lives until WM_NCDESTROY. UI thread of the window only.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/platform/theme/theme.h"
#include "ui/platform/theme/themed_picture.h"

namespace win32_ui {

// All DIP.
struct TrackbarStyle {
  std::int32_t track_thickness = 4;
  // Kept with the style; painting does not read it.
  std::int32_t reserved = 2;
  std::int32_t thumb_size = 14;
};

// The thumb circle's bounding square: centred on the thumb rectangle's
// horizontal centre and the client's vertical centre.
RECT trackbar_thumb_square(const RECT& client, const RECT& thumb, const TrackbarStyle& style,
                           UINT dpi);

ThemedPicture trackbar_picture(const RECT& client, const RECT& channel, const RECT& thumb,
                               bool enabled, const Theme& theme, const TrackbarStyle& style,
                               UINT dpi);

// False for a null window or when the subclass cannot be installed.
// `backend` kGdi paints with GDI alone.
bool theme_trackbar(HWND trackbar, const Theme& theme, const TrackbarStyle& style,
                    PaintBackend backend = PaintBackend::kDirect2d);

// The subclass procedure, for finding the subclass with GetWindowSubclass.
LRESULT CALLBACK trackbar_subclass_procedure(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam, UINT_PTR id, DWORD_PTR reference);

}  // namespace win32_ui
