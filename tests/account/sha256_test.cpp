#include "account/sha256.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace halvarin::sdk {
namespace {

// FIPS 180-2 and NIST example vectors.
struct Vector {
  std::string text;
  const char* hex;
};

TEST(Sha256Test, HexDigestsMatchPublishedVectors) {
  const std::vector<Vector> vectors = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Vector& v : vectors) {
    EXPECT_EQ(sha256_hex(v.text), v.hex) << v.text.substr(0, 60);
  }
}

TEST(Sha256Test, DigestIsThirtyTwoBytesInDigestOrder) {
  const std::string abc = "abc";
  const std::vector<uint8_t> digest =
      sha256({reinterpret_cast<const uint8_t*>(abc.data()), abc.size()});
  ASSERT_EQ(digest.size(), kSha256DigestBytes);
  EXPECT_EQ(digest.front(), 0xBA);
  EXPECT_EQ(digest[1], 0x78);
  EXPECT_EQ(digest.back(), 0xAD);
}

TEST(Sha256Test, HashesEveryByteIncludingZeros) {
  const std::string with_zero("a\0b", 3);
  EXPECT_NE(sha256_hex(with_zero), sha256_hex("a"));
  EXPECT_EQ(sha256_hex(with_zero).size(), 64u);
  EXPECT_EQ(sha256(std::span<const uint8_t>{}).size(), kSha256DigestBytes);
}

}  // namespace
}  // namespace halvarin::sdk
