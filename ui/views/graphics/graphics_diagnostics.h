// A read-only snapshot of the calling thread's painting resources: the
// Direct2D caches, the render target's generation and the GDI back buffers.
// For tests and the benchmark; nothing that draws looks at it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace win32_ui::modern::detail {

struct GdiBackBufferInfo {
  bool has_dc = false;
  bool in_use = false;
  bool keyed_by_window = false;
  int width = 0;
  int height = 0;
};

struct GraphicsDiagnostics {
  std::size_t bitmap_entries = 0;
  std::uint64_t bitmap_bytes = 0;
  std::uint64_t bitmap_hits = 0;
  std::uint64_t bitmap_misses = 0;
  std::size_t format_entries = 0;
  std::size_t layout_entries = 0;
  std::size_t layout_text_units = 0;
  std::uint64_t layout_hits = 0;
  std::uint64_t layout_misses = 0;
  bool has_render_target = false;
  std::uint64_t render_target_generation = 0;
  std::array<GdiBackBufferInfo, 8> gdi_back_buffers{};
};

// The calling thread's figures (made empty on the thread's first use).
GraphicsDiagnostics thread_graphics_diagnostics();

}  // namespace win32_ui::modern::detail
