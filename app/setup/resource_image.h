// The product's pictures stored as PNG resources (RCDATA) of the program's
// module: the logo and the header icons. UI thread.
#pragma once

#include <utility>

#include "ui/views/image.h"

namespace quorvel::windows {

inline constexpr unsigned kLogoResource = 2;

// The picture of RCDATA `id` (its low 16 bits) decoded; empty when the
// resource is missing, empty or not a picture.
win32_ui::ui::graphics::Image load_resource_image(unsigned id);

// The light and dark pictures of a header icon button, loaded once per
// process: 6 screenshot, 7 theme, 3 settings, 9 account, anything else help.
const std::pair<win32_ui::ui::graphics::Image, win32_ui::ui::graphics::Image>&
product_icon_images(int icon_index);

}  // namespace quorvel::windows
