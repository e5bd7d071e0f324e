// The control bar's icon buttons and their tooltips. UI thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ui/views/widgets/button.h"

namespace quorvel::windows {

// The size the bar's button pictures are drawn at, DIP.
inline constexpr float kControlIconSize = 28.0f;

// A flat tile button without a label showing icon pair `icon_index` of the
// control icon table, `callback` running when it is invoked.
std::unique_ptr<win32_ui::modern::Button> make_control_button(int id, int icon_index,
                                                              std::function<void()> callback);

// "label  ·  hotkey", or the label alone when there is no hotkey text.
std::wstring join_tooltip(std::wstring_view label, std::wstring_view hotkey_text);

}  // namespace quorvel::windows
