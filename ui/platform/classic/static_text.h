// A text label of a classic window: a Control its owner makes with
// create_static. UI thread only.
#pragma once

#include "ui/platform/classic/control.h"

namespace win32_ui {

class StaticText : public Control {};

}  // namespace win32_ui
