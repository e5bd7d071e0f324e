#include "account/authorization_context.h"

#include <cstdint>
#include <utility>

#include "account/auth_response.h"
#include "account/compact_json_object.h"
#include "account/json_text.h"
#include "account/send_with_retry.h"

namespace halvarin::sdk {
namespace {

constexpr int32_t kStatusCreated = 201;
constexpr int32_t kStatusUnauthorized = 401;

bool is_unauthorized(const HttpResponse& response) {
  return response.error.kind == kErrorNone && response.status == kStatusUnauthorized;
}

}  // namespace

Error request_authorization_context(const ClientConfiguration& configuration,
                                    std::string_view installation_id, std::string_view state,
                                    std::string_view code_challenge,
                                    std::string_view anonymous_access_token,
                                    const AnonymousTokenRenewal& renew, const PlatformHooks& hooks,
                                    std::string& context_id) {
  context_id.clear();
  CompactJsonObject members;
  members.add("installation_id", installation_id)
      .add("client_id", configuration.client_id)
      .add("state", state)
      .add("code_challenge", code_challenge);
  const std::string body = std::move(members).close();
  const auto send = [&](std::string_view token) {
    return send_with_retry(configuration, "POST", kAuthorizationContextPath, body,
                           "application/json", token, true, hooks);
  };
  HttpResponse response = send(anonymous_access_token);
  if (is_unauthorized(response) && renew) {
    const std::string renewed = renew();
    // A failed renewal leaves the first 401 as the answer; the repeat is
    // sent once, whatever it answers.
    if (!renewed.empty()) response = send(renewed);
  }
  if (response.error.kind != kErrorNone || response.status != kStatusCreated) {
    return error_from_auth_response(response);
  }
  context_id = json_get_string(response.body, "id");
  if (context_id.empty()) {
    Error error;
    error.kind = kErrorResponseInvalid;
    error.message = "The installation authorization response is incomplete.";
    return error;
  }
  return {};
}

}  // namespace halvarin::sdk
