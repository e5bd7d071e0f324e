// The catalogue keys of the setup toggles' labels, as the builders show
// them.
#pragma once

#include <string_view>

#include "app/common/recording_setup_state.h"

namespace quorvel::windows {

// "main.record_cursor" ... "main.microphone_m4a"; empty for a value outside
// the eight toggles.
std::wstring_view setup_toggle_label_key(SetupToggle toggle);

inline constexpr std::wstring_view kFollowMouseLabelKey = L"main.follow_mouse";

}  // namespace quorvel::windows
