#include "streaming/flv_tags.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "engine/byte_order.h"

namespace quorvel::windows {
namespace {

bool same_bytes(const std::vector<uint8_t>& stored, NalUnit unit) {
  return stored.size() == unit.size() && std::equal(unit.begin(), unit.end(), stored.begin());
}

}  // namespace

namespace {

// The position of the first start code at or after `from`, and its length;
// {n, 0} when there is none. Every start code ends in the byte 1 behind two
// zero bytes, so memchr finds the candidates and only they are looked at.
// Where three zero bytes come before the 1, the code is the 4-byte form
// starting one byte earlier, as a byte-by-byte scan would find it first.
std::pair<size_t, size_t> find_start_code(std::span<const uint8_t> data, size_t from) {
  const size_t n = data.size();
  const uint8_t* const bytes = data.data();
  size_t search = from + 2;
  while (search < n) {
    const void* found = std::memchr(bytes + search, 1, n - search);
    if (found == nullptr) break;
    const size_t one = static_cast<size_t>(static_cast<const uint8_t*>(found) - bytes);
    if (bytes[one - 1] == 0 && bytes[one - 2] == 0) {
      if (one >= from + 3 && bytes[one - 3] == 0) return {one - 3, 4};
      return {one - 2, 3};
    }
    search = one + 1;
  }
  return {n, 0};
}

}  // namespace

std::vector<NalUnit> split_annexb_nal_units(std::span<const uint8_t> data) {
  std::vector<NalUnit> units;
  const size_t n = data.size();
  bool begun = false;
  size_t begin = 0;
  size_t i = 0;
  for (;;) {
    const auto [at, length] = find_start_code(data, i);
    if (length == 0) break;
    if (begun && at > begin) units.push_back(data.subspan(begin, at - begin));
    begun = true;
    begin = at + length;
    i = begin;
  }
  if (begun && n > begin) units.push_back(data.subspan(begin));
  return units;
}

void capture_avc_parameter_sets(FlvState& state, std::span<const uint8_t> data, bool& changed) {
  const std::vector<NalUnit> units = split_annexb_nal_units(data);
  capture_avc_parameter_sets(state, std::span<const NalUnit>(units), changed);
}

void capture_avc_parameter_sets(FlvState& state, std::span<const NalUnit> units, bool& changed) {
  for (NalUnit unit : units) {
    const uint8_t type = unit[0] & 0x1F;
    std::vector<uint8_t>* target = type == 7 ? &state.sps : type == 8 ? &state.pps : nullptr;
    if (target == nullptr || same_bytes(*target, unit)) continue;
    target->assign(unit.begin(), unit.end());
    changed = true;
  }
}

std::vector<uint8_t> make_avc_sequence_header(std::span<const uint8_t> sps,
                                              std::span<const uint8_t> pps) {
  std::vector<uint8_t> body = {0x17, 0x00, 0x00, 0x00, 0x00, 0x01, sps[1], sps[2], sps[3],
                               0xFF, 0xE1};
  body.reserve(body.size() + 2 + sps.size() + 3 + pps.size());
  write_uint_be(body, static_cast<uint32_t>(sps.size()), 2);
  body.insert(body.end(), sps.begin(), sps.end());
  body.push_back(0x01);
  write_uint_be(body, static_cast<uint32_t>(pps.size()), 2);
  body.insert(body.end(), pps.begin(), pps.end());
  return body;
}

std::optional<std::vector<uint8_t>> make_aac_config(uint32_t sample_rate, uint32_t channels) {
  static constexpr std::array<uint32_t, 13> kRates = {
      96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000, 12000, 11025, 8000, 7350};
  const auto found = std::find(kRates.begin(), kRates.end(), sample_rate);
  if (found == kRates.end() || (channels != 1 && channels != 2)) return std::nullopt;
  const uint32_t index = static_cast<uint32_t>(found - kRates.begin());
  const uint32_t value = (2u << 11) | (index << 7) | (channels << 3);
  std::vector<uint8_t> config;
  write_uint_be(config, value, 2);
  return config;
}

std::vector<uint8_t> make_aac_sequence_header(std::span<const uint8_t> config) {
  std::vector<uint8_t> body = {0xAF, 0x00};
  body.insert(body.end(), config.begin(), config.end());
  return body;
}

}  // namespace quorvel::windows
