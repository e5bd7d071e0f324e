// The byte builders of the FLV tag bodies that carry H.264 and AAC over
// RTMP: Annex-B splitting, the parameter sets kept per connection, the AVC
// and AAC sequence headers. Plain functions over bytes with no platform
// calls, used by make_flv_payload (flv_payload.h) on the streaming thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quorvel::windows {

struct FlvState {
  std::vector<uint8_t> sps;
  std::vector<uint8_t> pps;
  std::vector<uint8_t> audio_config;
  bool avc_header_sent = false;
  int64_t time_origin = 0;  // 100-ns units
  bool has_time_origin = false;
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
// The SPS holds at least 4 bytes.
std::vector<uint8_t> make_avc_sequence_header(std::span<const uint8_t> sps,
                                              std::span<const uint8_t> pps);
// AAC LC AudioSpecificConfig for a rate of the MPEG-4 table and 1 or 2 channels.
std::optional<std::vector<uint8_t>> make_aac_config(uint32_t sample_rate, uint32_t channels);
// Audio body 0xAF 0x00 + config.
std::vector<uint8_t> make_aac_sequence_header(std::span<const uint8_t> config);

}  // namespace quorvel::windows
