// Verifying ID tokens signed at test time by the fake service's key,
// published at its key set behind the TLS front: which tokens are accepted,
// with which message each other one is refused, and how many times the key
// set was fetched for it.
#include "account/id_token.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "account/base64url.h"
#include "tests/account/oauth_flow_fixture.h"

namespace halvarin::sdk::test {
namespace {

constexpr char kMalformed[] = "The ID token is malformed.";
constexpr char kAlgorithm[] = "The ID token algorithm is not accepted.";
constexpr char kKeyUnavailable[] = "The ID token signing key is unavailable.";
constexpr char kSignature[] = "The ID token signature is invalid.";
constexpr char kClaims[] = "The ID token claims are invalid.";
constexpr char kSubject[] = "The ID token subject is missing.";
constexpr char kNonce[] = "expected-nonce";

int64_t now_seconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

// The claims of a token as raw JSON values, written out in this order;
// a case changes or drops single members.
struct Claims {
  std::vector<std::pair<std::string, std::string>> members;

  Claims& set(const std::string& name, const std::string& raw) {
    for (auto& member : members) {
      if (member.first == name) {
        member.second = raw;
        return *this;
      }
    }
    members.emplace_back(name, raw);
    return *this;
  }
  Claims& drop(const std::string& name) {
    std::erase_if(members, [&](const auto& member) { return member.first == name; });
    return *this;
  }
  std::string json() const {
    std::string out = "{";
    for (const auto& [name, raw] : members) {
      out += (out.size() > 1 ? ",\"" : "\"") + name + "\":" + raw;
    }
    return out + "}";
  }
};

std::string json_string(const std::string& text) { return "\"" + text + "\""; }

std::string header_of(const std::string& alg, const std::string& kid) {
  std::string header = "{\"typ\":\"JWT\",\"alg\":" + json_string(alg);
  if (!kid.empty()) header += ",\"kid\":" + json_string(kid);
  return header + "}";
}

std::string key_json(const std::string& kid, const std::string& modulus) {
  return "{\"kty\":\"RSA\",\"kid\":" + json_string(kid) + ",\"n\":" + json_string(modulus) +
         ",\"e\":" + json_string(Rs256Signer::instance().exponent()) + "}";
}

// The modulus of the signing key with its last byte changed: a key that
// verifies nothing the fake signed.
std::string other_modulus() {
  std::vector<uint8_t> modulus = base64url_decode(Rs256Signer::instance().modulus());
  modulus.back() ^= 0x02;
  return base64url_encode(modulus.data(), modulus.size());
}

FakeStep answer_step(int status, std::string body) {
  return FakeStep{FakeAction::kAnswer,
                  FakeAnswer{status, {"Content-Type: application/json"}, std::move(body), false},
                  0};
}

class IdTokenTest : public OAuthFlowTest {
 protected:
  Claims good_claims() const {
    return Claims{{{"iss", json_string(configuration_.base_url)},
                   {"aud", json_string(configuration_.client_id)},
                   {"exp", std::to_string(now_seconds() + 3600)},
                   {"nonce", json_string(kNonce)},
                   {"sub", json_string("user-ada")},
                   {"email", json_string("ada@example.com")},
                   {"name", json_string("Ada Lovelace")}}};
  }
  static std::string good_header() { return header_of("RS256", kKeyId); }

  struct Verified {
    Error error;
    std::string subject, email, name;
    size_t key_set_gets = 0;
  };

