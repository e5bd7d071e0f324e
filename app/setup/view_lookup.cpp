#include "app/setup/view_lookup.h"

#include "ui/platform/hosting/native_host.h"
#include "ui/platform/hosting/win32_combo_box.h"
#include "ui/views/view_group.h"
#include "ui/views/widgets/widget.h"

namespace quorvel::windows {
namespace {

int control_id_of(const win32_ui::modern::View& view) {
  if (const auto* widget = dynamic_cast<const win32_ui::modern::Widget*>(&view)) {
    return widget->control_id();
  }
  if (const auto* host = dynamic_cast<const win32_ui::modern::NativeHost*>(&view)) {
    return host->control_id();
  }
  return 0;
}

}  // namespace

win32_ui::modern::View* find_view(win32_ui::modern::View* root, int control_id) {
  if (!root) return nullptr;
  if (control_id_of(*root) == control_id) return root;
  if (auto* group = dynamic_cast<win32_ui::modern::ViewGroup*>(root)) {
    for (std::size_t i = 0; i < group->child_count(); ++i) {
      if (auto* found = find_view(group->child_at(i), control_id)) return found;
    }
  }
  return nullptr;
}

win32_ui::modern::Win32ComboBox* find_combo_box(win32_ui::scaffold::Window& window,
                                                int control_id) {
  if (!window.is_open()) return nullptr;
  return dynamic_cast<win32_ui::modern::Win32ComboBox*>(
      find_view(window.host().surface().root_view(), control_id));
}

}  // namespace quorvel::windows
