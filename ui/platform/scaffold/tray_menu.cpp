#include "ui/platform/scaffold/tray_menu.h"

#include <memory>
#include <utility>

#include "ui/platform/scaffold/application.h"
#include "ui/views/menus/menu_view.h"

namespace win32_ui::scaffold {

TrayMenu::TrayMenu(Application& application, ShellNotify notify)
    : application_(&application),
      icon_(std::move(notify)),
      popup_(application.theme_system()) {
  application_->register_tray_menu(this);
}

TrayMenu::~TrayMenu() {
  close_menu();
  icon_.reset();
  application_->unregister_tray_menu(this);
}

bool TrayMenu::set_icon(TrayIconOptions options) {
  close_menu();
  icon_.reset();
  options_ = std::move(options);
  return icon_.configure(options_.owner, options_.id, options_.callback_message,
                         options_.menu_message, options_.icon, options_.tooltip);
}

bool TrayMenu::show_icon() { return icon_.add(); }

void TrayMenu::hide_icon() {
  close_menu();
  icon_.hide();
}

void TrayMenu::clear_icon() {
  close_menu();
  icon_.reset();
}

void TrayMenu::close_menu() { popup_.close(); }

bool TrayMenu::handle_message(UINT message, WPARAM wparam, LPARAM lparam) {
  const int routed = icon_.route_message(message, wparam, lparam);
  if (routed == kTrayNotForIcon) return false;
  if (routed == kTrayActivate && on_activate_) {
    const ActivateCallback callback = on_activate_;
    callback();
  } else if (routed == kTrayShowMenu) {
    show_menu(icon_.menu_point());
  }
  return true;
}

void TrayMenu::sync_theme() { popup_.apply_theme(application_->theme()); }

bool TrayMenu::show_menu(POINT point) {
  if (popup_.is_visible() || !entries_provider_ || options_.owner == nullptr) return false;
  std::vector<modern::MenuEntry> entries = entries_provider_();
  auto menu = std::make_unique<modern::MenuView>(
      std::move(entries), [this](unsigned command_id) { choose(command_id); },
      options_.menu_layout);
  modern::MenuView* view = menu.get();
  const layout::Size size = view->preferred_size();
  // Keyed texts in the menu resolve in the UI language, as in every window.
  popup_.set_localization(application_->make_localization());
  const RECT anchor{point.x, point.y, point.x + 1, point.y + 1};
  if (!popup_.show(options_.owner, anchor, std::move(menu), size.width, size.height,
                   application_->theme(), options_.scale, false, modern::kPopupTopmost)) {
    return false;
  }
  view->focus_first_item();
  return true;
}

// Runs inside the popup's own dispatch, so the popup may only be closed by a
// posted message; the close is posted before the command runs, so a command
// that opens a window finds the menu already on its way out.
void TrayMenu::choose(unsigned command_id) {
  popup_.post_close();
  if (on_command_) {
    const CommandCallback callback = on_command_;
    callback(command_id);
  }
}

}  // namespace win32_ui::scaffold
