// The input side of Surface::Impl: keys, mouse, wheel, touch and pen
// messages become KeyEvent and PointerEvent records for the view root, with
// Tab and arrow-key focus movement and wheel scrolling as the defaults, the
// cursor follows the view under the pointer and context menus are anchored.
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "ui/views/key_codes.h"
#include "ui/views/surface_impl.h"
#include "ui/views/view_group.h"

namespace win32_ui::modern {
namespace {

using ui::graphics::Point;

constexpr float kWheelNotch = 120.0f;
// DIP scrolled by one unhandled wheel notch.
constexpr float kScrollPerNotch = 48.0f;
constexpr unsigned kMousePointerId = 1;

std::int32_t toolkit_key(WPARAM wparam) {
  const auto vk = static_cast<unsigned>(wparam);
  switch (vk) {
    case VK_TAB: return kKeyTab;
    case VK_RETURN: return kKeyEnter;
    case VK_SPACE: return kKeySpace;
    case VK_ESCAPE: return kKeyEscape;
    case VK_LEFT: return kKeyLeft;
    case VK_UP: return kKeyUp;
    case VK_RIGHT: return kKeyRight;
    case VK_DOWN: return kKeyDown;
    default: break;
  }
  if (vk >= '0' && vk <= '9') return 9 + static_cast<std::int32_t>(vk - '0');
  if (vk >= 'A' && vk <= 'Z') return 19 + static_cast<std::int32_t>(vk - 'A');
  if (vk >= VK_F1 && vk <= VK_F24) return 45 + static_cast<std::int32_t>(vk - VK_F1);
  return 0;
}

bool key_down(int virtual_key) { return (GetKeyState(virtual_key) & 0x8000) != 0; }

std::int32_t current_modifiers() {
  std::int32_t modifiers = 0;
  if (key_down(VK_SHIFT)) modifiers |= KeyEvent::kShift;
  if (key_down(VK_CONTROL)) modifiers |= KeyEvent::kCtrl;
  if (key_down(VK_MENU)) modifiers |= KeyEvent::kAlt;
  if (key_down(VK_LWIN) || key_down(VK_RWIN)) modifiers |= KeyEvent::kWindows;
  return modifiers;
}

PointerButtons buttons_from_mouse_keys(WPARAM keys) {
  PointerButtons buttons = 0;
  if ((keys & MK_LBUTTON) != 0) buttons |= kButtonFirst;
  if ((keys & MK_RBUTTON) != 0) buttons |= kButtonSecond;
  if ((keys & MK_MBUTTON) != 0) buttons |= kButtonThird;
  if ((keys & MK_XBUTTON1) != 0) buttons |= kButtonFourth;
  if ((keys & MK_XBUTTON2) != 0) buttons |= kButtonFifth;
  return buttons;
}

PointerButtons buttons_from_pointer_flags(POINTER_FLAGS flags) {
  PointerButtons buttons = 0;
  if ((flags & POINTER_FLAG_FIRSTBUTTON) != 0) buttons |= kButtonFirst;
  if ((flags & POINTER_FLAG_SECONDBUTTON) != 0) buttons |= kButtonSecond;
  if ((flags & POINTER_FLAG_THIRDBUTTON) != 0) buttons |= kButtonThird;
  if ((flags & POINTER_FLAG_FOURTHBUTTON) != 0) buttons |= kButtonFourth;
  if ((flags & POINTER_FLAG_FIFTHBUTTON) != 0) buttons |= kButtonFifth;
  return buttons;
}

PointerDevice device_of(POINTER_INPUT_TYPE type) {
  if (type == PT_TOUCH) return kDeviceTouch;
  if (type == PT_PEN) return kDevicePen;
  return kDeviceMouse;
}

// A context-menu coordinate that says "opened from the keyboard".
bool is_keyboard_coordinate(int value) { return value == -1 || value == -2; }

View* find_selected_with_context_handler(View* view) {
  if (view == nullptr) return nullptr;
  if (view->is_selected() && view->has_context_handler()) return view;
  if (const auto* group = dynamic_cast<const ViewGroup*>(view)) {
    for (std::size_t i = 0; i < group->child_count(); ++i) {
      if (View* found = find_selected_with_context_handler(group->child_at(i))) return found;
    }
  }
  return nullptr;
}

}  // namespace

std::optional<LRESULT> Surface::Impl::input_message(UINT message, WPARAM wparam, LPARAM lparam) {
  View* const root = view_root.root_view();
  switch (message) {
    case WM_SETFOCUS:
      if (root != nullptr && view_root.focus_manager().focused_view() == nullptr) {
        cycle_focus(false, false);
      }
      invalidate_window();
      return 0;
    case WM_KILLFOCUS:
      if (root != nullptr && view_root.captured_view(kMousePointerId) != nullptr) {
        dispatch_pointer(kPointerCancel, {}, 0, 0.0f, kMousePointerId, kDeviceMouse, 0.0f,
                         nullptr);
      }
      invalidate_window();
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
      if (dispatch_key(message, wparam, lparam)) return 0;
      return std::nullopt;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSELEAVE:
    case WM_CAPTURECHANGED:
      return on_mouse_message(message, wparam, lparam);
    case WM_MOUSEWHEEL:
      return on_mouse_wheel(false, wparam, lparam);
    case WM_MOUSEHWHEEL:
      return on_mouse_wheel(true, wparam, lparam);
    case WM_POINTERUPDATE:
    case WM_POINTERDOWN:
    case WM_POINTERUP:
    case WM_POINTERENTER:
    case WM_POINTERLEAVE:
    case WM_POINTERCAPTURECHANGED:
    case WM_POINTERWHEEL:
    case WM_POINTERHWHEEL:
      if (root == nullptr) return std::nullopt;
      handle_pointer_message(message, wparam);
      return 0;
    case WM_SETCURSOR:
      return on_set_cursor(lparam);
    case WM_CONTEXTMENU:
      if (root == nullptr) return std::nullopt;
      return on_context_menu(lparam);
    default:
      return std::nullopt;
  }
}

// ---- Keys ----

bool Surface::Impl::dispatch_key(UINT message, WPARAM wparam, LPARAM lparam) {
  KeyEvent event;
  if (message == WM_CHAR || message == WM_SYSCHAR) {
    event.kind = KeyEvent::kCharacter;
  } else if (message == WM_KEYUP || message == WM_SYSKEYUP) {
    event.kind = KeyEvent::kUp;
  } else {
    event.kind = KeyEvent::kDown;
  }
  event.key = toolkit_key(wparam);
  event.modifiers = current_modifiers();
  event.virtual_key = static_cast<std::uint32_t>(wparam);
  event.repeat_count = std::max<std::int32_t>(LOWORD(lparam), 1);
  event.repeat = ((static_cast<std::uint64_t>(lparam) >> 30) & 1) != 0;
  event.character = event.kind == KeyEvent::kCharacter ? static_cast<std::uint32_t>(wparam) : 0;
  event.target = view_root.focus_manager().focused_view();
  return view_root.dispatch_key(event, [this](KeyEvent& key) {
    if (handle_default_key(key)) key.handled = true;
  });
}

bool Surface::Impl::handle_default_key(const KeyEvent& event) {
  if (event.kind != KeyEvent::kDown) return false;
  if (event.key == kKeyTab) {
    // Ctrl and Alt do not change Tab: Ctrl+Tab moves forwards too.
    cycle_focus((event.modifiers & KeyEvent::kShift) != 0, true);
    return true;
  }
  if (view_root.root_view() == nullptr || event.modifiers != 0) return false;
  // A hosted control moves its caret or selection with the arrows itself.
  if (dynamic_cast<const NativeHost*>(event.target) != nullptr) return false;
  FocusDirection direction = 0;
  switch (event.key) {
    case kKeyLeft: direction = kFocusLeft; break;
    case kKeyUp: direction = kFocusUp; break;
    case kKeyRight: direction = kFocusRight; break;
    case kKeyDown: direction = kFocusDown; break;
    default: return false;
  }
  return view_root.focus_manager().move_focus(direction, kFocusKeyboard);
}

void Surface::Impl::cycle_focus(bool backwards, bool keyboard) {
  if (view_root.root_view() == nullptr) return;
  view_root.focus_manager().move_focus(backwards ? kFocusPrevious : kFocusNext,
                                       keyboard ? kFocusKeyboard : kFocusProgrammatic);
}

// ---- Pointers ----

Point Surface::Impl::client_to_content(float x, float y) const {
  const ui::graphics::DpiScale scale = dpi_scale();
  return {scale.to_dip(x), scale.to_dip(y) + scroll_offset};
}

Surface::Impl::PointerDispatch Surface::Impl::dispatch_pointer(
    PointerAction action, Point position, PointerButtons buttons, float wheel_y,
    unsigned pointer_id, PointerDevice device, float wheel_x, View* target) {
  if (view_root.root_view() == nullptr) return {};
  PointerEvent event;
  event.action = action;
  event.device = device;
  event.pointer_id = pointer_id;
  event.position = position;
  event.local_position = position;
  event.wheel_y = wheel_y;
  event.wheel_x = wheel_x;
  event.buttons = buttons;
  event.handler = target;
  const std::uint64_t generation = element_generation;
  PointerDispatch result;
  view_root.dispatch_pointer(event, [&result](PointerEvent& done) {
    result = {-1, done.handled};
  });
  // A handler replaced the content: the event was for a tree that is gone.
  if (element_generation != generation) return {};
  return result;
}

LRESULT Surface::Impl::on_mouse_message(UINT message, WPARAM wparam, LPARAM lparam) {
  const bool has_tree = view_root.root_view() != nullptr;
  const ui::graphics::DpiScale scale = dpi_scale();
  const Point position{
      static_cast<float>(std::lround(scale.to_dip(static_cast<float>(GET_X_LPARAM(lparam))))),
      static_cast<float>(std::lround(scale.to_dip(static_cast<float>(GET_Y_LPARAM(lparam))))) +
          scroll_offset};
  const PointerButtons buttons = buttons_from_mouse_keys(wparam);
  const auto dispatch = [&](PointerAction action, Point at) {
    dispatch_pointer(action, at, buttons, 0.0f, kMousePointerId, kDeviceMouse, 0.0f, nullptr);
  };
  switch (message) {
    case WM_MOUSEMOVE:
      if (!mouse_tracking) {
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd, 0};
        mouse_tracking = TrackMouseEvent(&track) != FALSE;
      }
      if (has_tree) dispatch(kPointerMove, position);
      return 0;
    case WM_LBUTTONDOWN:
      SetFocus(hwnd);
      if (has_tree) dispatch(kPointerDown, position);
      break;
    case WM_LBUTTONUP:
      if (!has_tree) {
        release_pointer(kMousePointerId);
      } else if (view_root.captured_view(kMousePointerId) != nullptr) {
        dispatch(kPointerUp, position);
      }
      break;
    case WM_MOUSELEAVE:
      if (has_tree) dispatch(kPointerLeave, {});
      mouse_tracking = false;
      break;
    case WM_CAPTURECHANGED:
      pointers_captured.clear();
      if (has_tree && view_root.captured_view(kMousePointerId) != nullptr &&
          reinterpret_cast<HWND>(lparam) != hwnd) {
        dispatch_pointer(kPointerCancel, {}, 0, 0.0f, kMousePointerId, kDeviceMouse, 0.0f,
                         nullptr);
      }
      break;
    default:
      return 0;
  }
  invalidate_window();
  return 0;
}

