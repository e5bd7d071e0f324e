#include "ui/views/menus/menu_entry.h"

namespace win32_ui::modern {
namespace {

float at_least(float value, float bound) { return value >= bound ? value : bound; }

}  // namespace

MenuLayout MenuLayout::clamped() const {
  return {at_least(width, 1.0f), at_least(item_height, 1.0f), at_least(separator_height, 0.0f),
          at_least(padding, 0.0f)};
}

}  // namespace win32_ui::modern
