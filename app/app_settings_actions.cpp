// What the preferences window, the theme menu and the help menu ask of the
// App: the settings snapshot, their actions, the theme mode and the UI
// language.
#include "app/app.h"
#include "app/common/hotkey_text.h"
#include "app/common/ui_language.h"

namespace quorvel::windows {

void App::add_preferences_handlers(MainWindowHandlers& handlers) {
  handlers.close_request = [this] { return handle_main_window_close(); };
  handlers.settings_state = [this] { return settings_state(); };
  handlers.settings_action = [this](ModernSettingsAction action) { run_settings_action(action); };
  handlers.hotkey_capture = [this](bool capturing) { set_hotkey_capturing(capturing); };
  handlers.hotkey_changed = [this](int row, UINT key, UINT modifiers) {
    if (row >= 0) edit_hotkey(static_cast<std::size_t>(row), key, modifiers);
  };
}

ModernSettingsState App::settings_state() {
  ModernSettingsState state;
  state.theme_mode = theme_registry_->mode();
  state.start_with_windows = settings_.starts_with_windows();
  state.watermark_enabled = watermark_.enabled;
  state.hotkey_rows.reserve(kHotkeyCount);
  for (const HotkeyBinding& row : hotkeys_) {
    state.hotkey_rows.push_back({localized_text(row.name_key), hotkey_text(row)});
  }
  state.language = application_.language();
  state.signed_in = account_->has_account();
  return state;
}

void App::run_settings_action(ModernSettingsAction action) {
  switch (action) {
    case ModernSettingsAction::kScreenshot:
      begin_screenshot();
      break;
    case ModernSettingsAction::kThemeSystem:
      set_theme_mode(win32_ui::kThemeModeSystem);
      break;
    case ModernSettingsAction::kThemeDark:
      set_theme_mode(win32_ui::kThemeModeDark);
      break;
    case ModernSettingsAction::kThemeLight:
      set_theme_mode(win32_ui::kThemeModeLight);
      break;
    case ModernSettingsAction::kToggleStartWithWindows:
      toggle_start_with_windows();
      break;
    case ModernSettingsAction::kLanguageEnglish:
      set_language(L"en-US");
      break;
    case ModernSettingsAction::kLanguageChinese:
      set_language(L"zh-CN");
      break;
    case ModernSettingsAction::kAccount:
      show_platform_account();
      break;
    case ModernSettingsAction::kHelp:
      show_help_dialog(dialog_owner());
      break;
    case ModernSettingsAction::kSupportPage:
      if (!account_->open_support_page()) {
        show_message(L"message.support_page_failed", {}, MB_ICONERROR);
      }
      break;
    case ModernSettingsAction::kAbout:
      show_about_dialog();
      break;
    default:
      break;
  }
}

void App::set_theme_mode(win32_ui::ThemeMode mode) {
  theme_registry_->set_mode(mode);
  apply_theme(theme_registry_->theme());
  if (!settings_.write_theme_mode(theme_registry_->mode())) {
    show_message(L"message.theme_save_failed", {}, MB_OK | MB_ICONWARNING);
  }
}

void App::set_language(std::wstring_view requested) {
  const std::wstring tag = normalize_language_tag(requested);
  // Stored even when it is already the language in use: the user chose it.
  settings_.write_language(tag);
  if (application_.language() == tag) return;
  application_.set_language(tag);
  if (!setup_.presets.empty()) {
    // The entry before "custom" is the monitor's own size.
    const bool monitor_size_selected =
        setup_.preset_index >= 0 &&
        static_cast<std::size_t>(setup_.preset_index) + 2 == setup_.presets.size();
    size_preset_entries(static_cast<uint32_t>(setup_.monitor_width),
                        static_cast<uint32_t>(setup_.monitor_height), setup_.width, setup_.height,
                        monitor_size_selected, setup_.custom_size);
  }
  audio_device_entries(true);
  if (main_window_ && main_window_->is_open()) {
    main_window_->refresh(setup_, false);
    main_window_->close_secondary_windows();
  }
  if (host_window_ != nullptr && tray_.icon_shown()) {
    // The tooltip is set when the icon is added.
    tray_.clear_icon();
    initialize_tray_menu();
  }
  if (overlay_window_ != nullptr) InvalidateRect(overlay_window_, nullptr, FALSE);
  if (control_view_) control_view_->set_texts(control_view_texts());
  if (control_window_ != nullptr) update_control_status(paused_);
}

}  // namespace quorvel::windows
