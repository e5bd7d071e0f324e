#include "streaming/amf0.h"

#include <gtest/gtest.h>

#include <bit>

#include "streaming/failure.h"

namespace quorvel::windows {
namespace {

using Bytes = std::vector<uint8_t>;

int failure_code(const Bytes& payload) {
  try {
    amf0_decode_values(payload);
  } catch (const Failure& failure) {
    return failure.code;
  }
  return -1;
}

Bytes key_bytes(std::string_view key) {
  Bytes out(2 + key.size());
  out[0] = static_cast<uint8_t>(key.size() >> 8);
  out[1] = static_cast<uint8_t>(key.size());
  std::copy(key.begin(), key.end(), out.begin() + 2);
  return out;
}

// An object holding an object holding ... `levels` objects in all.
Bytes nested_objects(int levels) {
  Bytes out;
  for (int i = 0; i < levels; ++i) {
    out.push_back(0x03);
    if (i + 1 < levels) {
      const Bytes key = key_bytes("k");
      out.insert(out.end(), key.begin(), key.end());
    }
  }
  for (int i = 0; i < levels; ++i) out.insert(out.end(), {0x00, 0x00, 0x09});
  return out;
}

TEST(Amf0Test, WritesValuesInTheirWireLayout) {
  Bytes out;
  amf0_write_string(out, "ab");
  amf0_write_number(out, 1.0);
  amf0_write_null(out);
  amf0_write_object_start(out);
  amf0_write_string_property(out, "k", "v");
  amf0_write_object_end(out);
  const Bytes expected = {0x02, 0x00, 0x02, 'a', 'b',                           // string
                          0x00, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0,                 // 1.0
                          0x05,                                               // null
                          0x03, 0x00, 0x01, 'k', 0x02, 0x00, 0x01, 'v',       // {k: "v"
                          0x00, 0x00, 0x09};                                  // }
  EXPECT_EQ(out, expected);
}

TEST(Amf0Test, RoundTripsCommandValues) {
  Bytes out;
  amf0_write_string(out, "_result");
  amf0_write_number(out, 2.5);
  amf0_write_object_start(out);
  amf0_write_string_property(out, "code", "NetConnection.Connect.Success");
  amf0_write_number_property(out, "objectEncoding", 3);
  amf0_write_object_end(out);
  amf0_write_null(out);
  const auto values = amf0_decode_values(out);
  ASSERT_EQ(values.size(), 4u);
  EXPECT_EQ(values[0].text, "_result");
  EXPECT_EQ(values[1].number, 2.5);
  EXPECT_EQ(values[2].object.at("code").text, "NetConnection.Connect.Success");
  EXPECT_EQ(values[2].object.at("objectEncoding").number, 3);
  EXPECT_TRUE(values[3].text.empty() && values[3].object.empty());
  EXPECT_EQ(find_status_code(values), "NetConnection.Connect.Success");
}

TEST(Amf0Test, DecodesOtherTypesAsEmptyAndKeepsFirstDuplicateKey) {
  Bytes in = {0x01, 0x01,                                     // boolean
              0x06,                                           // undefined
              0x0B, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10,            // date
              0x0C, 0, 0, 0, 2, 'h', 'i',                     // long string
              0x0A, 0, 0, 0, 2, 0x05, 0x02, 0, 1, 'x',        // strict array
              0x08, 0, 0, 0, 9,                               // ECMA array
              0, 1, 'a', 0x02, 0, 1, '1',                     //   a: "1"
              0, 1, 'a', 0x02, 0, 1, '2',                     //   a: "2" (ignored)
              0, 0, 0x02, 0, 1, 'e',                          //   "": "e"
              0, 0, 0x09};
  const auto values = amf0_decode_values(in);
  ASSERT_EQ(values.size(), 6u);
  EXPECT_TRUE(values[0].text.empty());
  EXPECT_EQ(values[3].text, "hi");
  EXPECT_TRUE(values[4].object.empty());
  EXPECT_EQ(values[5].object.at("a").text, "1");
  EXPECT_EQ(values[5].object.at("").text, "e");
}

TEST(Amf0Test, AllowsFifteenLevelsOfNestingAndRefusesSixteen) {
  EXPECT_EQ(failure_code(nested_objects(16)), -1);  // depths 0 to 15
  EXPECT_EQ(failure_code(nested_objects(17)), kFailureProtocol);
}

TEST(Amf0Test, RefusesOversizedContainers) {
  Bytes array_ok = {0x0A, 0x00, 0x00, 0x10, 0x00};  // 4096 elements
  array_ok.insert(array_ok.end(), 4096, 0x05);
  EXPECT_EQ(failure_code(array_ok), -1);
  Bytes array_big = {0x0A, 0x00, 0x00, 0x10, 0x01};  // 4097, refused before reading
  EXPECT_EQ(failure_code(array_big), kFailureProtocol);
  const Bytes array_huge = {0x0A, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(failure_code(array_huge), kFailureProtocol);

  auto object_with = [](int properties) {
    Bytes out = {0x03};
    for (int i = 0; i < properties; ++i) {
      const Bytes key = key_bytes(std::to_string(i));
      out.insert(out.end(), key.begin(), key.end());
      out.push_back(0x05);
    }
    out.insert(out.end(), {0x00, 0x00, 0x09});
    return out;
  };
  EXPECT_EQ(failure_code(object_with(4095)), -1);
  EXPECT_EQ(failure_code(object_with(4096)), kFailureProtocol);

  Bytes many_values(128, 0x05);
  EXPECT_EQ(failure_code(many_values), -1);
  many_values.push_back(0x05);
  EXPECT_EQ(failure_code(many_values), kFailureProtocol);
}

TEST(Amf0Test, RefusesCommandsThatDecodeToMoreThanTheBudget) {
  // Within every per-value limit and far below the 1 MiB message limit:
  // 4095 properties, each an object of ten empty-named nulls, about 160 kB
  // that decode into some 45,000 nodes.
  Bytes many_nodes = {0x03};
  for (int i = 0; i < 4095; ++i) {
    const Bytes key = key_bytes(std::to_string(i));
    many_nodes.insert(many_nodes.end(), key.begin(), key.end());
    many_nodes.push_back(0x03);
    for (int j = 0; j < 10; ++j) many_nodes.insert(many_nodes.end(), {0x00, 0x00, 0x05});
    many_nodes.insert(many_nodes.end(), {0x00, 0x00, 0x09});
  }
  many_nodes.insert(many_nodes.end(), {0x00, 0x00, 0x09});
  ASSERT_LT(many_nodes.size(), 200'000u);
  EXPECT_EQ(failure_code(many_nodes), kFailureProtocol);

  // Long strings count byte for byte: three of 1 MiB fit, five do not.
  auto long_strings = [](int count) {
    Bytes out;
    for (int i = 0; i < count; ++i) {
      out.insert(out.end(), {0x0C, 0x00, 0x10, 0x00, 0x00});
      out.insert(out.end(), 0x100000, 'x');
    }
    return out;
  };
  const Bytes three = long_strings(3);
  EXPECT_EQ(failure_code(three), -1);
  EXPECT_EQ(failure_code(three), -1) << "each decode has a budget of its own";
  EXPECT_EQ(failure_code(long_strings(5)), kFailureProtocol);
}

TEST(Amf0Test, RefusesTruncatedAndUnknownInput) {
  const Bytes cases[] = {
      {0x00, 1, 2, 3},                       // short number
      {0x02, 0x00, 0x05, 'a'},               // short string
      {0x0C, 0xFF, 0xFF, 0xFF, 0xFF, 'a'},   // long string longer than the message
      {0x03, 0x00, 0x01, 'k'},               // object ends inside a property
      {0x03},                                // object without end
      {0x0B, 1, 2},                          // short date
      {0x07, 0x00, 0x00},                    // reference: not accepted
      {0x11},                                // AMF3 switch: not accepted
  };
  for (const Bytes& in : cases) EXPECT_EQ(failure_code(in), kFailureProtocol);
}

TEST(Amf0Test, RefusesStringsLongerThan65535Bytes) {
  Bytes out;
  const std::string longest(0xFFFF, 'x');
  amf0_write_string(out, longest);
  EXPECT_EQ(out.size(), 3u + 0xFFFF);
  EXPECT_THROW(amf0_write_string(out, longest + "x"), Failure);
  EXPECT_THROW(amf0_write_string_property(out, longest + "x", "v"), Failure);
  EXPECT_THROW(amf0_write_string_property(out, "k", longest + "x"), Failure);
}

}  // namespace
}  // namespace quorvel::windows
