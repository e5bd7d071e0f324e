// Finding a view of a built tree by its control id, for the in-place
// updates of open windows: widgets answer their control id, hosted native
// controls theirs. UI thread.
#pragma once

#include "ui/platform/scaffold/window.h"
#include "ui/views/view.h"

namespace win32_ui::modern {
class Win32ComboBox;
}

namespace quorvel::windows {

// The first view (a view before its children) with `control_id`; null when
// none.
win32_ui::modern::View* find_view(win32_ui::modern::View* root, int control_id);

// The window's combo box with `control_id`; null when the window is closed
// or the view with that id is something else.
win32_ui::modern::Win32ComboBox* find_combo_box(win32_ui::scaffold::Window& window,
                                                int control_id);

}  // namespace quorvel::windows
