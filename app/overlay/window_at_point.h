// Finds the top-level window under a point of the region overlay, for the
// selection that snaps to windows. UI thread (it enumerates windows).
#pragma once

#include <windows.h>

#include <functional>
#include <span>

#include "engine/capture_camera.h"

namespace quorvel::windows {

// What the desktop window manager says of a window. The product asks DWM;
// tests stand in for it where the platform has no answer.
struct WindowFrameQueries {
  // True when DWM keeps the window out of sight although it is "visible"
  // (on another virtual desktop, a suspended app).
  std::function<bool(HWND)> is_cloaked;
  // The window's visible bounds without its invisible resize borders; false
  // when DWM cannot tell.
  std::function<bool(HWND, RECT&)> extended_frame_bounds;
};

// The queries through DwmGetWindowAttribute.
WindowFrameQueries dwm_window_frame_queries();

// The enumeration's context: the point in screen pixels, the program's own
// windows that never count, and the first window found under the point.
struct WindowSearch {
  POINT screen_point{};
  std::span<const HWND> skipped;
  const WindowFrameQueries* queries = nullptr;
  HWND found = nullptr;
};

// EnumWindows callback; `context` is a WindowSearch*. Top-level windows come
// from the top of the z-order, so the first visible, not minimised, not
// cloaked window whose bounds hold the point is the one under the pointer:
// it is stored and the enumeration stops.
BOOL CALLBACK window_at_point_callback(HWND window, LPARAM context);

// The rectangle, in overlay client coordinates, of the window under
// `client_point` on `monitor`, fitted to even sizes. False when no window
// qualifies and the selection should be the entire screen: nothing is under
// the point, the window is the desktop or a taskbar, reaches past the
// monitor or is smaller than 64 x 64.
bool window_at_point(POINT client_point, const CaptureBounds& monitor,
                     std::span<const HWND> skipped, RECT& result,
                     const WindowFrameQueries& queries = dwm_window_frame_queries());

}  // namespace quorvel::windows
