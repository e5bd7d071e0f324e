// The Theme a hosted native control is painted with: the window's colour is
// the control's own background, and the DIP metrics follow the user's zoom
// (the painters scale them by the window's DPI themselves). Plain values.
#pragma once

#include <cstdint>

#include "ui/platform/theme/theme.h"

namespace win32_ui::modern {

// `dip` x `zoom`, rounded half away from zero; a negative or non-finite
// result gives 0.
std::int32_t zoomed_dip(std::int32_t dip, float zoom);

// A copy of `theme` whose window background is the control background and
// whose metrics are zoomed; metric_2 stays at least 1.
Theme native_control_theme(const Theme& theme, float zoom);

}  // namespace win32_ui::modern
