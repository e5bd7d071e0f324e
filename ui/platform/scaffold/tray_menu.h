// TrayMenu is the program's notification-area icon with its popup menu: a
// right-click on the icon opens the toolkit's own themed menu in a topmost
// popup at the click point, built afresh from the entries provider each
// time, and the chosen command id goes to the command callback. A click or
// keyboard select on the icon runs the activate callback.
//
// The owner window's procedure offers every message to handle_message
// first. The TrayMenu registers itself with the Application, which closes
// an open menu on a language or catalogue change and re-themes it on a
// theme change. Owned by the application shell; must not outlive the
// Application. UI thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "ui/platform/hosting/view_popup.h"
#include "ui/platform/scaffold/tray_icon.h"
#include "ui/platform/scaffold/tray_icon_options.h"
#include "ui/views/menus/menu_entry.h"

namespace win32_ui::scaffold {

class Application;

class TrayMenu {
 public:
  using EntriesProvider = std::function<std::vector<modern::MenuEntry>()>;
  using CommandCallback = std::function<void(unsigned command_id)>;
  using ActivateCallback = std::function<void()>;

  explicit TrayMenu(Application& application, ShellNotify notify = windows_shell_notify());
  // Closes the menu, removes the icon and unregisters.
  ~TrayMenu();
  TrayMenu(const TrayMenu&) = delete;
  TrayMenu& operator=(const TrayMenu&) = delete;

  // Replaces the icon with one made from `options`; false when the settings
  // are invalid or the shell refuses the icon.
  bool set_icon(TrayIconOptions options);
  bool show_icon();
  // Removes the icon and keeps its settings for show_icon.
  void hide_icon();
  // Removes the icon and forgets its settings.
  void clear_icon();
  bool icon_shown() const { return icon_.shown(); }

  void close_menu();
  // True when the message belonged to the icon or its menu.
  bool handle_message(UINT message, WPARAM wparam, LPARAM lparam);

  void set_entries_provider(EntriesProvider provider) { entries_provider_ = std::move(provider); }
  void on_command(CommandCallback callback) { on_command_ = std::move(callback); }
  void on_activate(ActivateCallback callback) { on_activate_ = std::move(callback); }

  // Gives an open menu the application's current theme.
  void sync_theme();
  // Opens the menu with its left edge at `point` (screen pixels); false
  // while a menu is open, without a provider or owner, or when the popup
  // cannot be shown.
  bool show_menu(POINT point);

  bool menu_open() const { return popup_.hwnd() != nullptr; }
  HWND menu_window() const { return popup_.hwnd(); }
  modern::ViewPopup& popup() { return popup_; }
  const TrayIcon& icon() const { return icon_; }

 private:
  void choose(unsigned command_id);

  Application* application_;
  TrayIconOptions options_;
  TrayIcon icon_;
  modern::ViewPopup popup_;
  EntriesProvider entries_provider_;
  CommandCallback on_command_;
  ActivateCallback on_activate_;
};

}  // namespace win32_ui::scaffold
