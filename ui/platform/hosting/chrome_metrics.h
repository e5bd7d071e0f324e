// The geometry of a custom window frame and its hit test. ChromeMetrics is
// measured from the window for each WM_NCHITTEST; chrome_hit_test is a pure
// function of it and a client point, so the hit rules are tested from a
// table; chrome_hit_code turns its answer into the WM_NCHITTEST result.
// UI thread (the measure reads the window).
#pragma once

#include <windows.h>

#include <cstdint>

namespace win32_ui::modern {

// What a caption button does.
enum class CaptionAction : int {
  minimize = 0,
  maximize_or_restore = 1,
  close = 2,
};

// The caption row and its buttons in DIP.
inline constexpr float kChromeCaptionHeight = 44.0f;
inline constexpr float kChromeButtonWidth = 46.0f;
inline constexpr float kChromeIconWidth = 48.0f;

// All lengths in device pixels.
struct ChromeMetrics {
  int client_width = 0;
  int client_height = 0;
  // 0 without a title row.
  int caption_height = 0;
  // The resize band, at least 1.
  int border = 1;
  int button_width = 0;
  int icon_width = 0;
  bool zoomed = false;
  bool resizable = false;
  bool has_minimize = false;
  bool has_maximize = false;
};

enum class ChromeHit : int {
  outside = 0,
  content = 1,
  caption = 2,
  icon = 3,
  minimize_button = 4,
  maximize_button = 5,
  close_button = 6,
  left = 7,
  right = 8,
  top = 9,
  bottom = 10,
  top_left = 11,
  top_right = 12,
  bottom_left = 13,
  bottom_right = 14,
};

// The part of the frame under the client point (x, y).
ChromeHit chrome_hit_test(const ChromeMetrics& metrics, int x, int y);

// The WM_NCHITTEST answer for a part. The minimise and close buttons answer
// HTCLIENT: their views handle the click.
LRESULT chrome_hit_code(ChromeHit hit);

// The metrics of `window` in chrome `mode` (the title row exists only in
// mode 1) at its DPI and `zoom`.
ChromeMetrics measure_chrome(HWND window, int mode, float zoom);

}  // namespace win32_ui::modern
