// The stream settings window's content: the live quality row, the
// complete-URL box, the masked address and key, the reveal box, the help
// and save buttons. The typed target stays in the native edits until save
// reads them. UI thread.
#pragma once

#include <functional>
#include <memory>

#include "app/common/recording_setup_state.h"
#include "app/setup/preview_handlers.h"
#include "engine/stream_settings.h"
#include "ui/views/view.h"

namespace quorvel::windows {

inline constexpr int kStreamCompleteUrlBoxId = 20770;
inline constexpr int kStreamAddressEditId = 20771;
inline constexpr int kStreamKeyEditId = 20772;
inline constexpr int kStreamRevealBoxId = 20773;
inline constexpr int kStreamSaveButtonId = 20774;
inline constexpr int kStreamHelpButtonId = 20775;
// What a masked secret edit shows for each character.
inline constexpr wchar_t kStreamMaskCharacter = L'\u25CF';

// Texts are looked up in the handlers' language; the quality row reports
// through `handlers`.
std::unique_ptr<win32_ui::modern::View> build_stream_tree(const RecordingSetupState& state,
                                                          const PreviewHandlers& handlers,
                                                          const StreamSettings& settings,
                                                          std::function<void(bool)> reveal,
                                                          std::function<void()> help,
                                                          std::function<void()> save);

}  // namespace quorvel::windows
