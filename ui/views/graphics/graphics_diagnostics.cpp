#include "ui/views/graphics/graphics_diagnostics.h"

#include "ui/views/graphics/thread_direct2d_state.h"

namespace win32_ui::modern::detail {

GraphicsDiagnostics thread_graphics_diagnostics() {
  const ThreadDirect2dState& state = thread_direct2d_state();
  GraphicsDiagnostics figures;
  figures.bitmap_entries = state.render_target.bitmaps.entries();
  figures.bitmap_bytes = state.render_target.bitmaps.bytes();
  figures.bitmap_hits = state.render_target.bitmaps.hits();
  figures.bitmap_misses = state.render_target.bitmaps.misses();
  figures.format_entries = state.formats.entries();
  figures.layout_entries = state.layouts.entries();
  figures.layout_text_units = state.layouts.text_units();
  figures.layout_hits = state.layouts.hits();
  figures.layout_misses = state.layouts.misses();
  figures.has_render_target = state.render_target.target != nullptr;
  figures.render_target_generation = state.render_target.generation;
  return figures;
}

}  // namespace win32_ui::modern::detail
