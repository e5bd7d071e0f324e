// One line for choosing a quality level and, at the custom level, a bit
// rate in kbps: of the recording, or of the live stream when `stream`.
#pragma once

#include <memory>

#include "app/common/recording_setup_state.h"
#include "app/setup/preview_handlers.h"
#include "ui/views/view.h"

namespace quorvel::windows {

inline constexpr int kRecordingQualityComboId = 20752;
inline constexpr int kRecordingKbpsEditId = 20753;
inline constexpr int kStreamQualityComboId = 20787;
inline constexpr int kStreamKbpsEditId = 20788;

std::unique_ptr<win32_ui::modern::View> build_quality_row(const RecordingSetupState& state,
                                                          const PreviewHandlers& handlers,
                                                          bool stream);

}  // namespace quorvel::windows
