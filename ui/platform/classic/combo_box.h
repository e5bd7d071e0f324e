// A drop-down list of a classic window: a Control its owner makes with
// create_combo_box, with its items and selection. UI thread only.
#pragma once

#include <string_view>

#include "ui/platform/classic/control.h"

namespace win32_ui {

class ComboBox : public Control {
 public:
  // The new item's index; -1 without a window or when the control refuses.
  int add_item(std::wstring_view text);
  // False without a window or when the control answers CB_ERR, which it
  // also does for -1, the index that clears the selection.
  bool set_selection(int index);
};

}  // namespace win32_ui
