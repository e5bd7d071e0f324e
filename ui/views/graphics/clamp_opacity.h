// The opacity rule both canvases share: values clamped to [0, 1], a NaN
// taken as 0 (nothing drawn) rather than passed on to the device.
#pragma once

namespace win32_ui::modern::detail {

constexpr float clamp_opacity(float value) {
  return !(value > 0.0f) ? 0.0f : (value > 1.0f ? 1.0f : value);
}

}  // namespace win32_ui::modern::detail
