// The recording size card: size preset, width and height edits
// and the frame rate, in its card container.
#pragma once

#include <memory>

#include "app/common/recording_setup_state.h"
#include "app/setup/preview_handlers.h"
#include "ui/views/view.h"

namespace quorvel::windows {

inline constexpr int kSizePresetComboId = 7;
inline constexpr int kWidthEditId = 8;
inline constexpr int kHeightEditId = 9;
inline constexpr int kFrameRateComboId = 10;

std::unique_ptr<win32_ui::modern::View> build_specification_card(
    const RecordingSetupState& state, const PreviewHandlers& handlers);

}  // namespace quorvel::windows
