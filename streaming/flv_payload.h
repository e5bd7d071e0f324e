// FLV tag bodies for RTMP media messages, made from the engine's encoded
// packets: AVC video (type 9) and AAC audio (type 8), with the decoder
// configuration records sent before the first frames and millisecond
// timestamps counted from the first key frame of the connection.
//
// One FlvState per published connection, used by the streaming thread only.
// The byte builders below make_flv_payload are plain functions with no
// platform calls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "engine/encoded_packet.h"

namespace quorvel::windows {

struct FlvState {
  std::vector<uint8_t> sps;
  std::vector<uint8_t> pps;
  std::vector<uint8_t> audio_config;
  bool avc_header_sent = false;
  int64_t time_origin = 0;  // 100-ns units
  bool has_time_origin = false;
};

struct FlvMessage {
  uint8_t message_type = 0;  // 8 audio, 9 video
  uint32_t timestamp = 0;    // milliseconds
  std::vector<uint8_t> body;
};

using NalUnit = std::span<const uint8_t>;

// NAL units of an Annex-B byte stream, without start codes; bytes before the
// first start code belong to none.
std::vector<NalUnit> split_annexb_nal_units(std::span<const uint8_t> data);

// Keeps the last SPS and PPS found in `data`; sets `changed` when either differs.
void capture_avc_parameter_sets(FlvState& state, std::span<const uint8_t> data, bool& changed);
// The same over NAL units already split out of the data.
void capture_avc_parameter_sets(FlvState& state, std::span<const NalUnit> units, bool& changed);

// Video body 0x17 0x00 0 0 0 + AVCDecoderConfigurationRecord (4-byte lengths).
std::vector<uint8_t> make_avc_sequence_header(std::span<const uint8_t> sps,
                                              std::span<const uint8_t> pps);
// AAC LC AudioSpecificConfig for a rate of the MPEG-4 table and 1 or 2 channels.
std::optional<std::vector<uint8_t>> make_aac_config(uint32_t sample_rate, uint32_t channels);
// Audio body 0xAF 0x00 + config.
std::vector<uint8_t> make_aac_sequence_header(std::span<const uint8_t> config);
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
