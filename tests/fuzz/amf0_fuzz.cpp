// AMF0 command values: any bytes decode or fail with the protocol failure,
// and values written by the encoder decode to what was written.
#include <bit>
#include <map>
#include <vector>

#include "streaming/amf0.h"
#include "streaming/failure.h"
#include "tests/fuzz/fuzz_support.h"

using namespace quorvel::windows;
using quorvel::fuzz::check;

namespace {

bool same_number(double a, double b) {
  return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

void decode_anything(const uint8_t* data, size_t size) {
  try {
    const std::vector<AmfValue> values = amf0_decode_values({data, size});
    check(values.size() <= kAmfMaxCommandValues, "value count bound");
    (void)find_status_code(values);
  } catch (const Failure& failure) {
    check(failure.code == kFailureProtocol, "only protocol failures");
  }
}

// A command as the client writes one: numbers, strings, nulls and flat
// objects of string and number properties.
void round_trip(FuzzedDataProvider& input) {
  std::vector<uint8_t> bytes;
  std::vector<AmfValue> expected;
  while (input.remaining_bytes() > 0 && expected.size() < kAmfMaxCommandValues) {
    AmfValue value;
    switch (input.ConsumeIntegralInRange(0, 3)) {
      case 0:
        value.number = input.ConsumeFloatingPoint<double>();
        amf0_write_number(bytes, value.number);
        break;
      case 1:
        value.text = input.ConsumeRandomLengthString(256);
        amf0_write_string(bytes, value.text);
        break;
      case 2:
        amf0_write_null(bytes);
        break;
      default: {
        amf0_write_object_start(bytes);
        const int properties = input.ConsumeIntegralInRange(0, 8);
        for (int i = 0; i < properties; ++i) {
          std::string key = input.ConsumeRandomLengthString(32);
          if (value.object.count(key) != 0) continue;
          AmfValue property;
          if (input.ConsumeBool()) {
            property.number = input.ConsumeFloatingPoint<double>();
            amf0_write_number_property(bytes, key, property.number);
          } else {
            property.text = input.ConsumeRandomLengthString(64);
            amf0_write_string_property(bytes, key, property.text);
          }
          value.object.emplace(std::move(key), std::move(property));
        }
        amf0_write_object_end(bytes);
      }
    }
    expected.push_back(std::move(value));
  }
  const std::vector<AmfValue> decoded = amf0_decode_values(bytes);
  check(decoded.size() == expected.size(), "value count round trip");
  for (size_t i = 0; i < decoded.size(); ++i) {
    check(decoded[i].text == expected[i].text, "string round trip");
    check(same_number(decoded[i].number, expected[i].number), "number round trip");
    check(decoded[i].object.size() == expected[i].object.size(), "property count round trip");
    for (const auto& [key, property] : expected[i].object) {
      const auto found = decoded[i].object.find(key);
      check(found != decoded[i].object.end(), "property key round trip");
      check(found->second.text == property.text, "property string round trip");
      check(same_number(found->second.number, property.number), "property number round trip");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  decode_anything(data, size);
  FuzzedDataProvider input(data, size);
  round_trip(input);
  return 0;
}
