#include "account/random_token.h"

#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "account/base64url.h"

namespace halvarin::sdk {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

TEST(RandomTokenTest, CountsOutsideOneTo1024GiveNothing) {
  EXPECT_EQ(random_token(0), "");
  EXPECT_EQ(random_token(1025), "");
  EXPECT_EQ(random_token(size_t{1} << 40), "");
}

TEST(RandomTokenTest, LengthsFollowTheByteCountInTheUrlSafeAlphabet) {
  struct Case {
    size_t bytes;
    size_t characters;
  };
  const std::vector<Case> cases = {{1, 2}, {2, 3}, {3, 4}, {24, 32}, {32, 43}, {48, 64},
                                   {1024, 1366}};
  for (const Case& c : cases) {
    const std::string token = random_token(c.bytes);
    EXPECT_EQ(token.size(), c.characters) << c.bytes;
    EXPECT_EQ(token.find_first_not_of(kAlphabet), std::string::npos) << token;
    EXPECT_EQ(base64url_decode(token).size(), c.bytes);
  }
}

TEST(RandomTokenTest, TokensDiffer) {
  std::set<std::string> tokens;
  for (int i = 0; i < 64; ++i) tokens.insert(random_token(24));
  EXPECT_EQ(tokens.size(), 64u);
}

TEST(RandomTokenTest, BytesAreSpreadOverEveryValue) {
  // 1024 random bytes leave about 5 of the 256 values unused; a generator
  // that wrote nothing or repeated one byte would leave almost all of them.
  const std::vector<uint8_t> bytes = base64url_decode(random_token(1024));
  ASSERT_EQ(bytes.size(), 1024u);
  std::set<uint8_t> seen(bytes.begin(), bytes.end());
  EXPECT_GT(seen.size(), 200u);
}

TEST(PkceChallengeTest, MatchesTheRfc7636AppendixBExample) {
  EXPECT_EQ(pkce_challenge("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
            "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
}

TEST(PkceChallengeTest, IsFortyThreeUrlSafeCharacters) {
  for (const std::string& verifier : {std::string(), std::string("a"), random_token(48)}) {
    const std::string challenge = pkce_challenge(verifier);
    EXPECT_EQ(challenge.size(), 43u);
    EXPECT_EQ(challenge.find_first_not_of(kAlphabet), std::string::npos);
  }
  // SHA-256 of the empty text, base64url.
  EXPECT_EQ(pkce_challenge(""), "47DEQpj8HBSa-_TImW-5JCeuQeRkm5NMpJWZG3hSuFU");
}

}  // namespace
}  // namespace halvarin::sdk
