// What the native-control painter tests share: a visible top-level window on
// the test display that hosts real common-controls children and records the
// WM_HSCROLL and unanswered NM_CUSTOMDRAW notifications they send, a Theme
// whose 19 colours all differ (so every pixel names the colour role it came
// from), and colour helpers for the DIB targets of the canvas tests.
#pragma once

#include <windows.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "tests/ui/views/graphics/paint_target.h"
#include "ui/platform/theme/theme.h"
#include "ui/platform/theme/themed_picture.h"

namespace win32_ui::test {

using ui::graphics::test::DibTarget;
using ui::graphics::test::Rgb;

struct ScrollNote {
  int code = 0;
  int position = 0;
  HWND source = nullptr;
};

class ControlTestWindow {
 public:
  // A visible overlapped window with a client area of width x height.
  ControlTestWindow(int width = 400, int height = 300);
  ~ControlTestWindow();
  ControlTestWindow(const ControlTestWindow&) = delete;
  ControlTestWindow& operator=(const ControlTestWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  // A visible child of the given class; fails the test when it cannot be made.
  HWND add_child(const wchar_t* class_name, const wchar_t* text, DWORD style, RECT bounds,
                 int id = 100, DWORD ex_style = 0);

  std::vector<ScrollNote> scrolls;
  // The controls whose NM_CUSTOMDRAW reached the window's own procedure,
  // that is, was not answered by a subclass above it.
  std::vector<HWND> custom_draw_sources;

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
};

// Every colour distinct, neither white nor black; the metrics and flags of
// the light theme.
Theme distinct_theme();
// The same with the colours shifted, for a second theme.
Theme other_distinct_theme();

Rgb rgb(COLORREF color);
COLORREF colorref(Rgb color);

// Closer (sum of channel distances) to `expected` than to `other`.
bool nearer(Rgb seen, COLORREF expected, COLORREF other);

// The alpha byte of a target pixel: Direct2D writes 255, GDI leaves 0.
std::uint8_t alpha_at(const DibTarget& target, int x, int y);

// Both renderers, for parameterised pixel tests.
inline constexpr PaintBackend kBothBackends[] = {PaintBackend::kDirect2d, PaintBackend::kGdi};
std::string backend_name(PaintBackend backend);
// The alpha a pixel painted by `backend` carries.
std::uint8_t expected_alpha(PaintBackend backend);

// A rectangle as {left, top, right, bottom}, comparable in expectations.
inline std::array<LONG, 4> edges(const RECT& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

// The DPI of the test display.
UINT display_dpi();
// Skips the running test unless the display has `dpi`: pixel positions and
// sizes of real windows are written for one DPI.
#define QUORVEL_REQUIRE_DPI(dpi)                                              \
  if (::win32_ui::test::display_dpi() != (dpi)) {                             \
    GTEST_SKIP() << "runs at " << (dpi) << " DPI only";                       \
  }

// Writes the target as a PNG into QUORVEL_CANVAS_PNG_DIR when that is set,
// for a look by eye.
void save_png_if_asked(const DibTarget& target, const std::string& name);

// Makes the pending messages of this thread's windows run.
void pump_messages();

}  // namespace win32_ui::test
