#include "account/session_refresh.h"

#include <string>
#include <utility>

#include "account/auth_response.h"
#include "account/percent_encoding.h"
#include "account/protected_store.h"
#include "account/send_with_retry.h"
#include "account/token_response.h"

namespace halvarin::sdk {
namespace {

constexpr int32_t kStatusBadRequest = 400;
constexpr int32_t kStatusUnauthorized = 401;

AuthResult failed(Error error) {
  AuthResult result;
  result.error = std::move(error);
  return result;
}

std::string refresh_token_in_memory(SessionState& state) {
  std::lock_guard lock(state.mutex);
  return state.session ? state.session->refresh_token : std::string();
}

bool ends_saved_session(const Error& error) {
  return error.kind == kErrorRejected &&
         (error.http_status == kStatusBadRequest || error.http_status == kStatusUnauthorized);
}

}  // namespace

AuthResult refresh_session(SessionState& state, const PlatformHooks& hooks) {
  const ClientConfiguration& configuration = state.configuration;
  if (Error invalid = validate_configuration(configuration); invalid.kind != kErrorNone) {
    return failed(std::move(invalid));
  }
  std::string refresh_token = refresh_token_in_memory(state);
  if (refresh_token.empty()) {
    if (Error loaded = load_session(configuration, refresh_token); loaded.kind != kErrorNone) {
      return failed(std::move(loaded));
    }
  }
  const std::string body = "grant_type=refresh_token&client_id=" +
                           percent_encode(configuration.client_id) +
                           "&refresh_token=" + percent_encode(refresh_token);
  const HttpResponse response =
      send_with_retry(configuration, "POST", kTokenPath, body, kFormContentType, {}, false, hooks);
  AuthResult result = handle_token_response(state, response, {}, false, hooks);
  if (ends_saved_session(result.error)) {
    (void)remove_session(configuration);
    std::lock_guard lock(state.mutex);
    state.session.reset();
  }
  return result;
}

AuthResult restore_saved_session(SessionState& state, const PlatformHooks& hooks) {
  std::string refresh_token;
  if (Error loaded = load_session(state.configuration, refresh_token);
      loaded.kind != kErrorNone) {
    return failed(std::move(loaded));
  }
  {
    AccountIdentity saved;
    saved.refresh_token = std::move(refresh_token);
    std::lock_guard lock(state.mutex);
    state.session = std::move(saved);
  }
  return refresh_session(state, hooks);
}

}  // namespace halvarin::sdk
