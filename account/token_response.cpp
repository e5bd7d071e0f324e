#include "account/token_response.h"

#include <cstdint>
#include <string>
#include <utility>

#include "account/auth_response.h"
#include "account/id_token.h"
#include "account/installation_claim.h"
#include "account/json_text.h"
#include "account/protected_store.h"
#include "account/token_expiry.h"

namespace halvarin::sdk {
namespace {

constexpr int32_t kStatusOk = 200;

AuthResult failed(Error error) {
  AuthResult result;
  result.error = std::move(error);
  return result;
}

AuthResult result_of(const AccountIdentity& identity) {
  AuthResult result;
  result.access_token = identity.access_token;
  result.refresh_token = identity.refresh_token;
  result.id_token = identity.id_token;
  result.subject = identity.subject;
  result.email = identity.email;
  result.name = identity.name;
  result.expires_at = identity.expires_at;
  return result;
}

}  // namespace

AuthResult handle_token_response(SessionState& state, const HttpResponse& response,
                                 std::string_view expected_nonce, bool claim,
                                 const PlatformHooks& hooks) {
  if (response.error.kind != kErrorNone || response.status != kStatusOk) {
    return failed(error_from_auth_response(response));
  }
  AccountIdentity identity;
  identity.access_token = json_get_string(response.body, "access_token");
  identity.refresh_token = json_get_string(response.body, "refresh_token");
  identity.id_token = json_get_string(response.body, "id_token");
  const int64_t expires_in = json_get_int64(response.body, "expires_in");
  if (identity.access_token.empty() || identity.refresh_token.empty() ||
      identity.id_token.empty() || expires_in <= 0) {
    Error error;
    error.kind = kErrorResponseInvalid;
    error.message = "The token response is incomplete.";
    return failed(std::move(error));
  }
  const ClientConfiguration& configuration = state.configuration;
  if (Error verified = verify_id_token(configuration, identity.id_token, expected_nonce,
                                       identity.subject, identity.email, identity.name, hooks);
      verified.kind != kErrorNone) {
    return failed(std::move(verified));
  }
  if (claim) {
    if (Error claimed = claim_installation(configuration, identity.access_token, hooks);
        claimed.kind != kErrorNone) {
      return failed(std::move(claimed));
    }
  }
  identity.expires_at = token_expiry(hooks.system_time(), expires_in);
  if (Error saved = save_session(configuration, identity.refresh_token);
      saved.kind != kErrorNone) {
    return failed(std::move(saved));
  }
  {
    std::lock_guard lock(state.mutex);
    state.session = identity;
  }
  return result_of(identity);
}

}  // namespace halvarin::sdk
