// MenuView turns a list of MenuEntry records into a popup menu's view: a
// card with one MenuItem row per entry, separators as gaps, and Up and Down
// moving the focus between the enabled items (wrapping around). Choosing an
// item calls the one choose callback with its command id.
//
// MenuView only builds, draws and reports; its owner opens, places and
// closes the popup. The choose callback runs inside the popup surface's own
// dispatch: views it removes stay alive until that dispatch ends, but the
// callback must not destroy the popup window or its Surface. An owner that
// wants the menu gone posts itself a message and closes the popup from
// there.
//
// Built once per opening; owned by the popup's Surface. UI thread only.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "ui/views/compound_view.h"
#include "ui/views/menus/menu_entry.h"
#include "ui/views/menus/menu_item.h"

namespace win32_ui::modern {

class MenuView : public CompoundView {
 public:
  using ChooseCallback = std::function<void(unsigned command_id)>;

  MenuView(std::vector<MenuEntry> entries, ChooseCallback on_choose, MenuLayout layout = {});

  // (width, total height, at least 1): what the owner sizes its popup to.
  layout::Size preferred_size() const;
  // Focuses the first enabled item that takes the focus; false when none.
  bool focus_first_item();
  // 0 once the built content was replaced: its items are gone.
  std::size_t item_count() const { return live_items().size(); }
  MenuItem* item_at(std::size_t index) const {
    const std::vector<MenuItem*>& items = live_items();
    return index < items.size() ? items[index] : nullptr;
  }
  const MenuLayout& layout() const { return layout_; }
  // Row heights sum plus twice the padding, DIP.
  float total_height() const { return total_height_; }

  // Up and Down (any modifiers) move the focus to the next enabled item,
  // wrapping; the key is consumed even when the focus stays.
  void navigate_items(KeyEvent& event);

 private:
  // The items while the content built for them is still in place; a choose
  // callback may replace or clear it.
  const std::vector<MenuItem*>& live_items() const;

  MenuLayout layout_;
  float total_height_ = 0.0f;
  // In entry order; owned by the view tree.
  std::vector<MenuItem*> items_;
  const View* built_content_ = nullptr;
};

}  // namespace win32_ui::modern