std::optional<LRESULT> Surface::Impl::on_mouse_wheel(bool horizontal, WPARAM wparam,
                                                      LPARAM lparam) {
  POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  ScreenToClient(hwnd, &point);
  const Point position =
      client_to_content(static_cast<float>(point.x), static_cast<float>(point.y));
  const float notches = static_cast<float>(GET_WHEEL_DELTA_WPARAM(wparam)) / kWheelNotch;
  const PointerButtons buttons = buttons_from_mouse_keys(GET_KEYSTATE_WPARAM(wparam));
  if (view_root.root_view() != nullptr) {
    const PointerDispatch result =
        horizontal ? dispatch_pointer(kPointerWheel, position, buttons, 0.0f, kMousePointerId,
                                      kDeviceMouse, notches, nullptr)
                   : dispatch_pointer(kPointerWheel, position, buttons, notches,
                                      kMousePointerId, kDeviceMouse, 0.0f, nullptr);
    if (result.handled) return 0;
  }
  // There is no horizontal scrolling.
  if (horizontal) return std::nullopt;
  if (scroll_by_notches(notches)) {
    place_native_hosts();
    sync_tooltips();
    invalidate_window();
  }
  return 0;
}

bool Surface::Impl::scroll_by_notches(float notches) {
  const float before = scroll_offset;
  scroll_offset -= notches * kScrollPerNotch;
  clamp_scroll();
  return scroll_offset != before;
}

