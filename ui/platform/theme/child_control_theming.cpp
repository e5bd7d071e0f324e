#include "ui/platform/theme/child_control_theming.h"

#include <iterator>

#include "ui/platform/theme/scaled_metric.h"
#include "ui/platform/theme/themed_static_text.h"
#include "ui/platform/theme/window_frame.h"

namespace win32_ui {
namespace {

LONG_PTR button_type(HWND window) {
  return GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK;
}

BOOL CALLBACK collect_window(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

EditInsets child_edit_insets() {
  EditInsets insets;
  insets.left_margin = 8;
  insets.right_margin = 8;
  insets.corner_radius = kChildCornerRadius;
  insets.center_vertically = true;
  return insets;
}

ComboBoxStyle child_combo_style() {
  return ComboBoxStyle{8, 8, 28, kChildCornerRadius, 0, 0};
}

TrackbarStyle child_trackbar_style() { return TrackbarStyle{4, 2, 14}; }

bool has_window_class(HWND window, const wchar_t* name) {
  wchar_t class_name[64] = {};
  if (!window || !GetClassNameW(window, class_name, static_cast<int>(std::size(class_name)))) {
    return false;
  }
  return _wcsicmp(class_name, name) == 0;
}

bool is_push_button(HWND window) {
  if (!has_window_class(window, L"Button")) return false;
  const LONG_PTR type = button_type(window);
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

bool is_check_box(HWND window) {
  if (!has_window_class(window, L"Button")) return false;
  const LONG_PTR type = button_type(window);
  return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE ||
         type == BS_AUTO3STATE;
}

void theme_child_control(HWND child, const Theme& theme) {
  if (!child || !IsWindow(child)) return;
  if (has_window_class(child, L"Edit")) {
    theme_edit_control(child, theme, child_edit_insets());
  } else if (has_window_class(child, L"ComboBox")) {
    theme_combo_control(child, theme, child_combo_style());
  } else if (has_window_class(child, L"Static")) {
    theme_static_text(child, theme);
  } else if (has_window_class(child, L"msctls_trackbar32")) {
    theme_trackbar(child, theme, child_trackbar_style());
  } else if (is_push_button(child)) {
    round_push_button(child);
  }
}

bool round_push_button(HWND button) {
  return set_round_window_region(button, window_dpi(button), kChildCornerRadius, true);
}

std::vector<HWND> descendant_windows(HWND window) {
  std::vector<HWND> children;
  EnumChildWindows(window, &collect_window, reinterpret_cast<LPARAM>(&children));
  return children;
}

}  // namespace win32_ui
