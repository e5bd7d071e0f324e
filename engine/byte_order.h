// Unsigned integers in big-endian (network) byte order, the order of the
// wire and container formats the program writes and reads: the RTMP chunk
// stream and its AMF0 commands, FLV tags, H.264 length prefixes. One set of
// helpers for every format, so the byte order is written down once.
// Plain functions over bytes; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorvel::windows {

// Appends the low `bytes` bytes of `value` (1 to 8), most significant first.
inline void write_uint_be(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Fills `at` (1 to 8 bytes) with the low bytes of `value`, most significant first.
inline void store_uint_be(std::span<uint8_t> at, uint64_t value) {
  const size_t count = at.size();
  for (size_t i = 0; i < count; ++i) at[i] = static_cast<uint8_t>(value >> (8 * (count - 1 - i)));
}

// The value of `bytes` (1 to 8 of them), most significant first.
inline uint64_t read_uint_be(std::span<const uint8_t> bytes) {
  uint64_t value = 0;
  for (uint8_t b : bytes) value = (value << 8) | b;
  return value;
}

}  // namespace quorvel::windows