void Surface::Impl::handle_pointer_message(UINT message, WPARAM wparam) {
  const unsigned id = GET_POINTERID_WPARAM(wparam);
  if (message == WM_POINTERCAPTURECHANGED) {
    const bool pressed = view_root.captured_view(id) != nullptr;
    pointers_down.erase(id);
    if (pressed) pointers_cancelling.insert(id);
    dispatch_pointer(kPointerCancel, {}, 0, 0.0f, id, kDeviceMouse, 0.0f, nullptr);
    pointers_cancelling.erase(id);
    invalidate_window();
    return;
  }
  POINTER_INFO info{};
  const BOOL read = services_.read_pointer_info ? services_.read_pointer_info(id, &info)
                                                : GetPointerInfo(id, &info);
  if (!read) return;
  POINT point = info.ptPixelLocation;
  ScreenToClient(hwnd, &point);
  const Point position =
      client_to_content(static_cast<float>(point.x), static_cast<float>(point.y));
  const PointerButtons buttons = buttons_from_pointer_flags(info.pointerFlags);
  const PointerDevice device = device_of(info.pointerType);
  current_pointer_id = id;
  const auto dispatch = [&](PointerAction action, float wheel_y, float wheel_x) {
    return dispatch_pointer(action, position, buttons, wheel_y, id, device, wheel_x, nullptr);
  };
  if ((info.pointerFlags & POINTER_FLAG_CANCELED) != 0) {
    dispatch(kPointerCancel, 0.0f, 0.0f);
    pointers_down.erase(id);
    invalidate_window();
    return;
  }
  const float notches = static_cast<float>(GET_WHEEL_DELTA_WPARAM(wparam)) / kWheelNotch;
  switch (message) {
    case WM_POINTERUPDATE:
      dispatch(kPointerMove, 0.0f, 0.0f);
      break;
    case WM_POINTERDOWN:
      pointers_down.insert(id);
      if (dispatch(kPointerDown, 0.0f, 0.0f).handled) invalidate_window();
      break;
    case WM_POINTERUP:
      dispatch(kPointerUp, 0.0f, 0.0f);
      pointers_down.erase(id);
      invalidate_window();
      break;
    case WM_POINTERENTER:
      dispatch(kPointerEnter, 0.0f, 0.0f);
      break;
    case WM_POINTERLEAVE:
      dispatch(kPointerLeave, 0.0f, 0.0f);
      if (view_root.captured_view(id) == nullptr) pointers_down.erase(id);
      break;
    case WM_POINTERWHEEL:
      if (!dispatch(kPointerWheel, notches, 0.0f).handled) {
        scroll_by_notches(notches);
        place_native_hosts();
        sync_tooltips();
        invalidate_window();
      }
      break;
    case WM_POINTERHWHEEL:
      dispatch(kPointerWheel, 0.0f, notches);
      break;
    default:
      break;
  }
}

