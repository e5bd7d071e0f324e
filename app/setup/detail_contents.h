// The whole content of the picture, sound and recording settings windows:
// their panels inside 18 DIP of padding.
#pragma once

#include <memory>

#include "app/common/recording_setup_state.h"
#include "app/setup/preview_handlers.h"
#include "ui/views/view.h"

namespace quorvel::windows {

std::unique_ptr<win32_ui::modern::View> make_picture_settings_content(
    const RecordingSetupState& state, const PreviewHandlers& handlers);
std::unique_ptr<win32_ui::modern::View> make_sound_settings_content(
    const RecordingSetupState& state, const PreviewHandlers& handlers);
std::unique_ptr<win32_ui::modern::View> make_recording_settings_content(
    const RecordingSetupState& state, const PreviewHandlers& handlers);

}  // namespace quorvel::windows
