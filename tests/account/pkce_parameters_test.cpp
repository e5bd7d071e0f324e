// The secrets of one sign-in: their lengths and alphabet, the challenge as
// the S256 digest of the verifier, and fresh values on every call.
#include "account/pkce_parameters.h"

#include <gtest/gtest.h>

#include "tests/account/installation_flow_fixture.h"
#include "tests/account/rs256_signer.h"

namespace halvarin::sdk::test {
namespace {

TEST(PkceParametersTest, MakesAVerifierItsChallengeAStateAndANonce) {
  const PkceParameters pkce = make_pkce_parameters();
  ASSERT_EQ(pkce.error.kind, kErrorNone);
  EXPECT_TRUE(is_token_of_length(pkce.code_verifier, 64)) << pkce.code_verifier;
  EXPECT_TRUE(is_token_of_length(pkce.code_challenge, 43)) << pkce.code_challenge;
  EXPECT_TRUE(is_token_of_length(pkce.state, 32)) << pkce.state;
  EXPECT_TRUE(is_token_of_length(pkce.nonce, 32)) << pkce.nonce;
  EXPECT_EQ(pkce.code_challenge, base64url(sha256_of(pkce.code_verifier)));
  EXPECT_NE(pkce.state, pkce.nonce);
}

TEST(PkceParametersTest, EverySignInGetsNewValues) {
  const PkceParameters first = make_pkce_parameters();
  const PkceParameters second = make_pkce_parameters();
  EXPECT_NE(first.code_verifier, second.code_verifier);
  EXPECT_NE(first.state, second.state);
  EXPECT_NE(first.nonce, second.nonce);
}

}  // namespace
}  // namespace halvarin::sdk::test
