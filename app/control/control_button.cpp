#include "app/control/control_button.h"

#include <cstddef>
#include <utility>

#include "app/control/control_button_icons.h"

namespace quorvel::windows {

std::unique_ptr<win32_ui::modern::Button> make_control_button(int id, int icon_index,
                                                              std::function<void()> callback) {
  auto button = std::make_unique<win32_ui::modern::Button>(id, std::wstring(), 0);
  button->set_flat(true);
  button->set_tall(win32_ui::modern::Button::kLayoutTile);
  if (icon_index >= 0 && static_cast<std::size_t>(icon_index) < kControlIconCount) {
    const ControlIconPair& icons = control_button_icons()[static_cast<std::size_t>(icon_index)];
    button->set_icon_images(icons.first, icons.second);
  }
  button->set_icon_size(kControlIconSize);
  button->on_invoked(std::move(callback));
  return button;
}

std::wstring join_tooltip(std::wstring_view label, std::wstring_view hotkey_text) {
  std::wstring tooltip(label);
  if (hotkey_text.empty()) return tooltip;
  tooltip += L"  \u00B7  ";
  tooltip += hotkey_text;
  return tooltip;
}

}  // namespace quorvel::windows
