// The App's window classes and the message-host window's procedure.
#include <cstddef>
#include <optional>
#include <stdexcept>

#include "app/app.h"
#include "app/app_messages.h"

namespace quorvel::windows {
namespace {

// The App pointer of a window whose creation parameter was the App: stored
// on WM_NCCREATE, read afterwards; null before.
App* app_of(HWND window, UINT message, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<App*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HICON load_program_icon(HINSTANCE instance, int width_metric, int height_metric) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                       GetSystemMetrics(width_metric),
                                       GetSystemMetrics(height_metric), LR_SHARED));
}

// The table row of a registered hotkey id: 1000-1008 while recording, 1200
// and 1201 for the two that stay registered.
std::optional<std::size_t> hotkey_row(WPARAM id) {
  const auto value = static_cast<int>(id);
  constexpr int kRecordingRows = 9;
  if (value >= kFirstRecordingHotkeyId && value < kFirstRecordingHotkeyId + kRecordingRows) {
    return static_cast<std::size_t>(value - kFirstRecordingHotkeyId);
  }
  if (value == kFirstIdleHotkeyId || value == kFirstIdleHotkeyId + 1) {
    return static_cast<std::size_t>(value - kFirstIdleHotkeyId + kRecordingRows);
  }
  return std::nullopt;
}

constexpr const wchar_t* kClassNames[] = {kHostWindowClass, kControlWindowClass,
                                          kOverlayWindowClass};

}  // namespace

void App::register_window_classes() {
  WNDCLASSEXW host{};
  host.cbSize = sizeof(host);
  host.lpfnWndProc = &App::host_window_proc;
  host.hInstance = instance_;
  host.lpszClassName = kHostWindowClass;

  WNDCLASSEXW control{};
  control.cbSize = sizeof(control);
  control.style = CS_HREDRAW | CS_VREDRAW;
  control.lpfnWndProc = &App::control_window_proc;
  control.hInstance = instance_;
  control.hIcon = load_program_icon(instance_, SM_CXICON, SM_CYICON);
  control.hIconSm = load_program_icon(instance_, SM_CXSMICON, SM_CYSMICON);
  control.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  control.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  control.lpszClassName = kControlWindowClass;

  WNDCLASSEXW overlay{};
  overlay.cbSize = sizeof(overlay);
  overlay.style = CS_HREDRAW | CS_VREDRAW;
  overlay.lpfnWndProc = &App::overlay_window_proc;
  overlay.hInstance = instance_;
  overlay.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  overlay.lpszClassName = kOverlayWindowClass;

  const WNDCLASSEXW* classes[] = {&host, &control, &overlay};
  bool all_registered = true;
  for (std::size_t i = 0; i < std::size(classes); ++i) {
    class_registered_[i] = RegisterClassExW(classes[i]) != 0;
    all_registered = all_registered && class_registered_[i];
  }
  if (!all_registered) throw std::runtime_error("failed to register window classes");
}

void App::unregister_window_classes() {
  for (std::size_t i = 0; i < std::size(kClassNames); ++i) {
    if (class_registered_[i]) UnregisterClassW(kClassNames[i], instance_);
    class_registered_[i] = false;
  }
}

void App::create_host_window() {
  host_window_ = CreateWindowExW(WS_EX_TOOLWINDOW, kHostWindowClass, kHostWindowTitle, WS_POPUP, 0,
                                 0, 0, 0, nullptr, nullptr, instance_, this);
  if (host_window_ == nullptr) throw std::runtime_error("failed to create message host");
}

LRESULT CALLBACK App::host_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  App* app = app_of(window, message, lparam);
  if (app == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return app->handle_host_message(window, message, wparam, lparam);
}

LRESULT App::handle_host_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (tray_.handle_message(message, wparam, lparam)) return 0;
  switch (message) {
    case WM_DESTROY:
      unregister_recording_hotkeys();
      unregister_idle_hotkeys();
      tray_.clear_icon();
      capture_->stop();
      if (overlay_window_ != nullptr) DestroyWindow(overlay_window_);
      overlay_window_ = nullptr;
      host_window_ = nullptr;
      PostQuitMessage(0);
      return 0;
    case WM_CLOSE:
      // Only the program's own exit closes the host; a WM_CLOSE from outside
      // would otherwise end it behind the user's back.
      if (exiting_) return DefWindowProcW(window, message, wparam, lparam);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The session ends: leave the way the user's Exit does, so a running
      // recording is finished rather than cut off.
      if (wparam != 0) exit_application();
      return 0;
    case WM_SETTINGCHANGE:
    case WM_DISPLAYCHANGE:
      capture_->request_refresh();
      return DefWindowProcW(window, message, wparam, lparam);
    case WM_COMMAND:
      switch (LOWORD(wparam)) {
        case kTrayCommandShow:
          bring_to_front();
          break;
        case kTrayCommandScreenshot:
          begin_screenshot();
          break;
        case kTrayCommandStartup:
          toggle_start_with_windows();
          break;
        case kTrayCommandExit:
          exit_application();
          break;
        default:
          break;
      }
      return 0;
    case WM_HOTKEY:
      if (const std::optional<std::size_t> row = hotkey_row(wparam)) run_hotkey_action(*row);
      return 0;
    case kStartupCheckMessage:
      check_startup_hotkey_conflicts();
      return 0;
    case kStopRecordingMessage:
      if (stop_requested_) stop_recording(wparam != 0);
      return 0;
    case kStartRecordingMessage:
      if (region_ready_) start_recording(host_window_);
      return 0;
    case kWakeUpMessage:
      bring_to_front();
      return 0;
    case kAccountStartEndedMessage:
      // Rebuilding the account row closes an open help menu: only a start
      // that changed the sign-in is worth that.
      if (wparam != 0) account_changed();
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace quorvel::windows
