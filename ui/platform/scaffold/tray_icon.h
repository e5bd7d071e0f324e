// TrayIcon keeps one icon in the notification area through
// Shell_NotifyIconW, puts it back when the shell restarts, and turns the
// shell's callback messages into activate, show-the-menu or nothing. The
// menu is never opened inside the shell's callback: the icon posts its menu
// message to the owner, and the pending flag keeps a second right-click from
// posting another before the first arrives.
//
// Owned by the TrayMenu. Destruction removes the icon. UI thread only; every
// message arrives through the owner window's procedure.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <functional>
#include <string>

namespace win32_ui::scaffold {

// Shell_NotifyIconW or a stand-in for it.
using ShellNotify = std::function<BOOL(DWORD message, NOTIFYICONDATAW* data)>;
ShellNotify windows_shell_notify();

// TrayIcon::route_message's answers.
inline constexpr int kTrayNotForIcon = 0;
inline constexpr int kTrayHandled = 1;
inline constexpr int kTrayActivate = 2;
inline constexpr int kTrayShowMenu = 3;

inline constexpr std::size_t kTrayTooltipMax = 127;

class TrayIcon {
 public:
  explicit TrayIcon(ShellNotify notify = windows_shell_notify());
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;

  // Resets, checks and stores the settings, then adds the icon. False for
  // a dead owner, a zero id or message, a menu message equal to the
  // callback message or a null icon (the icon stays reset), or when the
  // shell refuses the icon.
  bool configure(HWND owner, std::uint32_t id, std::uint32_t callback_message,
                 std::uint32_t menu_message, HICON icon, std::wstring tooltip);
  // Whether the icon is shown afterwards; a shown icon is left alone.
  bool add();
  // Removes the icon and keeps the settings, so add() shows it again.
  void hide();
  // Removes the icon and forgets the settings.
  void reset();
  // kTrayNotForIcon, kTrayHandled, kTrayActivate or kTrayShowMenu.
  int route_message(UINT message, WPARAM wparam, LPARAM lparam);
  // Where the menu was asked for, screen pixels.
  POINT menu_point() const { return menu_point_; }

  bool shown() const { return shown_; }
  bool version_4() const { return version_4_; }
  bool menu_pending() const { return menu_pending_; }
  HWND owner() const { return owner_; }

 private:
  NOTIFYICONDATAW add_record() const;
  void remove_from_shell();
  int route_icon_event(WPARAM wparam, LPARAM lparam);
  void request_menu(POINT point);

  ShellNotify notify_;
  HWND owner_ = nullptr;
  std::uint32_t id_ = 1;
  std::uint32_t callback_message_ = 0;
  std::uint32_t menu_message_ = 0;
  HICON icon_ = nullptr;
  std::wstring tooltip_;
  UINT taskbar_created_message_ = 0;
  POINT menu_point_{0, 0};
  bool shown_ = false;
  bool version_4_ = false;
  bool menu_pending_ = false;
};

}  // namespace win32_ui::scaffold
