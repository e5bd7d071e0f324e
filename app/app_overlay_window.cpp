// The region overlay's window and its idle state: click-through or
// interactive, hidden between selections.
#include <stdexcept>

#include "app/app.h"
#include "app/app_messages.h"

namespace quorvel::windows {
namespace {

constexpr DWORD kOverlayExStyle =
    WS_EX_TOPMOST | WS_EX_TRANSPARENT | WS_EX_TOOLWINDOW | WS_EX_LAYERED | WS_EX_NOACTIVATE;
constexpr LONG_PTR kClickThroughStyle = WS_EX_TRANSPARENT | WS_EX_NOACTIVATE;

}  // namespace

void App::create_overlay_window() {
  overlay_window_ = CreateWindowExW(kOverlayExStyle, kOverlayWindowClass, L"", WS_POPUP, 0, 0, 100,
                                    100, nullptr, nullptr, instance_, this);
  if (overlay_window_ == nullptr) throw std::runtime_error("failed to create overlay");
  SetLayeredWindowAttributes(overlay_window_, kOverlayColorKey, 255, LWA_COLORKEY);
  // Not every system can keep a window out of capture; the overlay is
  // still usable, only visible in recordings.
  exclude_from_capture(overlay_window_, WDA_EXCLUDEFROMCAPTURE);
}

BOOL App::exclude_from_capture(HWND window, DWORD affinity) const {
  if (platform_.exclude_from_capture) return platform_.exclude_from_capture(window, affinity);
  return SetWindowDisplayAffinity(window, affinity);
}

LRESULT CALLBACK App::overlay_window_proc(HWND window, UINT message, WPARAM wparam,
                                          LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  if (auto* app = reinterpret_cast<App*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
    return app->handle_overlay_message(window, message, wparam, lparam);
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT CALLBACK App::control_window_proc(HWND window, UINT message, WPARAM wparam,
                                          LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* app = reinterpret_cast<App*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (app == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  // The bar's timer is the session's heartbeat; closing the bar asks for a
  // stop instead of closing it.
  switch (message) {
    case WM_TIMER:
      if (wparam == 1) {
        app->check_control_dpi(false);
        app->tick();
      }
      return 0;
    case WM_CLOSE:
      app->request_stop(true);
      return 0;
    case WM_DESTROY:
      KillTimer(window, 1);
      return 0;
    case WM_SETTINGCHANGE:
    case WM_DISPLAYCHANGE:
      if (app->capture_) app->capture_->request_refresh();
      PostMessageW(window, kCheckControlDpiMessage, 0, 0);
      return DefWindowProcW(window, message, wparam, lparam);
    case WM_MOVING:
      // A bar the user drags is no longer docked.
      app->dock_mode_ = 0;
      return DefWindowProcW(window, message, wparam, lparam);
    case WM_DPICHANGED:
      app->apply_control_dpi(HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
    case kCheckControlDpiMessage:
      app->check_control_dpi(true);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

void App::set_overlay_interactive(bool interactive) {
  overlay_interactive_ = interactive && !recording_;
  if (!selecting_) SetLayeredWindowAttributes(overlay_window_, kOverlayColorKey, 255, LWA_COLORKEY);
  apply_overlay_style(overlay_interactive_);
}

void App::apply_overlay_style(bool interactive) {
  LONG_PTR style = GetWindowLongPtrW(overlay_window_, GWL_EXSTYLE);
  style = interactive ? (style & ~kClickThroughStyle) : (style | kClickThroughStyle);
  SetWindowLongPtrW(overlay_window_, GWL_EXSTYLE, style);
  SetWindowPos(overlay_window_, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
  InvalidateRect(overlay_window_, nullptr, TRUE);
}

void App::hide_overlay() {
  if (busy()) return;
  if (GetCapture() == overlay_window_) ReleaseCapture();
  selecting_ = false;
  region_ready_ = false;
  clear_selection_state();
  release_region_snapshot();
  set_overlay_interactive(false);
  InvalidateRect(overlay_window_, nullptr, TRUE);
  ShowWindow(overlay_window_, SW_HIDE);
  // Without a region there is nothing to record: the main window says so.
  update_record_availability();
  InvalidateRect(overlay_window_, nullptr, TRUE);
}

}  // namespace quorvel::windows
