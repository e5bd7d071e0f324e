#include "streaming/flv_payload.h"

#include <mfapi.h>
#include <mfidl.h>
#include <wrl/client.h>

#include <algorithm>

#include "engine/byte_order.h"

namespace quorvel::windows {
namespace {

using Microsoft::WRL::ComPtr;

constexpr int64_t kMaxTimestamp100ns = 42'949'672'960'000;  // 2^32 ms
constexpr UINT32 kMaxSequenceHeaderBlob = 65536;
constexpr UINT32 kAacUserDataPrefix = 12;  // HEAACWAVEINFO fields before the config
constexpr UINT32 kMaxAacUserData = 1024;

bool has_idr(std::span<const NalUnit> units) {
  return std::any_of(units.begin(), units.end(),
                     [](NalUnit unit) { return (unit[0] & 0x1F) == 5; });
}

// A blob attribute, or an empty vector when it is missing or too large.
std::vector<uint8_t> read_blob(IMFMediaType* type, const GUID& key, UINT32 max_size) {
  UINT32 size = 0;
  if (FAILED(type->GetBlobSize(key, &size)) || size > max_size) return {};
  std::vector<uint8_t> blob(size);
  if (size == 0 || FAILED(type->GetBlob(key, blob.data(), size, &size))) return {};
  blob.resize(size);
  return blob;
}

HRESULT audio_messages(FlvState& state, IMFMediaType* type, const EncodedPacket& packet,
                       uint32_t timestamp, std::vector<uint8_t> body,
                       std::vector<FlvMessage>& out) {
  if (state.audio_config.empty()) {
    std::vector<uint8_t> user_data = read_blob(type, MF_MT_USER_DATA, kMaxAacUserData);
    if (user_data.size() > kAacUserDataPrefix) {
      state.audio_config.assign(user_data.begin() + kAacUserDataPrefix, user_data.end());
    }
    if (state.audio_config.empty()) {
      UINT32 rate = 0;
      UINT32 channels = 0;
      type->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate);
      type->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels);
      auto config = make_aac_config(rate, channels);
      if (!config) return E_INVALIDARG;
      state.audio_config = std::move(*config);
    }
    out.push_back({8, timestamp, make_aac_sequence_header(state.audio_config)});
  }
  body.clear();
  body.reserve(2 + packet.data.size());
  body.push_back(0xAF);
  body.push_back(0x01);
  body.insert(body.end(), packet.data.begin(), packet.data.end());
  out.push_back({8, timestamp, std::move(body)});
  return S_OK;
}

}  // namespace

HRESULT make_avc_frame_body(bool key, int32_t composition_offset,
                            std::span<const NalUnit> units, std::vector<uint8_t>& body) {
  if (composition_offset < -8388608 || composition_offset > 8388607) return E_INVALIDARG;
  size_t total = 5;
  for (NalUnit unit : units) {
    if (unit.size() > 0xFFFFFF) return E_INVALIDARG;
    total += 4 + unit.size();
  }
  body.clear();
  body.reserve(total);
  body.push_back(key ? 0x17 : 0x27);
  body.push_back(0x01);
  write_uint_be(body, static_cast<uint32_t>(composition_offset) & 0xFFFFFF, 3);
  for (NalUnit unit : units) {
    write_uint_be(body, static_cast<uint32_t>(unit.size()), 4);
    body.insert(body.end(), unit.begin(), unit.end());
  }
  return S_OK;
}

HRESULT make_flv_payload(FlvState& state, const EncodedPacket& packet,
                         std::vector<FlvMessage>& out) {
  // The last message of the previous call is the previous frame: its body's
  // storage carries this frame, so a stream of packets needs no allocation
  // per message.
  std::vector<uint8_t> body = out.empty() ? std::vector<uint8_t>{} : std::move(out.back().body);
  out.clear();
  if (!packet.format || packet.data.empty()) return E_INVALIDARG;
  const bool audio = packet.format->kind == EncodedStreamFormat::kAacAudio;
  if (!state.avc_header_sent && audio) return S_OK;

  const int64_t t = packet.decode_time.value_or(packet.sample_time);
  std::vector<NalUnit> units;
  if (!audio) units = split_annexb_nal_units(packet.data);
  if (!state.has_time_origin) {
    if (!has_idr(units)) return S_OK;
    state.time_origin = t;
    state.has_time_origin = true;
  }
  if (t < state.time_origin) return S_OK;
  if (t - state.time_origin >= kMaxTimestamp100ns) return E_INVALIDARG;
  const uint32_t timestamp = static_cast<uint32_t>((t - state.time_origin) / 10'000);

  ComPtr<IMFMediaType> type;
  HRESULT hr = packet.format->copy_media_type(&type);
  if (FAILED(hr)) return hr;

  if (audio) return audio_messages(state, type.Get(), packet, timestamp, std::move(body), out);

  if (units.empty()) return E_INVALIDARG;
  bool changed = false;
  const std::vector<uint8_t> sequence_header =
      read_blob(type.Get(), MF_MT_MPEG_SEQUENCE_HEADER, kMaxSequenceHeaderBlob);
  capture_avc_parameter_sets(state, sequence_header, changed);
  capture_avc_parameter_sets(state, units, changed);
  const bool key = has_idr(units);
  if (!state.avc_header_sent && !key) return S_OK;
  if (state.sps.size() < 4 || state.sps.size() > 65535 || state.pps.empty() ||
      state.pps.size() > 65535) {
    return E_INVALIDARG;
  }
  if (!state.avc_header_sent || changed) {
    out.push_back({9, timestamp, make_avc_sequence_header(state.sps, state.pps)});
    state.avc_header_sent = true;
  }
  const int64_t offset = (packet.sample_time - t) / 10'000;
  if (offset < -8388608 || offset > 8388607) return E_INVALIDARG;
  FlvMessage frame{9, timestamp, std::move(body)};
  hr = make_avc_frame_body(key, static_cast<int32_t>(offset), units, frame.body);
  if (FAILED(hr)) return hr;
  out.push_back(std::move(frame));
  return S_OK;
}

}  // namespace quorvel::windows
