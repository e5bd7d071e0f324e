// A push button, check box or radio button of a classic window: a Control
// its owner makes with create_button. UI thread only.
#pragma once

#include "ui/platform/classic/control.h"

namespace win32_ui {

class Button : public Control {};

}  // namespace win32_ui
