// The header's help and theme menus, where they open, and the main window's
// subclass (deferred rebuild and draggable header band).
#include <array>
#include <cmath>
#include <utility>

#include "app/setup/header_hit_test.h"
#include "app/setup/modern_recording_preview.h"
#include "app/setup/view_factories.h"
#include "ui/platform/theme/window_subclass.h"
#include "ui/views/key_codes.h"
#include "ui/views/key_event.h"
#include "ui/views/menus/menu_entry.h"
#include "ui/views/widgets/card.h"
#include "ui/views/widgets/widget.h"

namespace quorvel::windows {
namespace {

using win32_ui::layout::GridLength;

constexpr float kMenuWidth = 218.0f;
constexpr float kMenuRowHeight = 40.0f;
constexpr float kMenuPadding = 6.0f;
constexpr float kMenuZoom = 0.9f;
constexpr int kHelpButtonId = 4;
constexpr int kThemeButtonId = 2;
// The header's buttons in the order the band yields to them: screenshot,
// settings, theme, help, close.
constexpr std::array<int, 5> kHeaderButtonIds = {1, 3, 2, 4, 20832};

// The theme menu's row of a theme mode: dark, light, else follow system.
int theme_row(win32_ui::ThemeMode mode) {
  if (mode == win32_ui::kThemeModeDark) return 1;
  if (mode == win32_ui::kThemeModeLight) return 2;
  return 0;
}

LONG round_away(float value) { return static_cast<LONG>(std::lround(value)); }

}  // namespace

void ModernRecordingPreview::show_help_menu(win32_ui::modern::InputOrigin origin) {
  show_menu(true, origin);
}

void ModernRecordingPreview::show_theme_menu(win32_ui::modern::InputOrigin origin) {
  show_menu(false, origin);
}

void ModernRecordingPreview::show_menu(bool help, win32_ui::modern::InputOrigin origin) {
  if (!main_window_.is_open() || !callbacks_.settings_action) return;
  auto& popup = help ? help_menu_ : theme_menu_;
  if (popup.is_visible()) {
    popup.close();
    return;
  }
  (help ? theme_menu_ : help_menu_).close();
  const ModernSettingsState settings =
      callbacks_.settings_state ? callbacks_.settings_state() : ModernSettingsState{};
  const int row_count = help ? (settings.signed_in ? 4 : 3) : 3;
  GridTracks rows;
  for (int row = 0; row < row_count; ++row) rows.push_back(GridLength::fixed(kMenuRowHeight));
  auto grid = make_grid_panel({GridLength::star(1.0f)}, std::move(rows), 0.0f, 0.0f,
                              {kMenuPadding, kMenuPadding, kMenuPadding, kMenuPadding});
  MenuRows& menu_rows = help ? help_rows_ : theme_rows_;
  menu_rows = MenuRows{};
  if (help) {
    help_grid_ = grid.get();
    add_help_menu_item(1004, text(L"menu.help"), ModernSettingsAction::kHelp);
    add_help_menu_item(1005, text(L"menu.support"), ModernSettingsAction::kSupportPage);
    add_help_menu_item(1006, text(L"menu.about"), ModernSettingsAction::kAbout);
    if (settings.signed_in) {
      add_help_menu_item(1007, text(L"menu.account"), ModernSettingsAction::kAccount);
    }
  } else {
    theme_grid_ = grid.get();
    theme_rows_.choice = theme_row(settings.theme_mode);
    theme_rows_.items.resize(3);
    add_theme_menu_item(0, 1001, text(L"menu.follow_system"), ModernSettingsAction::kThemeSystem);
    add_theme_menu_item(1, 1002, text(L"menu.dark"), ModernSettingsAction::kThemeDark);
    add_theme_menu_item(2, 1003, text(L"menu.light"), ModernSettingsAction::kThemeLight);
  }
  auto content = make_overlay_panel();
  auto card = std::make_unique<win32_ui::modern::Card>();
  card->set_selected(false);
  content->add_child(std::move(card));
  content->add_child(std::move(grid));
  add_menu_keys(*content, popup, menu_rows);
  const RECT anchor =
      popup_anchor(help ? kHelpButtonId : kThemeButtonId, origin != win32_ui::modern::kInputPointer);
  const float height = static_cast<float>(row_count) * kMenuRowHeight + 2.0f * kMenuPadding;
  if (!popup.show(main_window_.hwnd(), anchor, std::move(content), kMenuWidth, height, theme_,
                  kMenuZoom, false, 0)) {
    return;
  }
  const int start = help ? 0 : menu_rows.choice;
  if (start < static_cast<int>(menu_rows.items.size()) && menu_rows.items[start]) {
    menu_rows.items[start]->request_focus(win32_ui::modern::kInputKeyboard);
  }
}

void ModernRecordingPreview::add_help_menu_item(int command_id, std::wstring label,
                                                ModernSettingsAction action) {
  const int row = static_cast<int>(help_rows_.items.size());
  auto item = std::make_unique<win32_ui::modern::MenuItem>(command_id, std::move(label), false);
  item->set_mark(win32_ui::modern::MenuEntry::kMarkNone);
  item->on_invoked([this, action] {
    help_menu_.post_close();
    if (callbacks_.settings_action) callbacks_.settings_action(action);
  });
  help_rows_.items.push_back(item.get());
  help_grid_->add_child(std::move(item), {0, row, 1, 1});
}

void ModernRecordingPreview::add_theme_menu_item(int index, int command_id, std::wstring label,
                                                 ModernSettingsAction action) {
  auto item = std::make_unique<win32_ui::modern::MenuItem>(command_id, std::move(label),
                                                           index == theme_rows_.choice);
  // One choice of three: a radio mark shows which one is in force.
  item->set_mark(win32_ui::modern::MenuEntry::kMarkRadio);
  item->on_invoked([this, action] {
    theme_menu_.post_close();
    if (callbacks_.settings_action) callbacks_.settings_action(action);
  });
  theme_rows_.items[static_cast<std::size_t>(index)] = item.get();
  theme_grid_->add_child(std::move(item), {0, index, 1, 1});
}

void ModernRecordingPreview::add_menu_keys(win32_ui::modern::View& content,
                                           win32_ui::modern::ViewPopup& popup, MenuRows& rows) {
  content.add_key_preview_handler([&popup, &rows](win32_ui::modern::KeyEvent& event) {
    if (event.kind != win32_ui::modern::KeyEvent::kDown) return;
    if (event.key == win32_ui::modern::kKeyEscape) {
      event.handled = true;
      popup.post_close();
      return;
    }
    if (event.key != win32_ui::modern::kKeyUp && event.key != win32_ui::modern::kKeyDown) return;
    event.handled = true;
    const int count = static_cast<int>(rows.items.size());
    if (count == 0) return;
    int current = rows.choice;
    for (int index = 0; index < count; ++index) {
      if (rows.items[index] && rows.items[index]->is_focused()) current = index;
    }
    const int step = event.key == win32_ui::modern::kKeyDown ? 1 : -1;
    const int next = ((current + step) % count + count) % count;
    if (rows.items[next]) rows.items[next]->request_focus(win32_ui::modern::kInputKeyboard);
  });
}

RECT ModernRecordingPreview::popup_anchor(int control_id, bool exact) const {
  POINT cursor{};
  GetCursorPos(&cursor);
  HWND window = main_window_.hwnd();
  const win32_ui::modern::Element* element =
      window ? main_host_.surface().find_element(control_id) : nullptr;
  if (!element) return RECT{cursor.x, cursor.y, cursor.x + 1, cursor.y + 1};
  const float scale = main_host_.zoom() * static_cast<float>(GetDpiForWindow(window)) / 96.0f;
  const auto& bounds = element->bounds;
  POINT top_left{round_away(bounds.x * scale), round_away(bounds.y * scale)};
  POINT bottom_right{round_away((bounds.x + bounds.width) * scale),
                     round_away((bounds.y + bounds.height) * scale)};
  ClientToScreen(window, &top_left);
  ClientToScreen(window, &bottom_right);
  RECT anchor{top_left.x, top_left.y, bottom_right.x, bottom_right.y};
  if (!exact && PtInRect(&anchor, cursor)) {
    anchor.left = cursor.x;
    anchor.right = cursor.x + 1;
  }
  return anchor;
}

LRESULT ModernRecordingPreview::hit_test_header(HWND window, LPARAM lparam) const {
  POINT point{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  ScreenToClient(window, &point);
  std::array<win32_ui::layout::LayoutRect, kHeaderButtonIds.size()> buttons{};
  std::size_t count = 0;
  for (int id : kHeaderButtonIds) {
    if (auto* widget = main_host_.surface().find_widget(id)) {
      buttons[count++] = widget->bounds_in_root();
    }
  }
  return header_hit_test(point, GetDpiForWindow(window), main_host_.zoom(),
                         std::span(buttons.data(), count));
}

LRESULT CALLBACK main_window_subclass_proc(HWND window, UINT message, WPARAM wparam,
                                           LPARAM lparam, UINT_PTR id, DWORD_PTR reference) {
  auto* preview = reinterpret_cast<ModernRecordingPreview*>(reference);
  return win32_ui::guarded_subclass_call(window, message, wparam, lparam, [&]() -> LRESULT {
    if (message == WM_NCDESTROY) {
      win32_ui::remove_window_subclass(window, main_window_subclass_proc, id);
      return win32_ui::default_subclass_proc(window, message, wparam, lparam);
    }
    if (message == kDeferredRebuildMessage && preview) {
      preview->run_deferred_rebuild();
      return 0;
    }
    const LRESULT result = win32_ui::default_subclass_proc(window, message, wparam, lparam);
    if (message == WM_NCHITTEST && result == HTCLIENT && preview) {
      return preview->hit_test_header(window, lparam);
    }
    return result;
  });
}

}  // namespace quorvel::windows
