// FLV tag bodies for RTMP media messages, made from the engine's encoded
// packets: AVC video (type 9) and AAC audio (type 8), with the decoder
// configuration records sent before the first frames and millisecond
// timestamps counted from the first key frame of the connection.
//
// One FlvState per published connection, used by the streaming thread only.
// The byte builders it uses are plain functions with no platform calls
// (flv_tags.h).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "engine/encoded_packet.h"
#include "streaming/flv_tags.h"

namespace quorvel::windows {

struct FlvMessage {
  uint8_t message_type = 0;  // 8 audio, 9 video
  uint32_t timestamp = 0;    // milliseconds
  std::vector<uint8_t> body;
};

// Video body 0x17/0x27 0x01 + composition offset + length-prefixed NAL units.
// E_INVALIDARG for an offset outside 24 bits or a NAL unit over 0xFFFFFF bytes.
[[nodiscard]] HRESULT make_avc_frame_body(bool key, int32_t composition_offset,
                                          std::span<const NalUnit> units,
                                          std::vector<uint8_t>& body);

// Zero, one or two messages for `packet` (sequence header first). E_INVALIDARG
// for unusable input; media type errors are passed through. `out` is
// replaced; passing the same vector for every packet lets the bodies reuse
// their storage.
[[nodiscard]] HRESULT make_flv_payload(FlvState& state, const EncodedPacket& packet,
                                       std::vector<FlvMessage>& out);

}  // namespace quorvel::windows
