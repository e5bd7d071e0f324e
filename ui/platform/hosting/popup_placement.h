// Where a popup opens beside its anchor: below it with a small gap, above it
// when only that fits, start- or end-aligned, and always inside the work
// area. A pure function of screen rectangles, so every case is tested from
// a table. Any thread.
#pragma once

#include <windows.h>

#include <cstdint>

namespace win32_ui::modern {

struct PopupPlacement {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool opens_above = false;

  friend bool operator==(const PopupPlacement&, const PopupPlacement&) = default;
};

// `width` and `height` in DIP, `scale` pixels per DIP (1 when not finite or
// not positive); rectangles in screen pixels.
PopupPlacement place_popup(const RECT& anchor, const RECT& work_area, float width, float height,
                           float scale, bool align_right);

// The gap between anchor and popup: 4 DIP, at least 1 pixel.
int popup_gap(float scale);
// The diameter of the popup's rounded corners: 20 DIP, at least 2 pixels.
int popup_corner_diameter(float scale);

}  // namespace win32_ui::modern
