#include "ui/platform/hosting/win32_edit.h"

#include <utility>

#include "ui/platform/hosting/native_control_theme.h"
#include "ui/platform/theme/themed_edit_control.h"

namespace win32_ui::modern {
namespace {

constexpr DWORD kSingleLineStyle = WS_CHILD | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kMultiLineStyle =
    WS_CHILD | WS_VSCROLL | WS_TABSTOP | ES_WANTRETURN | ES_AUTOVSCROLL | ES_MULTILINE;

}  // namespace

Win32Edit::Win32Edit(int control_id, std::wstring text, bool read_only)
    : Win32NativeHost(control_id, 120.0f, 32.0f), text_(std::move(text)), read_only_(read_only) {}

void Win32Edit::set_max_length(std::int32_t length) {
  max_length_ = length;
  if (window_alive()) SendMessageW(window(), EM_LIMITTEXT, static_cast<WPARAM>(length), 0);
}

void Win32Edit::set_multiline(bool multiline) {
  if (window() == nullptr) multiline_ = multiline;
}

std::wstring Win32Edit::window_text() const {
  if (!window_alive()) return text_;
  const int length = GetWindowTextLengthW(window());
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int copied = GetWindowTextW(window(), text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

Win32Edit& Win32Edit::on_text_changed(std::function<void(std::wstring_view)> handler) {
  add_event_handler(Event::kTextChanged, [handler = std::move(handler)](Event& event) {
    if (handler) handler(event.text);
  });
  return *this;
}

int Win32Edit::capabilities() const {
  return Win32NativeHost::capabilities() | ElementAction::kSetValueText;
}

void Win32Edit::describe(ElementInfo& info) const {
  Win32NativeHost::describe(info);
  info.role = ElementRole::kEdit;
  info.name = cue_banner_;
  info.value_text = window_text();
  info.read_only = read_only_;
  if (!read_only_) info.add_flags(ElementAction::kSetValueText);
}

bool Win32Edit::perform_action(const ElementAction& action) {
  if (action.kind != ElementAction::kSetValueText || read_only_) {
    return Win32NativeHost::perform_action(action);
  }
  text_ = action.text;
  if (window_alive()) SetWindowTextW(window(), text_.c_str());
  notify_semantics_changed();
  return true;
}

HWND Win32Edit::create_child_window(HWND parent) {
  const DWORD style = (multiline_ ? kMultiLineStyle : kSingleLineStyle) |
                      (read_only_ ? static_cast<DWORD>(ES_READONLY) : 0);
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  HWND edit = CreateWindowExW(0, L"EDIT", text_.c_str(), style, 0, 0, 1, 1, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id())),
                              instance, nullptr);
  if (edit == nullptr) return nullptr;
  SendMessageW(edit, EM_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(cue_banner_.c_str()));
  SendMessageW(edit, EM_LIMITTEXT, static_cast<WPARAM>(max_length_), 0);
  return edit;
}

void Win32Edit::apply_theme(const Theme& theme) {
  if (!window_alive()) return;
  EditInsets insets;
  insets.left_margin = zoomed_dip(8, zoom());
  insets.right_margin = zoomed_dip(8, zoom());
  insets.corner_radius = zoomed_dip(6, zoom());
  insets.center_vertically = !multiline_;
  theme_edit_control(window(), native_control_theme(theme, zoom()), insets);
}

bool Win32Edit::notification_to_event(const NativeNotification& notification, Event& event) {
  if (notification.kind != NativeNotification::kCommand || notification.code != EN_CHANGE) {
    return false;
  }
  event.kind = Event::kTextChanged;
  event.text = window_text();
  text_ = event.text;
  notify_semantics_changed();
  return true;
}

}  // namespace win32_ui::modern
