#include "ui/platform/scaffold/tray_icon.h"

#include <utility>

namespace win32_ui::scaffold {
namespace {

bool owner_lives(HWND owner) { return owner != nullptr && IsWindow(owner) != FALSE; }

// Both halves of a packed screen point are signed: monitors left of or
// above the primary one have negative coordinates.
POINT signed_point(WPARAM packed) {
  return POINT{static_cast<SHORT>(LOWORD(packed)), static_cast<SHORT>(HIWORD(packed))};
}

POINT cursor_point() {
  POINT point{0, 0};
  GetCursorPos(&point);
  return point;
}

}  // namespace

ShellNotify windows_shell_notify() {
  return [](DWORD message, NOTIFYICONDATAW* data) { return Shell_NotifyIconW(message, data); };
}

TrayIcon::TrayIcon(ShellNotify notify) : notify_(std::move(notify)) {}

TrayIcon::~TrayIcon() { reset(); }

bool TrayIcon::configure(HWND owner, std::uint32_t id, std::uint32_t callback_message,
                         std::uint32_t menu_message, HICON icon, std::wstring tooltip) {
  reset();
  if (!owner_lives(owner) || id == 0 || callback_message == 0 || menu_message == 0 ||
      menu_message == callback_message || icon == nullptr) {
    return false;
  }
  owner_ = owner;
  id_ = id;
  callback_message_ = callback_message;
  menu_message_ = menu_message;
  icon_ = icon;
  tooltip_ = std::move(tooltip);
  taskbar_created_message_ = RegisterWindowMessageW(L"TaskbarCreated");
  return add();
}

NOTIFYICONDATAW TrayIcon::add_record() const {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = owner_;
  data.uID = id_;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = callback_message_;
  data.hIcon = icon_;
  lstrcpynW(data.szTip, tooltip_.c_str(), static_cast<int>(kTrayTooltipMax + 1));
  return data;
}

bool TrayIcon::add() {
  if (shown_) return true;
  if (!owner_lives(owner_) || !notify_) return false;
  NOTIFYICONDATAW data = add_record();
  if (!notify_(NIM_ADD, &data)) return false;
  data.uVersion = NOTIFYICON_VERSION_4;
  version_4_ = notify_(NIM_SETVERSION, &data) != FALSE;
  shown_ = true;
  return true;
}

void TrayIcon::remove_from_shell() {
  if (!owner_lives(owner_) || !notify_) return;
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = owner_;
  data.uID = id_;
  notify_(NIM_DELETE, &data);
}

void TrayIcon::hide() {
  menu_pending_ = false;
  if (!shown_) return;
  remove_from_shell();
  shown_ = false;
}

void TrayIcon::reset() {
  menu_pending_ = false;
  if (shown_) {
    remove_from_shell();
    shown_ = false;
    version_4_ = false;
  }
  owner_ = nullptr;
  id_ = 1;
  callback_message_ = 0;
  menu_message_ = 0;
  icon_ = nullptr;
  tooltip_.clear();
  taskbar_created_message_ = 0;
  menu_point_ = POINT{0, 0};
}

int TrayIcon::route_message(UINT message, WPARAM wparam, LPARAM lparam) {
  if (taskbar_created_message_ != 0 && message == taskbar_created_message_) {
    // The restarted shell has forgotten every icon.
    if (shown_) {
      shown_ = false;
      add();
    }
    return kTrayHandled;
  }
  if (menu_message_ != 0 && message == menu_message_) {
    const int result = menu_pending_ && shown_ ? kTrayShowMenu : kTrayHandled;
    menu_pending_ = false;
    return result;
  }
  if (message != callback_message_ || !shown_) return kTrayNotForIcon;
  return route_icon_event(wparam, lparam);
}

int TrayIcon::route_icon_event(WPARAM wparam, LPARAM lparam) {
  const auto packed = static_cast<DWORD_PTR>(lparam);
  const bool ours = version_4_ ? HIWORD(packed) == id_ : wparam == id_;
  if (!ours) return kTrayHandled;
  switch (LOWORD(packed)) {
    case WM_CONTEXTMENU:
    case WM_RBUTTONUP: {
      if (menu_pending_) return kTrayHandled;
      POINT point = cursor_point();
      if (LOWORD(packed) == WM_CONTEXTMENU && version_4_) {
        const POINT carried = signed_point(wparam);
        if (carried.x != -1 || carried.y != -1) point = carried;
      }
      request_menu(point);
      return kTrayHandled;
    }
    case NIN_SELECT:
    case NIN_KEYSELECT:
    case WM_LBUTTONDBLCLK:
      return kTrayActivate;
    default:
      return kTrayHandled;
  }
}

void TrayIcon::request_menu(POINT point) {
  menu_point_ = point;
  menu_pending_ = PostMessageW(owner_, menu_message_, 0, 0) != FALSE;
}

}  // namespace win32_ui::scaffold
