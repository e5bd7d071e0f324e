// The RSA public key blob written out from its layout, and RS256 checks of
// signatures made by the test's own CNG key.
#include "account/rs256_signature.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "account/base64url.h"
#include "tests/account/rs256_signer.h"

namespace halvarin::sdk::test {
namespace {

TEST(RsaPublicKeyBlobTest, WritesTheHeaderThenExponentThenModulus) {
  const std::vector<uint8_t> modulus = {0xC1, 0xC2, 0xC3, 0xC4};
  const std::vector<uint8_t> exponent = {0x01, 0x00, 0x01};
  const std::vector<uint8_t> expected = {
      'R', 'S', 'A', '1',     // magic, little-endian 0x31415352
      32, 0, 0, 0,            // bit length: 4 modulus bytes
      3, 0, 0, 0,             // exponent bytes
      4, 0, 0, 0,             // modulus bytes
      0, 0, 0, 0, 0, 0, 0, 0,  // no primes
      0x01, 0x00, 0x01, 0xC1, 0xC2, 0xC3, 0xC4};
  EXPECT_EQ(rsa_public_key_blob(modulus, exponent), expected);
}

class VerifyRs256Test : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Rs256Signer::instance().ready());
    modulus_ = base64url_decode(Rs256Signer::instance().modulus());
    exponent_ = base64url_decode(Rs256Signer::instance().exponent());
    ASSERT_EQ(modulus_.size(), 256u);
  }
  std::vector<uint8_t> modulus_;
  std::vector<uint8_t> exponent_;
};

TEST_F(VerifyRs256Test, HoldsOnlyForTheSignedTextUnderItsKey) {
  const std::string text = "header.payload";
  std::vector<uint8_t> signature = Rs256Signer::instance().sign(text);
  ASSERT_FALSE(signature.empty());
  EXPECT_TRUE(verify_rs256(text, signature, modulus_, exponent_));
  EXPECT_FALSE(verify_rs256("header.payloaD", signature, modulus_, exponent_));

  std::vector<uint8_t> other_modulus = modulus_;
  other_modulus[100] ^= 0x10;
  EXPECT_FALSE(verify_rs256(text, signature, other_modulus, exponent_));

  signature.back() ^= 0x01;
  EXPECT_FALSE(verify_rs256(text, signature, modulus_, exponent_));
}

TEST_F(VerifyRs256Test, EmptyInputsNeverHold) {
  const std::vector<uint8_t> signature = Rs256Signer::instance().sign("t");
  EXPECT_FALSE(verify_rs256("t", {}, modulus_, exponent_));
  EXPECT_FALSE(verify_rs256("t", signature, {}, exponent_));
  EXPECT_FALSE(verify_rs256("t", signature, modulus_, {}));
}

}  // namespace
}  // namespace halvarin::sdk::test
