// What hosted native controls tell the Surface window: their notifications
// become the hosts' events, their focus becomes view focus, the keys they
// do not consume run through the view tree, and they are coloured and
// owner-drawn in the surface's theme.
#include "ui/views/surface_impl.h"

namespace win32_ui::modern {
namespace {

bool is_combo_list_of_child(HWND parent, HWND control) {
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (GetComboBoxInfo(child, &info) && info.hwndList == control) return true;
  }
  return false;
}

}  // namespace

std::optional<LRESULT> Surface::Impl::native_control_message(UINT message, WPARAM wparam,
                                                              LPARAM lparam) {
  switch (message) {
    case WM_COMMAND: {
      if (lparam == 0) return std::nullopt;
      const NativeNotification notification{NativeNotification::kCommand,
                                            reinterpret_cast<HWND>(lparam),
                                            static_cast<std::int32_t>(HIWORD(wparam)), nullptr};
      if (forward_native_notification(notification)) return 0;
      return std::nullopt;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header == nullptr) return std::nullopt;
      const NativeNotification notification{NativeNotification::kNotify, header->hwndFrom,
                                            static_cast<std::int32_t>(header->code), header};
      if (forward_native_notification(notification)) return 0;
      return std::nullopt;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      if (item != nullptr && services_.draw_item && services_.draw_item(item)) return 1;
      return std::nullopt;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
      return on_control_color(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case kChildFocusMessage: {
      const HWND control = reinterpret_cast<HWND>(lparam);
      for (const auto& entry : focus_order) {
        auto* host = dynamic_cast<NativeHost*>(entry.second);
        if (host != nullptr && control != nullptr && host->native_handle() == control) {
          view_root.request_focus(host, kFocusNative);
          break;
        }
      }
      return 0;
    }
    case kChildKeyMessage: {
      // Only a record that a control of this thread has in flight is read:
      // the message number is open to every thread and process.
      ChildKeyRecord* const record = child_key_record_in_flight(lparam);
      if (record == nullptr) return 0;
      record->handled = dispatch_key(record->message, record->wparam, record->lparam);
      return record->handled ? 1 : 0;
    }
    default:
      return std::nullopt;
  }
}

bool Surface::Impl::forward_native_notification(const NativeNotification& notification) {
  NativeHost* host = nullptr;
  for (const auto& entry : focus_order) {
    // A host removed meanwhile left a null entry.
    auto* candidate = dynamic_cast<NativeHost*>(entry.second);
    if (candidate != nullptr && notification.source != nullptr &&
        candidate->native_handle() == notification.source) {
      host = candidate;
      break;
    }
  }
  if (host == nullptr) return false;
  Event event;
  event.widget_kind = 2;
  event.origin = kInputAccessibility;
  if (!host->translate_notification(notification, event)) return false;
  // A native control is not bound to a command: its events run none.
  dispatch_event(event, std::nullopt);
  return true;
}

std::optional<LRESULT> Surface::Impl::on_control_color(HDC dc, HWND control) {
  if (hwnd == nullptr || control == nullptr || dc == nullptr) return std::nullopt;
  if (GetParent(control) != hwnd && !is_combo_list_of_child(hwnd, control)) return std::nullopt;
  const ThemeColor text =
      IsWindowEnabled(control) ? ThemeColor::text : ThemeColor::text_disabled;
  SetTextColor(dc, theme.color(text));
  SetBkColor(dc, theme.color(ThemeColor::control_background));
  SetBkMode(dc, OPAQUE);
  if (!control_brush) {
    control_brush.reset(CreateSolidBrush(theme.color(ThemeColor::control_background)));
  }
  return reinterpret_cast<LRESULT>(control_brush.get());
}

}  // namespace win32_ui::modern
