// The whole content of the main "new recording" window: header bar, body
// with the title and the picture, sound and output cards, and the footer
// with the record button. Rebuilt from the state on every change; keeps
// nothing itself. UI thread.
#pragma once

#include <memory>

#include "app/common/recording_setup_state.h"
#include "app/setup/preview_handlers.h"
#include "ui/views/view.h"

namespace quorvel::windows {

inline constexpr int kRecordButtonId = 26;
inline constexpr int kRecordCommandId = 26;

// Counts the system's monitors for the source line.
std::unique_ptr<win32_ui::modern::View> build_preview_tree(bool wide,
                                                           const RecordingSetupState& state,
                                                           const PreviewHandlers& handlers);
// With more than one monitor the source line offers to change the screen.
std::unique_ptr<win32_ui::modern::View> build_preview_tree(bool wide,
                                                           const RecordingSetupState& state,
                                                           const PreviewHandlers& handlers,
                                                           int monitor_count);

}  // namespace quorvel::windows
