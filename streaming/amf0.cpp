#include "streaming/amf0.h"

#include <bit>
#include <cstring>

#include "streaming/failure.h"

namespace quorvel::windows {
namespace {

void check_length(std::string_view text) {
  if (text.size() > 0xFFFF) throw Failure(kFailureProtocol, "AMF0 string too long");
}

void append(std::vector<uint8_t>& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
}

// A map node holds its links and colour besides the key and the value.
constexpr size_t kMapNodeLinks = 4 * sizeof(void*);

}  // namespace

void amf0_write_number(std::vector<uint8_t>& out, double value) {
  out.push_back(0x00);
  write_uint_be(out, std::bit_cast<uint64_t>(value), 8);
}

void amf0_write_string(std::vector<uint8_t>& out, std::string_view text) {
  check_length(text);
  out.push_back(0x02);
  write_uint_be(out, text.size(), 2);
  append(out, text);
}

void amf0_write_null(std::vector<uint8_t>& out) { out.push_back(0x05); }

void amf0_write_object_start(std::vector<uint8_t>& out) { out.push_back(0x03); }

void amf0_write_object_end(std::vector<uint8_t>& out) {
  out.insert(out.end(), {0x00, 0x00, 0x09});
}

void amf0_write_string_property(std::vector<uint8_t>& out, std::string_view key,
                                std::string_view value) {
  check_length(key);
  check_length(value);
  write_uint_be(out, key.size(), 2);
  append(out, key);
  amf0_write_string(out, value);
}

void amf0_write_number_property(std::vector<uint8_t>& out, std::string_view key, double value) {
  check_length(key);
  write_uint_be(out, key.size(), 2);
  append(out, key);
  amf0_write_number(out, value);
}

std::span<const uint8_t> AmfReader::take(size_t count) {
  if (count > bytes_.size() - position_) throw Failure(kFailureProtocol, "AMF0 truncated");
  const auto piece = bytes_.subspan(position_, count);
  position_ += count;
  return piece;
}

uint64_t AmfReader::read_uint(int bytes) {
  return read_uint_be(take(static_cast<size_t>(bytes)));
}

void AmfReader::spend(size_t bytes) {
  if (bytes > budget_) throw Failure(kFailureProtocol, "AMF0 decode budget");
  budget_ -= bytes;
}

std::string AmfReader::read_string(size_t length_bytes) {
  const size_t length = static_cast<size_t>(read_uint(static_cast<int>(length_bytes)));
  const auto bytes = take(length);
  spend(length);
  return std::string(bytes.begin(), bytes.end());
}

void AmfReader::read_properties(AmfValue& into, int depth) {
  size_t count = 0;
  for (;;) {
    std::string key = read_string(2);
    if (key.empty() && position_ < bytes_.size() && bytes_[position_] == 0x09) {
      ++position_;
      return;
    }
    if (++count > kAmfMaxProperties) throw Failure(kFailureProtocol, "AMF0 object too large");
    spend(sizeof(std::string) + kMapNodeLinks);
    AmfValue value = read_value(depth + 1);
    into.object.try_emplace(std::move(key), std::move(value));
  }
}

AmfValue AmfReader::read_value(int depth) {
  if (depth > kAmfMaxDepth) throw Failure(kFailureProtocol, "AMF0 nesting too deep");
  spend(sizeof(AmfValue));
  AmfValue value;
  const uint8_t marker = take(1)[0];
  switch (marker) {
    case 0x00:
      value.number = std::bit_cast<double>(read_uint(8));
      break;
    case 0x01:
      take(1);
      break;
    case 0x02:
      value.text = read_string(2);
      break;
    case 0x03:
      read_properties(value, depth);
      break;
    case 0x05:
    case 0x06:
      break;
    case 0x08:
      take(4);
      read_properties(value, depth);
      break;
    case 0x0A: {
      const uint64_t count = read_uint(4);
      if (count > kAmfMaxStrictArray) throw Failure(kFailureProtocol, "AMF0 array too large");
      for (uint64_t i = 0; i < count; ++i) read_value(depth + 1);
      break;
    }
    case 0x0B:
      take(10);
      break;
    case 0x0C:
      value.text = read_string(4);
      break;
    default:
      throw Failure(kFailureProtocol, "AMF0 unknown marker");
  }
  return value;
}

std::vector<AmfValue> amf0_decode_values(std::span<const uint8_t> payload) {
  AmfReader reader(payload);
  std::vector<AmfValue> values;
  while (!reader.at_end()) {
    if (values.size() == kAmfMaxCommandValues) {
      throw Failure(kFailureProtocol, "too many command values");
    }
    values.push_back(reader.read_value(0));
  }
  return values;
}

std::string find_status_code(const std::vector<AmfValue>& values) {
  for (const AmfValue& value : values) {
    const auto found = value.object.find("code");
    if (found != value.object.end()) return found->second.text;
  }
  return {};
}

}  // namespace quorvel::windows
