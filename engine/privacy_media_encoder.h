// Makes the live stream's privacy cover: a tiny black, silent clip encoded
// through a recording session of its own with the live encoding's size, rate
// and audio format, of which the first video key frame and the last audio
// packet are kept. The streamer sends those instead of the screen and the
// sound while the user hides them.
//
// Called on the UI thread before a live stream starts; blocks for the clip's
// encoding (a few frames). The packets arrive on the encoders' threads and
// are handed over under a lock.
#pragma once

#include <windows.h>

#include "engine/d3d11_device.h"
#include "engine/privacy_media.h"
#include "engine/recording_options.h"
#include "engine/recording_session.h"

namespace quorvel::windows {

// S_OK with both packets set; E_FAIL when the session cannot start or one of
// the packets was not produced; otherwise the first failing step's result.
// `media` is emptied at entry and filled only on S_OK. `platform` reaches the
// session's platform pieces and `create_device` makes the clip's device
// (tests pass fakes; the product passes nothing).
[[nodiscard]] HRESULT create_privacy_media(const RecordingOptions& options, PrivacyMedia& media,
                             const RecordingSessionPlatform& platform = {},
                             const D3D11DeviceFactory& create_device = {});

}  // namespace quorvel::windows
