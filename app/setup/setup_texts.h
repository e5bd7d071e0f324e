// Texts the setup builders compose: catalogue lookups in the handlers'
// language, plain decimal numbers, slider percentages and the short name of
// a folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/common/quality_setting.h"
#include "app/common/recording_setup_state.h"
#include "app/setup/preview_handlers.h"

namespace quorvel::windows {

// The catalogue text of `key` in the handlers' language.
std::wstring setup_text(const PreviewHandlers& handlers, std::wstring_view key,
                        std::vector<std::wstring> args = {});
// Plain decimal digits, no separators.
std::wstring decimal_text(long long value);
// `value` x `scale` rounded half away from zero, as decimal text.
std::wstring scaled_percent_text(float value, int scale);
// The last component of `folder` behind its drive or root.
std::wstring folder_leaf(const std::wstring& folder);
// The quality's rate at the recording size in kbps (remainder dropped), or
// empty when it has none.
std::wstring quality_kbps_text(const QualitySetting& quality, const RecordingSetupState& state);

}  // namespace quorvel::windows
