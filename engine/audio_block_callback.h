// The hand-off of one block of 48 kHz stereo 32-bit float audio, shared by
// the audio capture sources, the mixer and the recording session.
//
//   data           frames x 2 interleaved floats; may be null when silent.
//                  Valid only for the duration of the call.
//   frames         the block's frame count.
//   time           the block's start as a performance-counter (QPC) value.
//   silent         every sample is silence (data may then be null).
//   discontinuity  the block does not follow the previous one seamlessly.
//
// Returns S_OK when taken, S_FALSE when not taken (counted, not a failure),
// or a failure code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace quorvel::windows {

using AudioBlockCallback =
    std::function<HRESULT(const float* data, uint32_t frames, int64_t time, bool silent,
                          bool discontinuity)>;

}  // namespace quorvel::windows
