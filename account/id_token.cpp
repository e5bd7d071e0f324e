#include "account/id_token.h"

#include <cstdint>
#include <vector>

#include "account/base64url.h"
#include "account/id_token_parts.h"
#include "account/json_text.h"
#include "account/rs256_signature.h"
#include "account/send_with_retry.h"

namespace halvarin::sdk {
namespace {

constexpr char kMalformed[] = "The ID token is malformed.";
constexpr char kAlgorithmRefused[] = "The ID token algorithm is not accepted.";
constexpr char kKeyUnavailable[] = "The ID token signing key is unavailable.";
constexpr char kSignatureInvalid[] = "The ID token signature is invalid.";
constexpr char kClaimsInvalid[] = "The ID token claims are invalid.";
constexpr char kSubjectMissing[] = "The ID token subject is missing.";

constexpr int32_t kStatusOk = 200;
constexpr int32_t kFirstServerErrorStatus = 500;
constexpr int64_t kTicksPerSecond = 10'000'000;
// Tolerance for a clock that runs a little ahead of the service's.
constexpr int64_t kExpiryLeewaySeconds = 60;

Error rejected(const char* message) {
  Error error;
  error.kind = kErrorIdTokenRejected;
  error.message = message;
  return error;
}

// The published key of `key_id`, or why there is none.
Error fetch_signing_key(const ClientConfiguration& configuration, std::string_view key_id,
                        const PlatformHooks& hooks, std::string& key) {
  const HttpResponse response =
      send_with_retry(configuration, "GET", kKeySetPath, {}, {}, {}, false, hooks);
  if (response.error.kind != kErrorNone) return response.error;
  if (response.status >= kFirstServerErrorStatus) {
    // An outage of the key set is the service's, not the token's: reported
    // as transient so that the client tries again instead of signing the
    // user out for the rest of the run.
    Error error;
    error.kind = kErrorServiceUnavailable;
    error.message = kKeyUnavailable;
    error.http_status = response.status;
    return error;
  }
  if (response.status == kStatusOk) key = find_signing_key(response.body, key_id);
  if (key.empty()) return rejected(kKeyUnavailable);
  return {};
}

bool claims_hold(const ClientConfiguration& configuration, std::string_view payload,
                 std::string_view expected_nonce, int64_t now_seconds) {
  if (json_get_string(payload, "iss") != configuration.base_url) return false;
  if (!audience_contains(payload, configuration.client_id)) return false;
  if (json_get_int64(payload, "exp") <= now_seconds - kExpiryLeewaySeconds) return false;
  return expected_nonce.empty() || json_get_string(payload, "nonce") == expected_nonce;
}

}  // namespace

Error verify_id_token(const ClientConfiguration& configuration, std::string_view id_token,
                      std::string_view expected_nonce, std::string& subject, std::string& email,
                      std::string& name, const PlatformHooks& hooks) {
  IdTokenParts parts;
  if (!split_id_token(id_token, parts)) return rejected(kMalformed);
  const std::string key_id = json_get_string(parts.header, "kid");
  if (json_get_string(parts.header, "alg") != "RS256" || key_id.empty()) {
    return rejected(kAlgorithmRefused);
  }
  std::string key;
  if (Error fetched = fetch_signing_key(configuration, key_id, hooks, key);
      fetched.kind != kErrorNone) {
    return fetched;
  }
  const std::vector<uint8_t> modulus = base64url_decode(json_get_string(key, "n"));
  const std::vector<uint8_t> exponent = base64url_decode(json_get_string(key, "e"));
  if (!verify_rs256(parts.signed_text, parts.signature, modulus, exponent)) {
    return rejected(kSignatureInvalid);
  }
  const int64_t now_seconds = hooks.system_time() / kTicksPerSecond;
  if (!claims_hold(configuration, parts.payload, expected_nonce, now_seconds)) {
    return rejected(kClaimsInvalid);
  }
  subject = json_get_string(parts.payload, "sub");
  email = json_get_string(parts.payload, "email");
  name = json_get_string(parts.payload, "name");
  if (subject.empty()) return rejected(kSubjectMissing);
  return {};
}

std::string find_signing_key(std::string_view key_set, std::string_view key_id) {
  for (std::string& key : json_get_string_list(key_set, "keys")) {
    if (json_get_string(key, "kid") == key_id) return std::move(key);
  }
  return {};
}

bool audience_contains(std::string_view payload, std::string_view client_id) {
  if (payload.size() <= 4) return false;
  constexpr std::string_view kAudienceKey = "\"aud\"";
  const size_t start = payload.find(kAudienceKey);
  if (start == std::string_view::npos) return false;
  const size_t end = payload.find_first_of(",}", start);
  const std::string_view region =
      payload.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
  const std::string quoted = "\"" + std::string(client_id) + "\"";
  return region.find(quoted) != std::string_view::npos;
}

}  // namespace halvarin::sdk