  Verified verify(const std::string& token, const std::string& nonce = kNonce) {
    const size_t before = account_service().request_count();
    Verified out;
    out.error = verify_id_token(configuration_, token, nonce, out.subject, out.email, out.name,
                                hooks_);
    out.key_set_gets = count_of(requests_after(before), kKeySetRoute);
    return out;
  }
};

TEST_F(IdTokenTest, AcceptsAValidTokenAndHandsBackItsClaims) {
  const Verified verified = verify(signed_token(good_header(), good_claims().json()));
  ASSERT_EQ(verified.error.kind, kErrorNone) << verified.error.message;
  EXPECT_EQ(verified.subject, "user-ada");
  EXPECT_EQ(verified.email, "ada@example.com");
  EXPECT_EQ(verified.name, "Ada Lovelace");
  EXPECT_EQ(verified.key_set_gets, 1u);
  const std::vector<FakeRequest> requests = account_service().requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().method, "GET");
  EXPECT_EQ(requests.back().header("Authorization"), "");
}

TEST_F(IdTokenTest, RefusesTokensWithoutFetchingTheKeySetWhenTheirFormIsWrong) {
  const std::string payload = good_claims().json();
  const struct {
    const char* label;
    std::string token;
    const char* message;
  } cases[] = {
      {"alg none", signed_token(header_of("none", kKeyId), payload), kAlgorithm},
      {"HS256", signed_token(header_of("HS256", kKeyId), payload), kAlgorithm},
      {"RS512", signed_token(header_of("RS512", kKeyId), payload), kAlgorithm},
      {"lower-case rs256", signed_token(header_of("rs256", kKeyId), payload), kAlgorithm},
      {"no kid", signed_token(header_of("RS256", ""), payload), kAlgorithm},
      {"header not base64url", "e30=." + base64url(payload) + ".c2ln", kAlgorithm},
      {"a third dot", signed_token(good_header(), payload) + ".", kMalformed},
      {"one dot", base64url(good_header()) + "." + base64url(payload), kMalformed},
      {"empty", "", kMalformed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Verified verified = verify(c.token);
    EXPECT_EQ(verified.error.kind, kErrorIdTokenRejected);
    EXPECT_EQ(verified.error.message, c.message);
    EXPECT_EQ(verified.error.http_status, 0);
    EXPECT_EQ(verified.key_set_gets, 0u);
  }
}

TEST_F(IdTokenTest, RefusesATokenWhoseKeyIsNotPublished) {
  const std::string token = signed_token(good_header(), good_claims().json());
  const struct {
    const char* label;
    std::string token;
    std::vector<FakeStep> key_set;
  } cases[] = {
      {"kid absent", signed_token(header_of("RS256", "retired-key"), good_claims().json()), {}},
      {"key set 404", token, {answer_step(404, "{}")}},
      {"keys holding strings", token, {answer_step(200, "{\"keys\":[\"a\",\"b\"]}")}},
      {"keys not an array", token, {answer_step(200, "{\"keys\":{}}")}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    account_service().script("GET", kKeySetRoute, c.key_set);
    const Verified verified = verify(c.token);
    EXPECT_EQ(verified.error.kind, kErrorIdTokenRejected);
    EXPECT_EQ(verified.error.message, kKeyUnavailable);
    EXPECT_EQ(verified.error.http_status, 0);
    EXPECT_EQ(verified.key_set_gets, 1u);
  }
}

TEST_F(IdTokenTest, AKeySetOutageIsTransientAfterThreeAttempts) {
  configuration_.retry.initial_delay = 1;
  configuration_.retry.max_delay = 1;
  account_service().script("GET", kKeySetRoute, {answer_step(503, "")});
  const Verified verified = verify(signed_token(good_header(), good_claims().json()));
  EXPECT_EQ(verified.error.kind, kErrorServiceUnavailable);
  EXPECT_TRUE(is_transient_kind(verified.error.kind));
  EXPECT_EQ(verified.error.message, kKeyUnavailable);
  EXPECT_EQ(verified.error.http_status, 503);
  EXPECT_EQ(verified.key_set_gets, 3u);
}

TEST_F(IdTokenTest, ARefusedKeySetConnectionPassesItsTransportKindThrough) {
  configuration_.retry.initial_delay = 1;
  configuration_.retry.max_delay = 1;
  {
    // A loopback port on which nothing listens any more.
    const FakeAccountService probe;
    configuration_.base_url = "https://localhost:" + std::to_string(probe.port());
  }
  const std::string token = signed_token(good_header(), good_claims().json());
  std::string subject, email, name;
  const Error error = verify_id_token(configuration_, token, kNonce, subject, email, name, hooks_);
  EXPECT_EQ(error.kind, kErrorNetwork) << error.message;
  EXPECT_NE(error.message, kKeyUnavailable);
}

TEST_F(IdTokenTest, RefusesASignatureThatDoesNotHold) {
  const std::string token = signed_token(good_header(), good_claims().json());
  const std::string signed_text = token.substr(0, token.rfind('.'));
  std::vector<uint8_t> signature = base64url_decode(token.substr(token.rfind('.') + 1));
  signature[10] ^= 0x01;
  const struct {
    const char* label;
    std::string token;
  } cases[] = {
      {"a flipped bit", signed_text + "." + base64url_encode(signature.data(), signature.size())},
      {"an empty signature", signed_text + "."},
      {"= padding", token + "="},
      {"another payload", base64url(good_header()) + "." +
                              base64url(good_claims().set("sub", json_string("mallory")).json()) +
                              token.substr(token.rfind('.'))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Verified verified = verify(c.token);
    EXPECT_EQ(verified.error.kind, kErrorIdTokenRejected);
    EXPECT_EQ(verified.error.message, kSignature);
    EXPECT_EQ(verified.key_set_gets, 1u);
  }
}

TEST_F(IdTokenTest, RefusesClaimsThatDoNotHold) {
  const std::string client = json_string(configuration_.client_id);
  const struct {
    const char* label;
    std::function<void(Claims&)> change;
    std::string nonce;
    const char* message;
  } cases[] = {
      {"iss with a trailing slash",
       [&](Claims& c) { c.set("iss", json_string(configuration_.base_url + "/")); }, kNonce, kClaims},
      {"client id second in aud",
       [&](Claims& c) { c.set("aud", "[\"other.app\"," + client + "]"); }, kNonce, kClaims},
      {"another audience", [](Claims& c) { c.set("aud", json_string("other.app")); }, kNonce, kClaims},
      {"exp now - 61",
       [](Claims& c) { c.set("exp", std::to_string(now_seconds() - 61)); }, kNonce, kClaims},
      {"exp missing", [](Claims& c) { c.drop("exp"); }, kNonce, kClaims},
      {"another nonce", [](Claims& c) { c.set("nonce", json_string("replayed")); }, kNonce, kClaims},
      {"nonce missing", [](Claims& c) { c.drop("nonce"); }, kNonce, kClaims},
      {"empty sub", [](Claims& c) { c.set("sub", json_string("")); }, kNonce, kSubject},
      {"sub missing", [](Claims& c) { c.drop("sub"); }, kNonce, kSubject},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Claims claims = good_claims();
    c.change(claims);
    const Verified verified = verify(signed_token(good_header(), claims.json()), c.nonce);
    EXPECT_EQ(verified.error.kind, kErrorIdTokenRejected);
    EXPECT_EQ(verified.error.message, c.message);
  }
}

TEST_F(IdTokenTest, AcceptsTheEdgesOfTheClaimRules) {
  const std::string client = json_string(configuration_.client_id);
  const struct {
    const char* label;
    std::function<void(Claims&)> change;
    std::string nonce;
  } cases[] = {
      {"exp now - 30", [](Claims& c) { c.set("exp", std::to_string(now_seconds() - 30)); },
       kNonce},
      {"client id first in aud", [&](Claims& c) { c.set("aud", "[" + client + ",\"other\"]"); },
       kNonce},
      {"any nonce when none is expected", [](Claims& c) { c.set("nonce", json_string("whatever")); },
       ""},
      {"no nonce when none is expected", [](Claims& c) { c.drop("nonce"); }, ""},
      {"empty e-mail and name",
       [](Claims& c) { c.set("email", json_string("")).set("name", json_string("")); }, kNonce},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Claims claims = good_claims();
    c.change(claims);
    const Verified verified = verify(signed_token(good_header(), claims.json()), c.nonce);
    EXPECT_EQ(verified.error.kind, kErrorNone) << verified.error.message;
    EXPECT_EQ(verified.subject, "user-ada");
  }
}

TEST_F(IdTokenTest, OfDuplicateKeyIdsTheFirstWins) {
  const std::string token = signed_token(good_header(), good_claims().json());
  const std::string good = key_json(kKeyId, Rs256Signer::instance().modulus());
  const std::string bad = key_json(kKeyId, other_modulus());

  account_service().script("GET", kKeySetRoute,
                           {answer_step(200, "{\"keys\":[" + good + "," + bad + "]}")});
  EXPECT_EQ(verify(token).error.kind, kErrorNone);

  account_service().script("GET", kKeySetRoute,
                           {answer_step(200, "{\"keys\":[" + bad + "," + good + "]}")});
  EXPECT_EQ(verify(token).error.message, kSignature);
}

TEST(FindSigningKeyTest, FindsTheFirstKeyWithExactlyThatId) {
  const std::string key_set =
      R"({"keys":[{"kid":"a","n":"1"},{"kid":"b","n":"2"},{"kid":"b","n":"3"}]})";
  EXPECT_EQ(find_signing_key(key_set, "b"), R"({"kid":"b","n":"2"})");
  EXPECT_EQ(find_signing_key(key_set, "a"), R"({"kid":"a","n":"1"})");
  EXPECT_EQ(find_signing_key(key_set, "B"), "");
  EXPECT_EQ(find_signing_key(key_set, "c"), "");
  EXPECT_EQ(find_signing_key(R"({"keys":["b"]})", "b"), "");
  EXPECT_EQ(find_signing_key("", "b"), "");
}

TEST(AudienceContainsTest, HoldsForTheClientAloneOrFirstInAnArray) {
  const struct {
    const char* payload;
    bool expected;
  } cases[] = {
      {R"({"aud":"app"})", true},
      {R"({"aud":["app","other"]})", true},
      {R"({"aud":["other","app"]})", false},
      {R"({"aud":"apps"})", false},
      {R"({"aud":"other"})", false},
      {R"({"iss":"app"})", false},
      {R"({"aud":"app")", true},
      {R"("aud")", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.payload);
    EXPECT_EQ(audience_contains(c.payload, "app"), c.expected);
  }
}

}  // namespace
}  // namespace halvarin::sdk::test
