#include "ui/views/menus/menu_view.h"

#include <memory>
#include <utility>

#include "ui/views/grid_panel.h"
#include "ui/views/key_codes.h"
#include "ui/views/overlay_panel.h"
#include "ui/views/widgets/card.h"

namespace win32_ui::modern {

MenuView::MenuView(std::vector<MenuEntry> entries, ChooseCallback on_choose, MenuLayout layout)
    : layout_(layout.clamped()) {
  std::vector<layout::GridLength> rows;
  rows.reserve(entries.size());
  float rows_height = 0.0f;
  for (const MenuEntry& entry : entries) {
    const float height = entry.separator ? layout_.separator_height : layout_.item_height;
    rows.push_back(layout::GridLength::fixed(height));
    rows_height += height;
  }
  total_height_ = rows_height + 2.0f * layout_.padding;

  auto overlay = std::make_unique<OverlayPanel>();
  overlay->add_child(std::make_unique<Card>());
  const float p = layout_.padding;
  auto grid = std::make_unique<GridPanel>(std::vector<layout::GridLength>{layout::GridLength::star(1.0f)},
                                          std::move(rows), 0.0f, 0.0f,
                                          layout::Thickness{p, p, p, p});
  for (std::size_t i = 0; i < entries.size(); ++i) {
    MenuEntry& entry = entries[i];
    if (entry.separator) continue;
    auto item = std::make_unique<MenuItem>(entry.command_id, std::move(entry.text), entry.checked);
    item->set_mark(entry.mark);
    item->set_shortcut_text(std::move(entry.shortcut));
    item->set_enabled(entry.enabled);
    item->on_invoked([choose = on_choose, id = static_cast<unsigned>(entry.command_id)] {
      if (choose) choose(id);
    });
    items_.push_back(item.get());
    grid->add_child(std::move(item), layout::GridCell{0, i, 1, 1});
  }
  overlay->add_child(std::move(grid));
  built_content_ = overlay.get();
  set_content(std::move(overlay));
  add_key_preview_handler([this](KeyEvent& event) { navigate_items(event); });
}

layout::Size MenuView::preferred_size() const {
  return {layout_.width, total_height_ > 1.0f ? total_height_ : 1.0f};
}

const std::vector<MenuItem*>& MenuView::live_items() const {
  static const std::vector<MenuItem*> kNone;
  return content() != nullptr && content() == built_content_ ? items_ : kNone;
}

bool MenuView::focus_first_item() {
  for (MenuItem* item : live_items()) {
    if (item->is_enabled() && item->request_focus(kFocusKeyboard)) return true;
  }
  return false;
}

void MenuView::navigate_items(KeyEvent& event) {
  if (event.kind != KeyEvent::kDown || (event.key != kKeyUp && event.key != kKeyDown)) return;
  const std::vector<MenuItem*>& items = live_items();
  const std::size_t n = items.size();
  if (n == 0) return;
  std::size_t current = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (items[i]->is_focused()) current = i;
  }
  const bool down = event.key == kKeyDown;
  for (std::size_t i = 1; i <= n; ++i) {
    const std::size_t candidate = down ? (current + i) % n : (n + current - (i % n)) % n;
    MenuItem* item = items[candidate];
    if (item->is_enabled() && item->request_focus(kFocusKeyboard)) break;
  }
  event.handled = true;
}

}  // namespace win32_ui::modern
