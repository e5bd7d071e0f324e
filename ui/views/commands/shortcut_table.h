// Keyboard shortcuts of one surface: each binds a toolkit key code with an
// exact set of modifiers to a command id of the surface's CommandTable. The
// surface looks every key-down up here before any view sees it.
//
// Owned by its Surface. UI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "ui/views/key_event.h"

namespace win32_ui::modern {

struct Shortcut {
  // Toolkit key code (key_codes.h).
  int key = 0;
  // KeyEvent::kShift, kCtrl, kAlt, kWindows; compared exactly.
  int modifiers = 0;
  int command_id = 0;
  // Also fires on auto-repeated key-downs.
  bool allow_repeat = false;
};

class ShortcutTable {
 public:
  // Runs a command id; true when the key counts as consumed.
  using Runner = std::function<bool(unsigned command_id)>;

  // False for key 0, command 0, or a key and modifiers already bound.
  bool add(Shortcut shortcut);
  void clear() { shortcuts_.clear(); }
  const std::vector<Shortcut>& shortcuts() const { return shortcuts_; }

  // For a key-down bound here (and not an auto-repeat the shortcut refuses),
  // calls `runner` with the command; when it answers true the key is marked
  // handled and default-prevented. Returns whether it was.
  bool dispatch(KeyEvent& event, const Runner& runner) const;

 private:
  std::vector<Shortcut> shortcuts_;
};

}  // namespace win32_ui::modern
