// The main window's title bar content: logo, product name and the five icon
// buttons (screenshot, settings, theme, help, close).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/setup/preview_handlers.h"
#include "ui/views/grid_panel.h"
#include "ui/views/view.h"

namespace quorvel::windows {

std::unique_ptr<win32_ui::modern::View> build_header(const PreviewHandlers& handlers);

// A flat, tall icon button with the product picture pair of `icon_index`,
// `text` as tooltip and accessible name, invoking `callback`; placed at
// (column, 0).
void add_header_icon_button(win32_ui::modern::GridPanel& grid, int control_id, int icon_index,
                            std::wstring text, std::function<void()> callback, int column);

}  // namespace quorvel::windows