// ---- Cursor and context menu ----

std::optional<LRESULT> Surface::Impl::on_set_cursor(LPARAM lparam) {
  View* const root = view_root.root_view();
  if (LOWORD(lparam) != HTCLIENT || root == nullptr) return std::nullopt;
  POINT point{};
  if (!GetCursorPos(&point) || !ScreenToClient(hwnd, &point)) return std::nullopt;
  HitTestResult hit;
  if (!root->hit_test(client_to_content(static_cast<float>(point.x), static_cast<float>(point.y)),
                      hit) ||
      hit.view == nullptr) {
    return std::nullopt;
  }
  const int kind = hit.view->cursor_kind();
  const wchar_t* cursor = kind == kCursorHand            ? IDC_HAND
                          : kind == kCursorSizeWestEast ? IDC_SIZEWE
                                                         : nullptr;
  if (cursor == nullptr) return std::nullopt;
  SetCursor(LoadCursorW(nullptr, cursor));
  return TRUE;
}

LRESULT Surface::Impl::on_context_menu(LPARAM lparam) {
  const int x = GET_X_LPARAM(lparam);
  const int y = GET_Y_LPARAM(lparam);
  POINT anchor{x, y};
  PointerDevice device = kDeviceMouse;
  View* target = nullptr;
  if (is_keyboard_coordinate(x) && is_keyboard_coordinate(y)) {
    for (View* v = view_root.focus_manager().focused_view(); v != nullptr; v = v->parent()) {
      if (v->has_context_handler()) {
        target = v;
        break;
      }
    }
    if (target == nullptr) target = find_selected_with_context_handler(view_root.root_view());
    if (target == nullptr) return 0;
    const layout::LayoutRect bounds = target->bounds_in_root();
    const ui::graphics::DpiScale scale = dpi_scale();
    // Root coordinates are content coordinates: the client point is above
    // them by the scroll.
    anchor = {std::lround(scale.to_px(bounds.x + std::min(bounds.width / 2.0f, 24.0f))),
              std::lround(scale.to_px(bounds.y + bounds.height / 2.0f - scroll_offset))};
    ClientToScreen(hwnd, &anchor);
    device = kDeviceKeyboard;
  }
  ScreenToClient(hwnd, &anchor);
  dispatch_pointer(kPointerContextMenu,
                   client_to_content(static_cast<float>(anchor.x), static_cast<float>(anchor.y)),
                   0, 0.0f, kMousePointerId, device, 0.0f, target);
  invalidate_window();
  return 0;
}

}  // namespace win32_ui::modern
