#include "ui/platform/hosting/win32_combo_box.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "ui/platform/hosting/native_control_theme.h"
#include "ui/platform/theme/themed_combo_box.h"

namespace win32_ui::modern {
namespace {

constexpr DWORD kComboStyle = WS_CHILD | WS_VSCROLL | WS_TABSTOP | CBS_HASSTRINGS |
                              CBS_OWNERDRAWFIXED | CBS_DROPDOWNLIST;
// View heights below this leave the selection field as it is.
constexpr float kSmallestFieldHeight = 16.0f;
constexpr float kLargestFieldHeight = 1000.0f;

void add_strings(HWND combo, const std::vector<std::wstring>& items) {
  for (const std::wstring& item : items) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
}

}  // namespace

Win32ComboBox::Win32ComboBox(int control_id) : Win32NativeHost(control_id, 120.0f, 32.0f) {}

void Win32ComboBox::set_items(std::vector<std::wstring> items) {
  items_ = std::move(items);
  selected_index_ = -1;
  notify_semantics_changed();
  if (!window_alive()) return;
  SendMessageW(window(), CB_RESETCONTENT, 0, 0);
  add_strings(window(), items_);
}

bool Win32ComboBox::set_selected_index(std::int32_t index) {
  if (index < -1 || index >= static_cast<std::int64_t>(items_.size())) return false;
  if (window_alive()) {
    // Clearing the selection answers CB_ERR by design.
    const LRESULT answer = SendMessageW(window(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (answer == CB_ERR && index != -1) return false;
  }
  selected_index_ = index;
  notify_semantics_changed();
  return true;
}

std::wstring Win32ComboBox::selected_text() const {
  if (window_alive()) {
    selected_index_ = static_cast<std::int32_t>(SendMessageW(window(), CB_GETCURSEL, 0, 0));
  }
  if (selected_index_ < 0 || selected_index_ >= static_cast<std::int64_t>(items_.size())) {
    return {};
  }
  return items_[static_cast<std::size_t>(selected_index_)];
}

Win32ComboBox& Win32ComboBox::on_selection_changed(std::function<void(int)> handler) {
  add_event_handler(Event::kSelectionChanged, [handler = std::move(handler)](Event& event) {
    if (handler) handler(event.index);
  });
  return *this;
}

Win32ComboBox& Win32ComboBox::on_dropdown_opened(std::function<void()> handler) {
  add_event_handler(Event::kDropdownOpened, [handler = std::move(handler)](Event&) {
    if (handler) handler();
  });
  return *this;
}

Win32ComboBox& Win32ComboBox::on_dropdown_closed(std::function<void()> handler) {
  add_event_handler(Event::kDropdownClosed, [handler = std::move(handler)](Event&) {
    if (handler) handler();
  });
  return *this;
}

int Win32ComboBox::capabilities() const {
  return Win32NativeHost::capabilities() | ElementAction::kSelect;
}

void Win32ComboBox::describe(ElementInfo& info) const {
  Win32NativeHost::describe(info);
  info.role = ElementRole::kComboBox;
  info.value_text = selected_text();
  info.add_flags(ElementAction::kSelect);
}

bool Win32ComboBox::perform_action(const ElementAction& action) {
  if (action.kind != ElementAction::kSelect || !std::isfinite(action.value)) {
    return Win32NativeHost::perform_action(action);
  }
  const double index = std::round(action.value);
  if (index < -1.0 || index >= static_cast<double>(items_.size())) return false;
  return set_selected_index(static_cast<std::int32_t>(index));
}

HWND Win32ComboBox::create_child_window(HWND parent) {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  HWND combo = CreateWindowExW(0, L"COMBOBOX", L"", kComboStyle, 0, 0, 1,
                               static_cast<int>(kMinimumWindowHeight), parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id())),
                               instance, nullptr);
  if (combo == nullptr) return nullptr;
  add_strings(combo, items_);
  if (selected_index_ >= 0) {
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selected_index_), 0);
  }
  return combo;
}

void Win32ComboBox::apply_theme(const Theme& theme) {
  if (!window_alive()) return;
  const float zoom = this->zoom();
  ComboBoxStyle style;
  style.text_inset = zoomed_dip(8, zoom);
  style.arrow_gap = zoomed_dip(8, zoom);
  style.arrow_width = zoomed_dip(28, zoom);
  style.corner_radius = zoomed_dip(6, zoom);
  style.item_height = zoomed_dip(34, zoom);
  style.item_padding = zoomed_dip(12, zoom);
  // The selection field takes the view's height in place of the theme's
  // control height.
  Theme field = theme;
  field.metrics[static_cast<std::size_t>(ThemeMetric::control_height)] = list_item_height_;
  theme_combo_control(window(), native_control_theme(field, zoom), style);
}

void Win32ComboBox::apply_view_height(float height, const Theme& theme) {
  if (!std::isfinite(height) || height < kSmallestFieldHeight) return;
  const auto field = static_cast<std::int32_t>(std::lround(std::min(height, kLargestFieldHeight)));
  if (field == list_item_height_) return;
  list_item_height_ = field;
  apply_theme(theme);
}

bool Win32ComboBox::notification_to_event(const NativeNotification& notification, Event& event) {
  if (notification.kind != NativeNotification::kCommand) return false;
  switch (notification.code) {
    case CBN_SELCHANGE:
      event.kind = Event::kSelectionChanged;
      selected_index_ = window_alive()
                            ? static_cast<std::int32_t>(SendMessageW(window(), CB_GETCURSEL, 0, 0))
                            : selected_index_;
      event.index = selected_index_;
      notify_semantics_changed();
      return true;
    case CBN_DROPDOWN:
      event.kind = Event::kDropdownOpened;
      return true;
    case CBN_CLOSEUP:
      event.kind = Event::kDropdownClosed;
      return true;
    default:
      return false;
  }
}

float Win32ComboBox::native_window_height(float height) const {
  if (!std::isfinite(height)) return kMinimumWindowHeight;
  return std::max(height, kMinimumWindowHeight);
}

}  // namespace win32_ui::modern
