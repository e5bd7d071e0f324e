#include "engine/timeline_format.h"

#include <array>
#include <cstring>

namespace quorvel::windows {
namespace {

uint32_t get_u32(const uint8_t* at) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(at[i]) << (8 * i);
  return value;
}

}  // namespace

uint64_t valid_timeline_length(std::istream& in, uint64_t size) {
  std::array<uint8_t, kTimelineHeaderSize> header{};
  if (!in.read(reinterpret_cast<char*>(header.data()), header.size())) return 0;
  if (std::memcmp(header.data(), kTimelineMagic, sizeof kTimelineMagic) != 0 ||
      get_u32(header.data() + 8) != kTimelineVersion ||
      get_u32(header.data() + 12) != kTimelineHeaderSize) {
    return 0;
  }
  uint64_t valid = kTimelineHeaderSize;
  std::array<uint8_t, 8> head{};
  while (in.read(reinterpret_cast<char*>(head.data()), head.size())) {
    const uint32_t type = get_u32(head.data());
    const uint32_t record_size = get_u32(head.data() + 4);
    const bool known =
        (type == kTimelineVideoRecordType && record_size == kTimelineVideoRecordSize) ||
        (type == kTimelineCameraRecordType && record_size == kTimelineCameraRecordSize);
    if (!known || valid + record_size > size) break;
    if (!in.seekg(record_size - 8, std::ios::cur)) break;
    valid += record_size;
  }
  return valid;
}

}  // namespace quorvel::windows
