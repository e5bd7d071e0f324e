// The notification-area icon, its menu and the start-with-Windows switch.
#include "app/app.h"
#include "app/app_messages.h"
#include "app/common/hotkey_text.h"

namespace quorvel::windows {

using win32_ui::modern::MenuEntry;

void App::initialize_tray_menu() {
  win32_ui::scaffold::TrayIconOptions options;
  options.owner = host_window_;
  options.id = 1;
  options.callback_message = kTrayNotifyMessage;
  options.menu_message = kTrayMenuMessage;
  options.icon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  options.tooltip = localized_text(L"tray.tooltip");
  options.menu_layout = {248.0f, 40.0f, 12.0f, 6.0f};
  options.scale = 0.9f;
  tray_.set_entries_provider([this] { return tray_menu_entries(); });
  tray_.on_activate([this] { bring_to_front(); });
  tray_.on_command([this](unsigned command_id) {
    PostMessageW(host_window_, WM_COMMAND, command_id, 0);
  });
  // Without an icon the program still runs: hotkeys and the main window
  // work alike.
  tray_.set_icon(options);
}

std::vector<MenuEntry> App::tray_menu_entries() {
  std::vector<MenuEntry> entries(5);
  entries[0].command_id = kTrayCommandShow;
  entries[0].text = localized_text(L"tray.show");
  entries[1].command_id = kTrayCommandScreenshot;
  entries[1].text = localized_text(L"main.screenshot");
  entries[1].shortcut = hotkey_text(hotkeys_[static_cast<std::size_t>(HotkeyAction::kScreenshot)]);
  entries[2].command_id = kTrayCommandStartup;
  entries[2].text = localized_text(L"tray.startup");
  entries[2].mark = MenuEntry::kMarkCheck;
  entries[2].checked = settings_.starts_with_windows();
  entries[3].separator = true;
  entries[4].command_id = kTrayCommandExit;
  entries[4].text = localized_text(L"tray.exit");
  return entries;
}

void App::toggle_start_with_windows() {
  if (!settings_.set_start_with_windows(!settings_.starts_with_windows())) {
    show_message(L"message.startup_change_failed", {}, MB_ICONERROR);
  }
}

}  // namespace quorvel::windows
