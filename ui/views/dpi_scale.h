// DpiScale converts between device-independent pixels (1/96 inch at zoom 1)
// and device pixels for one window's DPI and the user's zoom. A plain value,
// built where needed on the UI thread; its members are always within range,
// whatever the caller passed.
#pragma once

#include <optional>

namespace win32_ui::ui::graphics {

// Not finite -> 1, otherwise clamped to [0.5, 2].
float clamp_zoom(float zoom);

class DpiScale {
 public:
  static constexpr float kDefaultDpi = 96.0f;

  DpiScale() = default;
  // A dpi that is not finite or not positive becomes 96; the zoom goes
  // through clamp_zoom. The optional value is kept only when it is finite
  // and positive; its meaning belongs to the caller that sets it.
  DpiScale(float dpi, float zoom, std::optional<float> extra = std::nullopt);

  float dpi() const { return dpi_; }
  float zoom() const { return zoom_; }
  std::optional<float> extra() const { return extra_; }

  float zoomed(float x) const;
  float to_px(float dip) const;
  float to_dip(float px) const;
  // Font sizes in typographic points to pixels.
  float points_to_px(float points) const;

 private:
  float dpi_ = kDefaultDpi;
  float zoom_ = 1.0f;
  std::optional<float> extra_;
};

}  // namespace win32_ui::ui::graphics
