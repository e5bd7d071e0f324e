// Keeping the application, the control bar, the main window and the editor
// in the theme.
#include "app/app.h"

namespace quorvel::windows {

void App::apply_theme(const win32_ui::Theme& theme) {
  if (application_.theme_mode() != theme_registry_->mode()) {
    application_.set_theme_mode(theme_registry_->mode());
  }
  if (application_.accent_color() != theme_registry_->accent_color()) {
    application_.set_accent_color(theme_registry_->accent_color());
  }
  if (!(application_.theme() == theme)) application_.refresh_system_theme();
  // The bar's host is none of the application's windows: nothing else
  // re-themes it.
  if (control_view_) control_view_->apply_theme(theme);
  if (main_window_ && main_window_->is_open()) main_window_->apply_theme(theme);
  if (editor_ && editor_->is_open()) editor_->set_theme(theme);
}

void App::on_system_theme_changed(void* app, const win32_ui::Theme* theme) {
  if (app != nullptr && theme != nullptr) static_cast<App*>(app)->apply_theme(*theme);
}

}  // namespace quorvel::windows
