// Win32ComboBox is a drop-down list of a view tree backed by a real
// "COMBOBOX" child window (owner-drawn, so the surface's painter draws its
// items in the theme). The window is at least 160 DIP tall so its list has
// room; the selection field follows the view's height. Selection changes
// and the list opening and closing become events (kinds 4, 5 and 6).
// UI thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/platform/hosting/win32_native_host.h"

namespace win32_ui::modern {

class Win32ComboBox : public Win32NativeHost {
 public:
  // The window's height at least, DIP: it includes the drop-down list.
  static constexpr float kMinimumWindowHeight = 160.0f;

  // 120 x 32 DIP, no items, nothing selected.
  explicit Win32ComboBox(int control_id);

  // Replaces the items; nothing is selected afterwards.
  void set_items(std::vector<std::wstring> items);
  // -1 selects nothing. False, changing nothing, for an index outside the
  // items or one the window refuses.
  bool set_selected_index(std::int32_t index);
  // The selected item's text (the window's selection when it has one), or
  // empty.
  std::wstring selected_text() const;
  std::int32_t selected_index() const { return selected_index_; }
  const std::vector<std::wstring>& items() const { return items_; }
  // The selection field's height before zoom, DIP.
  std::int32_t list_item_height() const { return list_item_height_; }

  Win32ComboBox& on_selection_changed(std::function<void(int)> handler);
  Win32ComboBox& on_dropdown_opened(std::function<void()> handler);
  Win32ComboBox& on_dropdown_closed(std::function<void()> handler);

  int capabilities() const override;
  void describe(ElementInfo& info) const override;
  bool perform_action(const ElementAction& action) override;

 protected:
  HWND create_child_window(HWND parent) override;
  void apply_theme(const Theme& theme) override;
  void apply_view_height(float height, const Theme& theme) override;
  bool notification_to_event(const NativeNotification& notification, Event& event) override;
  float native_window_height(float height) const override;

 private:
  std::vector<std::wstring> items_;
  // Mutable: reading the text takes the window's selection over.
  mutable std::int32_t selected_index_ = -1;
  std::int32_t list_item_height_ = 32;
};

}  // namespace win32_ui::modern
