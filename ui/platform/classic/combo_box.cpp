#include "ui/platform/classic/combo_box.h"

#include <string>

namespace win32_ui {

int ComboBox::add_item(std::wstring_view text) {
  HWND window = hwnd();
  if (!window) return -1;
  const std::wstring item(text);
  const LRESULT index =
      SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  return index < 0 ? -1 : static_cast<int>(index);
}

bool ComboBox::set_selection(int index) {
  HWND window = hwnd();
  if (!window) return false;
  return SendMessageW(window, CB_SETCURSEL, static_cast<WPARAM>(index), 0) != CB_ERR;
}

}  // namespace win32_ui
