// DirtyRegion collects the part of a view tree that needs repainting, in DIP:
// either one union rectangle or the whole surface. The view root owns it and
// clears it after painting; the surface reads it to invalidate its window.
// UI thread only.
#pragma once

#include <optional>

namespace win32_ui::ui::graphics {

class DirtyRegion {
 public:
  struct Area {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
  };

  // Joins the rectangle to the union. Ignored while everything is dirty and
  // for rectangles that are empty or not finite.
  void add(float x, float y, float width, float height);
  void add(const Area& area) { add(area.x, area.y, area.width, area.height); }
  void invalidate_all();
  bool is_all() const { return all_; }
  // None while everything is dirty or nothing is.
  std::optional<Area> bounds() const;
  void clear();

 private:
  float x_ = 0.0f;
  float y_ = 0.0f;
  float width_ = 0.0f;
  float height_ = 0.0f;
  bool has_rect_ = false;
  bool all_ = false;
};

}  // namespace win32_ui::ui::graphics
