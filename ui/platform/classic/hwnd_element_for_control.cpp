// The classic layer's way into the layout engine: a control's layout leaf.
#include "ui/platform/classic/control.h"
#include "ui/platform/layout/hwnd_element.h"

namespace win32_ui::layout {

std::unique_ptr<HwndElement> HwndElement::for_control(const Control& control,
                                                      std::optional<float> window_height) {
  auto element = std::make_unique<HwndElement>(control.hwnd());
  element->set_window_height(window_height);
  return element;
}

}  // namespace win32_ui::layout
