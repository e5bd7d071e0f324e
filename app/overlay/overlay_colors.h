// The overlay's GDI colours: the colour key that makes its inside
// transparent, the frame and banner colours and the magnifier's shades.
#pragma once

#include <windows.h>

namespace quorvel::windows {

// Pixels of this colour are transparent while the overlay is a capture frame.
inline constexpr COLORREF kOverlayColorKey = RGB(1, 2, 3);
// Frame and banner of an acceptable selection, and the interactive frame.
inline constexpr COLORREF kOverlayAccent = RGB(0, 120, 215);
// Frame and banner of a selection below 64 x 64, and failure texts.
inline constexpr COLORREF kOverlayWarning = RGB(210, 45, 45);
// The click-through frame during a session, and the magnifier's crosshair.
inline constexpr COLORREF kOverlayCyan = RGB(0, 190, 255);
inline constexpr COLORREF kBannerText = RGB(255, 255, 255);
inline constexpr COLORREF kLoupePanelFill = RGB(30, 30, 30);
inline constexpr COLORREF kLoupePanelOutline = RGB(96, 96, 96);
inline constexpr COLORREF kLoupeGridBackground = RGB(12, 12, 12);
inline constexpr COLORREF kLoupeGridOutline = RGB(88, 88, 88);
inline constexpr COLORREF kLoupeLabel = RGB(205, 205, 205);
inline constexpr COLORREF kLoupeValue = RGB(245, 245, 245);

// The frame colour of a selection while selecting: too small ones are red.
constexpr COLORREF selection_frame_color(const RECT& selection) {
  return selection.right - selection.left >= 64 && selection.bottom - selection.top >= 64
             ? kOverlayAccent
             : kOverlayWarning;
}

// The colour of the capture frame: blue while it can be moved and resized,
// cyan while a session makes it click-through.
constexpr COLORREF capture_frame_color(bool interactive) {
  return interactive ? kOverlayAccent : kOverlayCyan;
}

}  // namespace quorvel::windows
