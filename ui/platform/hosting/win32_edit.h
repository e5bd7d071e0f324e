// Win32Edit is a text field of a view tree backed by a real "EDIT" child
// window, so typing, IME, the clipboard and accessibility are the system's.
// Settings made before the window exists are applied when it is made; the
// text changes the control reports become text-changed events (kind 3).
// UI thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ui/platform/hosting/win32_native_host.h"

namespace win32_ui::modern {

class Win32Edit : public Win32NativeHost {
 public:
  // Single line, 120 x 32 DIP, no length limit of its own.
  Win32Edit(int control_id, std::wstring text, bool read_only);

  // Limits the text to `length` characters; 0 is the system's limit.
  void set_max_length(std::int32_t length);
  // Only before the window is made: the window's style is fixed afterwards.
  void set_multiline(bool multiline);
  // The window's content, or the stored text without a window.
  std::wstring window_text() const;
  // Runs `handler` with the new content at each text-changed event.
  Win32Edit& on_text_changed(std::function<void(std::wstring_view)> handler);

  bool is_read_only() const { return read_only_; }
  bool is_multiline() const { return multiline_; }
  std::int32_t max_length() const { return max_length_; }

  int capabilities() const override;
  void describe(ElementInfo& info) const override;
  bool perform_action(const ElementAction& action) override;

 protected:
  HWND create_child_window(HWND parent) override;
  void apply_theme(const Theme& theme) override;
  bool notification_to_event(const NativeNotification& notification, Event& event) override;

 private:
  std::wstring text_;
  std::wstring cue_banner_;
  std::int32_t max_length_ = 0;
  bool read_only_;
  bool multiline_ = false;
};

}  // namespace win32_ui::modern
