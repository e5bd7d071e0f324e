#include "app/setup/stream_secret_edit.h"

#include <utility>

#include "ui/platform/hosting/native_control_theme.h"
#include "ui/platform/theme/themed_edit_control.h"

namespace quorvel::windows {

namespace {
constexpr float kPreferredHeight = 36.0f;
constexpr DWORD kEditStyle =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL;
}  // namespace

StreamSecretEdit::StreamSecretEdit(int control_id, std::wstring initial_text)
    : Win32NativeHost(control_id, 0.0f, kPreferredHeight),
      initial_text_(std::move(initial_text)) {}

StreamSecretEdit::~StreamSecretEdit() = default;

HWND StreamSecretEdit::create_child_window(HWND parent) {
  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  HWND edit = CreateWindowExW(0, L"EDIT", initial_text_.c_str(), kEditStyle, 0, 0, 1, 1, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id())),
                              instance, nullptr);
  if (edit == nullptr) return nullptr;
  SendMessageW(edit, EM_LIMITTEXT, kStreamSecretMaxLength, 0);
  return edit;
}

void StreamSecretEdit::apply_theme(const win32_ui::Theme& theme) {
  if (!window_alive()) return;
  win32_ui::EditInsets insets;
  insets.left_margin = win32_ui::modern::zoomed_dip(8, zoom());
  insets.right_margin = win32_ui::modern::zoomed_dip(8, zoom());
  insets.corner_radius = win32_ui::modern::zoomed_dip(6, zoom());
  insets.center_vertically = true;
  win32_ui::theme_edit_control(window(), win32_ui::modern::native_control_theme(theme, zoom()),
                               insets);
}

}  // namespace quorvel::windows
