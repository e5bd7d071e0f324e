#include "account/base64url.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace halvarin::sdk {
namespace {

std::vector<uint8_t> to_bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::string encode(const std::vector<uint8_t>& bytes) {
  return base64url_encode(bytes.data(), bytes.size());
}

// RFC 4648 section 10 vectors (no padding), and bytes whose sextets use the
// two URL-safe characters.
struct Vector {
  std::vector<uint8_t> bytes;
  std::string text;
};

const std::vector<Vector>& known_vectors() {
  static const std::vector<Vector> vectors = {
      {to_bytes(""), ""},
      {to_bytes("f"), "Zg"},
      {to_bytes("fo"), "Zm8"},
      {to_bytes("foo"), "Zm9v"},
      {to_bytes("foob"), "Zm9vYg"},
      {to_bytes("fooba"), "Zm9vYmE"},
      {to_bytes("foobar"), "Zm9vYmFy"},
      {{0xFB, 0xFF}, "-_8"},
      {{0xFF, 0xFF, 0xFF}, "____"},
      {{0xFB, 0xEF, 0xBE}, "----"},
      {{0x00, 0x00, 0x00}, "AAAA"},
      {{0x00}, "AA"},
  };
  return vectors;
}

TEST(Base64UrlTest, EncodesKnownVectorsWithoutPadding) {
  for (const Vector& v : known_vectors()) {
    EXPECT_EQ(encode(v.bytes), v.text);
  }
  EXPECT_EQ(base64url_encode(nullptr, 0), "");
}

TEST(Base64UrlTest, DecodesKnownVectors) {
  for (const Vector& v : known_vectors()) {
    EXPECT_EQ(base64url_decode(v.text), v.bytes) << v.text;
  }
}

TEST(Base64UrlTest, OneTwoAndThreeBytesGiveTwoThreeAndFourCharacters) {
  for (size_t n = 1; n <= 9; ++n) {
    const std::string text = encode(std::vector<uint8_t>(n, 0xA5));
    EXPECT_EQ(text.size(), (4 * n + 2) / 3) << n;
  }
  EXPECT_EQ(encode({1}).size(), 2u);
  EXPECT_EQ(encode({1, 2}).size(), 3u);
  EXPECT_EQ(encode({1, 2, 3}).size(), 4u);
}

TEST(Base64UrlTest, EveryByteValueRoundTripsThroughTheUrlSafeAlphabet) {
  std::vector<uint8_t> all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
  for (size_t length = 0; length <= all.size(); length += 37) {
    const std::vector<uint8_t> part(all.begin(), all.begin() + length);
    const std::string text = encode(part);
    EXPECT_EQ(text.find_first_of("+/="), std::string::npos);
    EXPECT_EQ(base64url_decode(text), part) << length;
  }
}

TEST(Base64UrlTest, RejectsAnyCharacterOutsideTheAlphabet) {
  const std::vector<std::string> bad = {"Zg==", "Zm9v=", "=", "a+b", "a/b", "Zm 9v", "Zm9v\n",
                                        "\tZg", "Zm9v.", "Zm9v\x80", std::string("Zg\0", 3)};
  for (const std::string& text : bad) {
    EXPECT_TRUE(base64url_decode(text).empty()) << text;
  }
}

TEST(Base64UrlTest, DropsLeftoverBitsWithoutACheck) {
  EXPECT_TRUE(base64url_decode("A").empty());
  EXPECT_TRUE(base64url_decode("_").empty());
  // "Zh" carries bits beyond the one byte that "Zg" encodes.
  EXPECT_EQ(base64url_decode("Zh"), to_bytes("f"));
  EXPECT_EQ(base64url_decode("Zm9vY"), to_bytes("foo"));
  EXPECT_TRUE(base64url_decode("").empty());
}

}  // namespace
}  // namespace halvarin::sdk
