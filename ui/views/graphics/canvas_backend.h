// Making the canvas of one paint pass, and choosing the back end: Direct2D
// first and GDI when the Direct2D pass fails, or GDI only. Called by the
// surface's paint on the thread that paints.
#pragma once

#include <windows.h>

#include <memory>
#include <span>

#include "ui/views/graphics/canvas.h"

namespace win32_ui::modern::detail {

// A canvas drawing on `target` within `bounds` with the borrowed font table
// (style font k is entry k - 1): GDI when `use_gdi`, else Direct2D. Null for
// a null DC, empty bounds, or a canvas that could not start.
std::unique_ptr<ui::graphics::Canvas> make_canvas(HDC target, const RECT& bounds,
                                                  std::span<const HFONT> fonts, bool use_gdi);

struct BackendChoice {
  bool painted = false;
  bool used_gdi = true;
  int attempts = 0;
};

// One complete paint pass with the chosen back end; true when it painted.
using PaintAttempt = bool (*)(void* context, bool use_gdi);

// Preference 2 paints with GDI only; any other value tries Direct2D first
// and repaints with GDI when that pass fails. Without an attempt nothing is
// painted. The caller fills the area itself when painted is false.
BackendChoice choose_backend(int preference, void* context, PaintAttempt attempt);

}  // namespace win32_ui::modern::detail
