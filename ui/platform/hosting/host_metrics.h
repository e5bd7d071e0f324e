// What a window host reports about its window: the client size in DIP, the
// DPI, the pixels per DIP, the surface's theme and the revision of its
// localization. A plain value on the UI thread.
#pragma once

#include <cstdint>

#include "ui/platform/theme/theme.h"

namespace win32_ui::platform {

struct HostMetrics {
  float client_width = 0.0f;
  float client_height = 0.0f;
  std::uint32_t dpi = 96;
  // Zoom x dpi / 96.
  float scale = 1.0f;
  // The surface's current theme; null without a live window.
  const Theme* theme = nullptr;
  std::uint64_t localization_revision = 0;
};

}  // namespace win32_ui::platform
