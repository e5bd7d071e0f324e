#include "engine/byte_order.h"

#include <gtest/gtest.h>

#include <array>

namespace quorvel::windows {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(ByteOrderTest, WritesAndReadsMostSignificantByteFirst) {
  struct Case {
    uint64_t value;
    int bytes;
    Bytes wire;
  };
  const Case cases[] = {
      {0xAB, 1, {0xAB}},
      {0x1234, 2, {0x12, 0x34}},
      {0xABCDEF, 3, {0xAB, 0xCD, 0xEF}},
      {0x12345678, 4, {0x12, 0x34, 0x56, 0x78}},
      {0x0102030405060708, 8, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}},
      // Only the low bytes are kept.
      {0x12345678, 2, {0x56, 0x78}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    Bytes appended = {0xEE};
    write_uint_be(appended, c.value, c.bytes);
    Bytes expected = {0xEE};
    expected.insert(expected.end(), c.wire.begin(), c.wire.end());
    EXPECT_EQ(appended, expected);

    Bytes stored(c.wire.size(), 0);
    store_uint_be(stored, c.value);
    EXPECT_EQ(stored, c.wire);

    const uint64_t mask = c.bytes == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * c.bytes)) - 1;
    EXPECT_EQ(read_uint_be(c.wire), c.value & mask);
  }
}

}  // namespace
}  // namespace quorvel::windows
