#include "ui/platform/accessibility/action_message.h"

namespace win32_ui::modern {

UINT action_message() {
  static const UINT message = RegisterWindowMessageW(kActionMessageName);
  return message;
}

}  // namespace win32_ui::modern
