// The stream key field: a native password edit whose characters stay
// masked, at most 8192 of them. Its text is read back through the window
// text. Owned by its parent view; UI thread.
#pragma once

#include <windows.h>

#include <string>

#include "ui/platform/hosting/win32_native_host.h"

namespace quorvel::windows {

inline constexpr int kStreamSecretMaxLength = 8192;

class StreamSecretEdit : public win32_ui::modern::Win32NativeHost {
 public:
  StreamSecretEdit(int control_id, std::wstring initial_text);
  ~StreamSecretEdit() override;

 protected:
  HWND create_child_window(HWND parent) override;
  void apply_theme(const win32_ui::Theme& theme) override;

 private:
  std::wstring initial_text_;
};

}  // namespace quorvel::windows
