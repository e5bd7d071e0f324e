#include "ui/platform/hosting/view_popup.h"

#include <shellscalingapi.h>

#include <algorithm>
#include <utility>

#include "ui/platform/hosting/callback_failure.h"
#include "ui/platform/hosting/popup_placement.h"
#include "ui/views/dpi_scale.h"

namespace win32_ui::modern {
namespace {

bool ensure_popup_class(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(instance, kViewPopupClass, &existing)) return true;
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_DROPSHADOW;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kViewPopupClass;
  return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

UINT popup_dpi(HMONITOR monitor, HWND owner) {
  UINT dpi_x = 0;
  UINT dpi_y = 0;
  if (SUCCEEDED(GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpi_x, &dpi_y)) && dpi_x != 0) {
    return dpi_x;
  }
  return std::max<UINT>(GetDpiForWindow(owner), 1);
}

}  // namespace

ViewPopup::ViewPopup(ThemeSystem& system, DwmAttributes& dwm) : host_(system, dwm) {}

ViewPopup::~ViewPopup() {
  destroy_open_popup();
  owner_ = nullptr;
}

void ViewPopup::set_localization(LocalizationContext localization) {
  localization_ = std::move(localization);
}

void ViewPopup::destroy_open_popup() {
  if (popup_ == nullptr) return;
  DestroyWindow(popup_);
  if (popup_ != nullptr) forget_popup();
}

void ViewPopup::forget_popup() {
  host_.detach();
  popup_ = nullptr;
}

bool ViewPopup::show(HWND owner, const RECT& anchor, std::unique_ptr<View> content, float width,
                     float height, const Theme& theme, float zoom, bool align_right, int kind) {
  destroy_open_popup();
  owner_ = nullptr;
  if (owner == nullptr || !IsWindow(owner) || !content) return false;

  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
  if (!ensure_popup_class(instance, &ViewPopup::procedure)) return false;

  HMONITOR monitor = MonitorFromRect(&anchor, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (monitor == nullptr || !GetMonitorInfoW(monitor, &info)) return false;
  const UINT dpi = popup_dpi(monitor, owner);
  const float scale = ui::graphics::DpiScale(static_cast<float>(dpi), zoom).to_px(1.0f);
  const PopupPlacement place = place_popup(anchor, info.rcWork, width, height, scale, align_right);
  const int popup_width = place.right - place.left;
  const int popup_height = place.bottom - place.top;

  owner_ = owner;
  const DWORD ex_style = WS_EX_TOOLWINDOW | (kind == kPopupTopmost ? WS_EX_TOPMOST : 0);
  HWND popup = CreateWindowExW(ex_style, kViewPopupClass, L"", WS_POPUP | WS_CLIPCHILDREN,
                               place.left, place.top, popup_width, popup_height, owner, nullptr,
                               instance, this);
  if (popup == nullptr) {
    owner_ = nullptr;
    return false;
  }
  popup_ = popup;

  const int diameter = popup_corner_diameter(scale);
  if (HRGN region =
          CreateRoundRectRgn(0, 0, popup_width + 1, popup_height + 1, diameter, diameter)) {
    if (!SetWindowRgn(popup, region, FALSE)) DeleteObject(region);
  }

  host_.set_zoom(zoom);
  if (!host_.attach(popup, theme)) {
    destroy_open_popup();
    owner_ = nullptr;
    return false;
  }
  if (localization_) host_.surface().set_localization(*localization_);
  host_.set_content(std::move(content));
  ShowWindow(popup, SW_SHOWNORMAL);
  UpdateWindow(popup);
  SetForegroundWindow(popup);
  if (kind == kPopupTopmost) {
    SetWindowPos(popup, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
  }
  return true;
}

void ViewPopup::close() { close_with_focus(true); }

void ViewPopup::close_with_focus(bool restore) {
  if (popup_ == nullptr) return;
  HWND owner = owner_;
  HWND popup = popup_;
  const bool was_foreground = GetForegroundWindow() == popup;
  DestroyWindow(popup);
  if (popup_ == popup) forget_popup();
  owner_ = nullptr;
  if (restore && was_foreground && owner != nullptr && IsWindow(owner)) {
    SetForegroundWindow(owner);
    SetFocus(owner);
  }
}

void ViewPopup::post_close() {
  if (popup_ != nullptr) PostMessageW(popup_, WM_CLOSE, 0, 0);
}

void ViewPopup::apply_theme(const Theme& theme) {
  if (popup_ != nullptr) host_.apply_theme(theme);
}

bool ViewPopup::is_visible() const { return popup_ != nullptr && IsWindowVisible(popup_); }

LRESULT CALLBACK ViewPopup::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(create != nullptr ? create->lpCreateParams
                                                                   : nullptr));
    return DefWindowProcW(window, message, wparam, lparam);
  }
  auto* popup = reinterpret_cast<ViewPopup*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (popup == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  try {
    return popup->handle_message(window, message, wparam, lparam);
  } catch (...) {
    report_callback_failure(L"ViewPopup: message handling failed");
    return message == WM_CLOSE ? 0 : DefWindowProcW(window, message, wparam, lparam);
  }
}

LRESULT ViewPopup::handle_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE && window == popup_) {
        PostMessageW(window, WM_CLOSE, 1, 0);
      }
      break;
    case WM_CLOSE:
      if (window == popup_) close_with_focus(wparam == 0);
      return 0;
    case WM_KEYDOWN:
      if (wparam != VK_ESCAPE) break;
      PostMessageW(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_DPICHANGED:
      PostMessageW(window, WM_CLOSE, 0, 0);
      return 0;
    case WM_NCDESTROY:
      if (window == popup_) {
        host_.detach();
        popup_ = nullptr;
        owner_ = nullptr;
      }
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace win32_ui::modern
