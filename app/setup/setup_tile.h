// Two small pieces the setup builders repeat: the output card's tile (an
// on/off box with a subtitle and a configure link) and the sound panel's
// labelled check box.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/setup/preview_handlers.h"
#include "ui/views/grid_panel.h"
#include "ui/views/view.h"

namespace quorvel::windows {

// The tile in its card container; `locale` names the link's language.
std::unique_ptr<win32_ui::modern::View> make_setup_tile(
    int check_box_id, int link_id, bool checked, std::wstring title, std::wstring subtitle,
    std::function<void(bool)> on_switch, std::function<void()> on_configure,
    std::wstring_view locale);

// A check box labelled with the text of `label_key`, the text of `help_key`
// as tooltip and accessible help, placed at (column, 0).
void add_labelled_check_box(win32_ui::modern::GridPanel& grid, int column, int control_id,
                            std::wstring_view label_key, std::wstring_view help_key,
                            bool checked, bool enabled, std::function<void(bool)> on_change,
                            const PreviewHandlers& handlers);

}  // namespace quorvel::windows
