#include "account/anonymous_session.h"

#include <cstdint>
#include <utility>

#include "account/json_text.h"
#include "account/protected_store.h"
#include "account/token_expiry.h"

namespace halvarin::sdk {
namespace {

constexpr int32_t kFirstServerErrorStatus = 500;

AnonymousSessionResult failure(Error error) { return {AnonymousSession{}, std::move(error)}; }

AnonymousSessionResult incomplete() {
  Error error;
  error.kind = kErrorResponseInvalid;
  error.message = "The anonymous identity response is incomplete.";
  return failure(std::move(error));
}

}  // namespace

Error error_from_response(const HttpResponse& response) {
  if (response.error.kind != kErrorNone) return response.error;
  Error error;
  error.kind =
      response.status >= kFirstServerErrorStatus ? kErrorServiceUnavailable : kErrorRejected;
  error.code = json_get_string(response.body, "code");
  error.message = json_get_string(response.body, "message");
  if (error.message.empty()) {
    error.message = "The Halvarin server rejected the installation identity request.";
  }
  error.request_id = json_get_string(response.body, "request_id");
  error.http_status = response.status;
  return error;
}

AnonymousSessionResult parse_anonymous_session(std::string_view expected_installation_id,
                                               const HttpResponse& response,
                                               const PlatformHooks& hooks) {
  if (response.error.kind != kErrorNone || (response.status != 200 && response.status != 201)) {
    return failure(error_from_response(response));
  }
  AnonymousSession session;
  session.user_id = json_get_string(response.body, "user_id");
  session.installation_id = json_get_string(response.body, "installation_id");
  session.access_token = json_get_string(response.body, "access_token");
  session.refresh_token = json_get_string(response.body, "refresh_token");
  const int64_t expires_in = json_get_int64(response.body, "expires_in");
  if (session.user_id.empty() || session.installation_id != expected_installation_id ||
      session.access_token.empty() || session.refresh_token.empty() || expires_in <= 0) {
    return incomplete();
  }
  session.expires_at = token_expiry(hooks.system_time(), expires_in);
  return {std::move(session), Error{}};
}

AnonymousSessionResult store_anonymous_session(const ClientConfiguration& configuration,
                                               std::string_view expected_installation_id,
                                               const HttpResponse& response,
                                               const PlatformHooks& hooks) {
  AnonymousSessionResult result =
      parse_anonymous_session(expected_installation_id, response, hooks);
  if (result.error.kind != kErrorNone) return result;
  if (Error saved = save_session(configuration, result.session.refresh_token);
      saved.kind != kErrorNone) {
    return failure(std::move(saved));
  }
  return result;
}

}  // namespace halvarin::sdk
