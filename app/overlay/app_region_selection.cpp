// The App's region selection on the frozen monitor image: entering and
// leaving it, the pointer and key input, and the selection it keeps.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

#include "app/app.h"
#include "app/app_messages.h"
#include "app/overlay/monitor_rect.h"
#include "app/overlay/selection_geometry.h"
#include "app/overlay/window_at_point.h"
#include "ui/platform/scaffold/message_dialog.h"

namespace quorvel::windows {
namespace {

constexpr LONG_PTR kClickThroughStyle = WS_EX_TRANSPARENT | WS_EX_NOACTIVATE;

std::wstring hresult_text(HRESULT result) {
  wchar_t text[9]{};
  std::swprintf(text, std::size(text), L"%08X", static_cast<unsigned>(result));
  return text;
}

}  // namespace

void App::begin_region_selection(bool record_afterwards) {
  if (busy() || selecting_ || (editor_ && editor_->is_open())) return;
  record_afterwards_ = record_afterwards;
  reactivate_main_window_ = main_window_ && main_window_->is_visible();
  clear_selection_state();
  selecting_ = true;
  region_ready_ = false;

  update_record_availability();
  ShowWindow(overlay_window_, SW_HIDE);
  overlay_interactive_ = false;
  SetWindowLongPtrW(overlay_window_, GWL_EXSTYLE,
                    GetWindowLongPtrW(overlay_window_, GWL_EXSTYLE) | kClickThroughStyle);
  SetWindowPos(overlay_window_, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
  InvalidateRect(overlay_window_, nullptr, TRUE);

  capture_->stop();
  HRESULT result = capture_region_snapshot();
  const bool restarted = start_desktop_capture();
  if (SUCCEEDED(result) && !restarted) result = E_FAIL;
  if (FAILED(result)) {
    refuse_selection(result);
    return;
  }
  enter_selection();
}

void App::enter_selection() {
  SetWindowLongPtrW(overlay_window_, GWL_EXSTYLE,
                    GetWindowLongPtrW(overlay_window_, GWL_EXSTYLE) & ~kClickThroughStyle);
  // Opaque: the frozen image covers the monitor, nothing shows through.
  SetLayeredWindowAttributes(overlay_window_, 0, 255, LWA_ALPHA);
  position_overlay(monitor_rect_);
  SetWindowPos(overlay_window_, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
  SetForegroundWindow(overlay_window_);
  SetFocus(overlay_window_);

  const SIZE monitor = monitor_size();
  POINT cursor{};
  if (GetCursorPos(&cursor)) {
    const POINT origin = monitor_origin(monitor_rect_);
    pointer_.x = std::clamp<LONG>(cursor.x - origin.x, 0, std::max<LONG>(monitor.cx - 1, 0));
    pointer_.y = std::clamp<LONG>(cursor.y - origin.y, 0, std::max<LONG>(monitor.cy - 1, 0));
    pointer_known_ = true;
  }
  if (selecting_ && !button_down_ && pointer_known_) {
    set_selection(initial_selection(pointer_, SIZE{setup_.width, setup_.height}, monitor_rect_),
                  SelectionMode::current_size);
  }
  InvalidateRect(overlay_window_, nullptr, TRUE);
}

void App::refuse_selection(HRESULT result) {
  record_afterwards_ = false;
  selecting_ = false;
  release_region_snapshot();
  update_record_availability();
  ShowWindow(overlay_window_, SW_HIDE);
  restore_main_window();
  const HWND owner = main_window_ && main_window_->is_visible() && main_window_->window() != nullptr
                         ? main_window_->window()
                         : host_window_;
  show_message_to(owner, L"message.snapshot_failed", {hresult_text(result)}, MB_ICONERROR);
}

int App::show_message_to(HWND owner, std::wstring_view key, std::vector<std::wstring> arguments,
                         unsigned flags) {
  if (platform_.message) return platform_.message(owner, key, arguments, flags);
  return win32_ui::scaffold::message_box(application_, owner,
                                         localized_text(key, std::move(arguments)), L"Quorvel",
                                         flags);
}

void App::clear_selection_state() {
  button_down_ = false;
  drag_started_ = false;
  pointer_known_ = false;
  selection_present_ = false;
  overlay_message_.clear();
}

void App::end_region_selection() {
  if (!selecting_) return;
  record_afterwards_ = false;
  hide_overlay();
  restore_main_window();
}

void App::confirm_region_selection() {
  if (!selecting_ || !selection_present_) return;
  button_down_ = false;
  drag_started_ = false;
  const RegionCheck check = check_region(selection_, monitor_size());
  if (check.verdict != RegionVerdict::accepted) {
    overlay_message_ = localized_text(region_verdict_key(check.verdict));
    InvalidateRect(overlay_window_, nullptr, TRUE);
    return;
  }
  selecting_ = false;
  pointer_known_ = false;
  selection_present_ = false;
  if (GetCapture() == overlay_window_) ReleaseCapture();
  overlay_message_.clear();
  ShowWindow(overlay_window_, SW_HIDE);
  release_region_snapshot();

  const RECT& f = check.fitted;
  set_capture_area((f.left + f.right) * 0.5 + monitor_rect_.left,
                   (f.top + f.bottom) * 0.5 + monitor_rect_.top,
                   static_cast<uint32_t>(f.right - f.left), static_cast<uint32_t>(f.bottom - f.top),
                   selection_mode_ != SelectionMode::current_size, true, nullptr);
  region_ready_ = true;
  refresh_main_window(false);
  set_overlay_interactive(true);
  position_overlay(capture_area_);
  update_record_availability();
  ShowWindow(overlay_window_, SW_SHOWNOACTIVATE);
  InvalidateRect(overlay_window_, nullptr, TRUE);
  restore_main_window();
  // The quick-record hotkey promises a recording of what was picked: ask the
  // host for it once, now that a region is ready.
  if (record_afterwards_) {
    record_afterwards_ = false;
    PostMessageW(host_window_, kStartRecordingMessage, 0, 0);
  }
}

LRESULT App::handle_selection_input(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_MOUSEMOVE:
      return on_overlay_mouse_move(lparam);
    case WM_LBUTTONDOWN:
      return on_overlay_button_down(lparam);
    case WM_LBUTTONUP:
      if (!button_down_) break;
      return on_overlay_button_up(lparam);
    case WM_RBUTTONDOWN:
      end_region_selection();
      return 0;
    case WM_KEYDOWN:
      if (wparam == VK_RETURN) {
        confirm_region_selection();
        return 0;
      }
      if (wparam == VK_ESCAPE) {
        end_region_selection();
        return 0;
      }
      break;
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, IDC_CROSS));
      return TRUE;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

namespace {

SIZE client_size(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return {client.right - client.left, client.bottom - client.top};
}

SIZE drag_metrics() { return {GetSystemMetrics(SM_CXDRAG), GetSystemMetrics(SM_CYDRAG)}; }

}  // namespace

LRESULT App::on_overlay_mouse_move(LPARAM lparam) {
  const POINT p = overlay_point(lparam, client_size(overlay_window_));
  if (pointer_known_ && p.x == pointer_.x && p.y == pointer_.y) return 0;
  if (pointer_known_) invalidate_loupe(pointer_);
  pointer_ = p;
  pointer_known_ = true;
  if (button_down_) {
    if (!drag_started_ && drag_threshold_passed(anchor_, p, drag_metrics())) drag_started_ = true;
    if (drag_started_) set_selection(free_rect(anchor_, p), SelectionMode::free_region);
  } else {
    RECT window{};
    if (window_at_point(p, window)) {
      set_selection(window, SelectionMode::window);
    } else {
      const SIZE monitor = monitor_size();
      set_selection(RECT{0, 0, monitor.cx, monitor.cy}, SelectionMode::entire_screen);
    }
  }
  invalidate_loupe(p);
  return 0;
}

LRESULT App::on_overlay_button_down(LPARAM lparam) {
  if (pointer_known_) invalidate_loupe(pointer_);
  const POINT p = overlay_point(lparam, client_size(overlay_window_));
  anchor_ = pointer_ = p;
  button_down_ = true;
  drag_started_ = false;
  pointer_known_ = true;
  if (!overlay_message_.empty()) {
    overlay_message_.clear();
    InvalidateRect(overlay_window_, nullptr, FALSE);
  }
  SetCapture(overlay_window_);
  invalidate_loupe(p);
  return 0;
}

LRESULT App::on_overlay_button_up(LPARAM lparam) {
  if (pointer_known_) invalidate_loupe(pointer_);
  pointer_ = overlay_point(lparam, client_size(overlay_window_));
  pointer_known_ = true;
  if (!drag_started_ && drag_threshold_passed(anchor_, pointer_, drag_metrics())) {
    drag_started_ = true;
  }
  if (drag_started_) set_selection(free_rect(anchor_, pointer_), SelectionMode::free_region);
  button_down_ = false;
  if (GetCapture() == overlay_window_) ReleaseCapture();
  confirm_region_selection();
  return 0;
}

void App::set_selection(RECT selection, SelectionMode mode) {
  if (selection_present_ && selection_mode_ == mode && EqualRect(&selection_, &selection)) return;
  const UINT dpi = overlay_dpi();
  if (selection_present_) {
    for (const RECT& band : selection_edge_bands(selection_, dpi)) {
      InvalidateRect(overlay_window_, &band, FALSE);
    }
  }
  selection_ = selection;
  selection_mode_ = mode;
  selection_present_ = true;
  for (const RECT& band : selection_edge_bands(selection_, dpi)) {
    InvalidateRect(overlay_window_, &band, FALSE);
  }
  const RECT hint = hint_rect();
  InvalidateRect(overlay_window_, &hint, FALSE);
}

void App::invalidate_loupe(POINT pointer) {
  const RECT area = loupe_invalidation_rect(loupe_rect(pointer), overlay_dpi());
  InvalidateRect(overlay_window_, &area, FALSE);
}

RECT App::fit_region(RECT region) const { return quorvel::windows::fit_region(region, monitor_size()); }

bool App::window_at_point(POINT client_point, RECT& result) const {
  const std::array<HWND, 3> skipped{host_window_, overlay_window_, control_window_};
  return quorvel::windows::window_at_point(client_point, monitor_rect_, skipped, result);
}

RECT App::hint_rect() const {
  RECT client{};
  GetClientRect(overlay_window_, &client);
  return quorvel::windows::hint_rect(client.right - client.left, overlay_dpi());
}

RECT App::loupe_rect(POINT pointer) const {
  LoupePlacement placement;
  placement.client = client_size(overlay_window_);
  placement.dpi = overlay_dpi();
  placement.cell = loupe_cell();
  if (selection_present_) placement.selection = selection_;
  placement.drag_started = drag_started_;
  placement.anchor = anchor_;
  return quorvel::windows::loupe_rect(pointer, placement);
}

SIZE App::loupe_cell() const {
  // Two millimetres of the physical screen per magnified pixel.
  const auto [width, height] = millimetres_to_pixels(display_density_, overlay_dpi(), 2.0);
  return {width, height};
}

SIZE App::monitor_size() const { return monitor_pixel_size(monitor_rect_); }

UINT App::overlay_dpi() const {
  const UINT dpi = overlay_window_ != nullptr ? GetDpiForWindow(overlay_window_) : 0;
  return dpi != 0 ? dpi : 96;
}

}  // namespace quorvel::windows
