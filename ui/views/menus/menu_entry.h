// The records a popup menu is built from: one MenuEntry per line, and the
// MenuLayout of its rows. Plain values; any thread may make them, the menu
// reads them on the UI thread.
#pragma once

#include <string>

namespace win32_ui::modern {

struct MenuEntry {
  static constexpr int kMarkNone = 0;
  static constexpr int kMarkCheck = 1;
  static constexpr int kMarkRadio = 2;

  // Reported to the menu's choose callback; also the item's control id.
  int command_id = 0;
  std::wstring text;
  int mark = kMarkNone;
  bool checked = false;
  // A disabled item is drawn greyed and cannot be chosen.
  bool enabled = true;
  // Shown at the end of the row; empty for none.
  std::wstring shortcut;
  // The entry is a gap between items; the other fields are ignored.
  bool separator = false;
};

// DIP. Bad numbers are clamped, never refused.
struct MenuLayout {
  float width = 240.0f;
  float item_height = 40.0f;
  float separator_height = 12.0f;
  float padding = 6.0f;

  // Width and item height at least 1, separator height and padding at
  // least 0; a value that is not a number takes its bound.
  MenuLayout clamped() const;
};

}  // namespace win32_ui::modern
