// The panels of the three detail windows, each in its card container: the
// sound sources, device, storage and gains; mouse following and cursor; the
// recording output with quality and save folder.
#pragma once

#include <memory>

#include "app/common/recording_setup_state.h"
#include "app/setup/preview_handlers.h"
#include "ui/views/view.h"

namespace quorvel::windows {

std::unique_ptr<win32_ui::modern::View> build_audio_panel(const RecordingSetupState& state,
                                                          const PreviewHandlers& handlers);
std::unique_ptr<win32_ui::modern::View> build_camera_panel(float follow_strength,
                                                           bool follow_mouse,
                                                           bool record_cursor,
                                                           const PreviewHandlers& handlers);
std::unique_ptr<win32_ui::modern::View> build_output_panel(const RecordingSetupState& state,
                                                           const PreviewHandlers& handlers);

}  // namespace quorvel::windows
