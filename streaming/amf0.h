// AMF0 as the RTMP command messages carry it: appending values to a byte
// buffer and decoding the values of a received command. Plain functions over
// bytes, no platform calls, so a native build can fuzz them.
//
// The decoder is bounded for hostile input: nesting depth 15, 4095 object
// properties, 4096 strict-array elements, and 4 MiB of decoded strings and
// nodes per decode (a 1 MiB command of tiny properties would otherwise cost
// tens of MB); anything beyond, and running out of bytes, is a protocol
// failure (code 3).
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/byte_order.h"

namespace quorvel::windows {

// One decoded value. There is no type tag: strings fill `text`, numbers
// `number`, objects and ECMA arrays `object`; every other type decodes empty.
struct AmfValue {
  std::string text;
  double number = 0;
  std::map<std::string, AmfValue> object;
};

inline constexpr int kAmfMaxDepth = 15;
inline constexpr size_t kAmfMaxProperties = 4095;
inline constexpr uint32_t kAmfMaxStrictArray = 4096;
inline constexpr size_t kAmfMaxCommandValues = 128;
// Every value read costs sizeof(AmfValue), every object property also its
// key's string and map node, every string its length.
inline constexpr size_t kAmfDecodeBudget = 4 * 1024 * 1024;

void amf0_write_number(std::vector<uint8_t>& out, double value);
// Code 3 when the text is longer than 0xFFFF bytes.
void amf0_write_string(std::vector<uint8_t>& out, std::string_view text);
void amf0_write_null(std::vector<uint8_t>& out);
void amf0_write_object_start(std::vector<uint8_t>& out);
void amf0_write_object_end(std::vector<uint8_t>& out);
// One object property of string value; code 3 when key or value exceeds 0xFFFF bytes.
void amf0_write_string_property(std::vector<uint8_t>& out, std::string_view key,
                                std::string_view value);
// One object property of number value.
void amf0_write_number_property(std::vector<uint8_t>& out, std::string_view key, double value);

class AmfReader {
 public:
  // `budget`: the decoded bytes this reader may produce over all its reads.
  explicit AmfReader(std::span<const uint8_t> bytes, size_t budget = kAmfDecodeBudget)
      : bytes_(bytes), budget_(budget) {}

  AmfValue read_value(int depth = 0);
  bool at_end() const { return position_ == bytes_.size(); }

 private:
  std::span<const uint8_t> take(size_t count);
  uint64_t read_uint(int bytes);
  std::string read_string(size_t length_bytes);
  void read_properties(AmfValue& into, int depth);
  void spend(size_t bytes);

  std::span<const uint8_t> bytes_;
  size_t position_ = 0;
  size_t budget_;
};

// Every value of a command payload; code 3 beyond 128 values.
std::vector<AmfValue> amf0_decode_values(std::span<const uint8_t> payload);

// The text of the first "code" property among the values' objects, or empty.
std::string find_status_code(const std::vector<AmfValue>& values);

}  // namespace quorvel::windows
