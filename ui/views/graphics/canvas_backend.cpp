#include "ui/views/graphics/canvas_backend.h"

#include "ui/views/graphics/direct2d_canvas.h"
#include "ui/views/graphics/gdi_canvas.h"

namespace win32_ui::modern::detail {

std::unique_ptr<ui::graphics::Canvas> make_canvas(HDC target, const RECT& bounds,
                                                  std::span<const HFONT> fonts, bool use_gdi) {
  if (!target || bounds.right <= bounds.left || bounds.bottom <= bounds.top) return nullptr;
  if (use_gdi) {
    auto canvas = std::make_unique<GdiCanvas>(target, bounds, fonts);
    if (!canvas->valid()) return nullptr;
    return canvas;
  }
  auto canvas = std::make_unique<Direct2dCanvas>(target, bounds, fonts);
  if (!canvas->is_active()) return nullptr;
  return canvas;
}

BackendChoice choose_backend(int preference, void* context, PaintAttempt attempt) {
  BackendChoice choice;
  if (!attempt) return choice;
  const bool gdi_only = preference == 2;
  choice.attempts = 1;
  if (attempt(context, gdi_only)) {
    choice.painted = true;
    choice.used_gdi = gdi_only;
    return choice;
  }
  if (!gdi_only) {
    choice.attempts = 2;
    if (attempt(context, true)) {
      choice.painted = true;
      choice.used_gdi = true;
    }
  }
  return choice;
}

}  // namespace win32_ui::modern::detail
