// The preferences window's content: language, start with Windows, the
// watermark summary and the hotkey rows of one settings snapshot. Every
// control reports to the callback it was given; an empty one does nothing.
// UI thread.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include "app/common/modern_settings_state.h"
#include "ui/views/view.h"

namespace quorvel::windows {

inline constexpr int kStartWithWindowsToggleId = 31;
inline constexpr int kLanguageComboId = 32;
inline constexpr int kWatermarkConfigureButtonId = 33;
// Hotkey row n's key button is kHotkeyButtonBaseId + n.
inline constexpr int kHotkeyButtonBaseId = 20992;

// Texts are looked up in the snapshot's language.
std::unique_ptr<win32_ui::modern::View> build_preferences_tree(
    const ModernSettingsState& state, std::function<void(std::size_t)> row_clicked,
    std::function<void()> start_with_windows_changed, std::function<void()> configure_watermark,
    std::function<void(int)> language_selected, std::function<void()> language_list_closed);

// The grid rows of each hotkey column: the left column holds the first of
// them, the right one the rest.
std::size_t hotkey_rows_per_column(std::size_t row_count);

}  // namespace quorvel::windows
