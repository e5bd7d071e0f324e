#include "ui/views/graphics/graphics_diagnostics.h"

#include "ui/views/graphics/gdi_back_buffer_cache.h"
#include "ui/views/graphics/thread_direct2d_state.h"

namespace win32_ui::modern::detail {

static_assert(GdiBackBufferCache::kEntries == std::tuple_size_v<decltype(
                                                  GraphicsDiagnostics::gdi_back_buffers)>);

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
  const auto& buffers = thread_gdi_back_buffers().entries();
  for (std::size_t i = 0; i < buffers.size(); ++i) {
    figures.gdi_back_buffers[i] = {buffers[i].dc.valid(), buffers[i].in_use,
                                   buffers[i].keyed_by_window, buffers[i].width,
                                   buffers[i].height};
  }
  return figures;
}

}  // namespace win32_ui::modern::detail
