#include "account/percent_encoding.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace halvarin::sdk {
namespace {

TEST(PercentEncodingTest, KeepsUnreservedCharactersAndEncodesEveryOtherByte) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"AZaz09", "AZaz09"},
      {"-._~", "-._~"},
      {" ", "%20"},
      {"a b", "a%20b"},
      {"\xE4", "%E4"},
      {"\xC3\xA9", "%C3%A9"},
      {"+", "%2B"},
      {"/?#&=", "%2F%3F%23%26%3D"},
      {"%", "%25"},
      {"http://127.0.0.1:8/callback", "http%3A%2F%2F127.0.0.1%3A8%2Fcallback"},
      {std::string(1, '\0'), "%00"},
      {"\x7f\xff", "%7F%FF"},
      {"!*'()", "%21%2A%27%28%29"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(percent_encode(c.text), c.expected) << c.text;
  }
}

TEST(PercentEncodingTest, EncodesEachByteOutsideTheUnreservedSetAsThreeCharacters) {
  for (int byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    const bool unreserved = std::isalnum(byte) != 0 && byte < 0x80;
    const bool kept = unreserved || c == '-' || c == '.' || c == '_' || c == '~';
    const std::string encoded = percent_encode(std::string(1, c));
    if (kept) {
      EXPECT_EQ(encoded, std::string(1, c)) << byte;
    } else {
      char expected[4];
      std::snprintf(expected, sizeof(expected), "%%%02X", byte);
      EXPECT_EQ(encoded, expected) << byte;
    }
  }
}

}  // namespace
}  // namespace halvarin::sdk
