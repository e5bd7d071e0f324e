#include "ui/views/commands/shortcut_table.h"

#include <algorithm>

namespace win32_ui::modern {

bool ShortcutTable::add(Shortcut shortcut) {
  if (shortcut.key == 0 || shortcut.command_id == 0) return false;
  const bool taken = std::any_of(shortcuts_.begin(), shortcuts_.end(), [&](const Shortcut& s) {
    return s.key == shortcut.key && s.modifiers == shortcut.modifiers;
  });
  if (taken) return false;
  shortcuts_.push_back(shortcut);
  return true;
}

bool ShortcutTable::dispatch(KeyEvent& event, const Runner& runner) const {
  if (event.kind != KeyEvent::kDown || !runner) return false;
  const auto found = std::find_if(shortcuts_.begin(), shortcuts_.end(), [&](const Shortcut& s) {
    return s.key == event.key && s.modifiers == event.modifiers;
  });
  if (found == shortcuts_.end()) return false;
  if (event.repeat && !found->allow_repeat) return false;
  // A copy: the runner may clear this table.
  const Shortcut shortcut = *found;
  if (!runner(static_cast<unsigned>(shortcut.command_id))) return false;
  event.handled = true;
  event.default_prevented = true;
  return true;
}

}  // namespace win32_ui::modern
