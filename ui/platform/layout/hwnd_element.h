// The layout leaf for one native child window, the placement list a tree
// yields for its native windows, and the pixel conversion of layout
// rectangles. Classic windows lay their controls out through these and move
// every window in one batch. UI thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "ui/platform/layout/layout_node.h"

namespace win32_ui {
class Control;
}

namespace win32_ui::layout {

class HwndElement : public LayoutNode {
 public:
  using MeasureFunction =
      std::function<Size(HWND window, const SizeConstraint& constraint, const LayoutContext& context)>;

  // Does not own the window. Without a measure function the window is
  // measured by its class (measure_by_class).
  explicit HwndElement(HWND window, MeasureFunction measure = {});

  // The leaf for a classic control's window, measured by its class; a
  // `window_height` is set as the element's window height (a combo box's
  // window includes its list).
  static std::unique_ptr<HwndElement> for_control(const Control& control,
                                                  std::optional<float> window_height = {});

  HWND hwnd() const { return window_; }
  // The height the window is given when placed, replacing the arranged
  // height (a combo box's window includes its drop-down list). Taken
  // non-negative; nothing means the arranged height.
  void set_window_height(std::optional<float> height);
  const std::optional<float>& window_height() const { return window_height_; }

  // Size of a native control from its class name, text and the theme's
  // padding and control height; a null or destroyed window measures (0, 0).
  static Size measure_by_class(HWND window, const SizeConstraint& constraint,
                               const LayoutContext& context);

 protected:
  Size measure_override(const SizeConstraint& content, const LayoutContext& context) override;
  void arrange_override(const LayoutRect& content, const LayoutContext& context) override;

 private:
  HWND window_;
  MeasureFunction measure_;
  std::optional<float> window_height_;
};

// The size in DIP of the window's text drawn in its font: word-wrapped
// within the constraint's finite maximum width, else on one line; at least
// the font's height tall. No device context gives (0, 0).
Size measure_window_text(HWND window, const SizeConstraint& constraint);

// Where one native window goes.
struct LayoutPlacement {
  HWND hwnd = nullptr;
  // The element's surface_bounds, its height replaced by the window height
  // when one is set.
  LayoutRect rect;
  Visibility visibility = kVisible;
};

// Appends the placement of `node` if it is an HwndElement, or of every
// native window below it, in tree order, if it is a Panel.
void collect_native_placements(const LayoutNode& node, std::vector<LayoutPlacement>& placements);

// Scales by max(dpi, 1) / 96 and rounds each edge half away from zero, so
// adjacent rectangles stay adjacent. Non-finite edges give 0; edges outside
// the 32-bit range are held at its ends.
RECT dip_rect_to_pixels(const LayoutRect& rect, std::uint32_t dpi);

}  // namespace win32_ui::layout
