#include "account/interactive_login.h"

#include <cstdint>
#include <string>
#include <utility>

#include "account/auth_response.h"
#include "account/browser_callback.h"
#include "account/installation_identity.h"
#include "account/percent_encoding.h"
#include "account/pkce_parameters.h"
#include "account/send_with_retry.h"
#include "account/token_response.h"

namespace halvarin::sdk {
namespace {

constexpr size_t kLongestLocaleBytes = 32;

AuthResult failed(Error error) {
  AuthResult result;
  result.error = std::move(error);
  return result;
}

AuthResult failed(int32_t kind, const char* message) {
  Error error;
  error.kind = kind;
  error.message = message;
  return failed(std::move(error));
}

// The options' faults, found before anything is sent or opened.
Error check_options(const SignInOptions& options) {
  Error error;
  error.kind = kErrorInvalidArgument;
  if (options.browser_timeout <= 0 || options.scopes.find("openid") == std::string::npos) {
    error.message = "Interactive login options are invalid.";
  } else if (options.locale.size() > kLongestLocaleBytes) {
    error.message = "Interactive login locale is invalid.";
  } else {
    return {};
  }
  return error;
}

// The context id of this sign-in: empty without an anonymous token.
Error open_context(const ClientConfiguration& configuration, const PkceParameters& pkce,
                   std::string_view anonymous_access_token, const AnonymousTokenRenewal& renew,
                   const PlatformHooks& hooks, std::string& context_id) {
  context_id.clear();
  if (anonymous_access_token.empty()) return {};
  InstallationIdentity identity;
  if (Error loaded = load_installation_identity(configuration, identity);
      loaded.kind != kErrorNone) {
    return loaded;
  }
  return request_authorization_context(configuration, identity.installation_id, pkce.state,
                                       pkce.code_challenge, anonymous_access_token, renew, hooks,
                                       context_id);
}

// The browser's answer as the code to exchange, or why there is none.
Error judge_callback(const BrowserCallback& callback, const PkceParameters& pkce) {
  if (callback.failure.kind != kErrorNone) return callback.failure;
  Error error;
  if (!callback.error.empty()) {
    error.kind = kErrorRejected;
    error.message = "Authorization was denied.";
    error.code = callback.error;
  } else if (callback.code.empty() || callback.state != pkce.state) {
    error.kind = kErrorCallback;
    error.message = "The browser callback state did not match.";
  }
  return error;
}

std::string code_exchange_body(const ClientConfiguration& configuration, std::string_view code,
                               std::string_view redirect_uri, std::string_view verifier) {
  return "grant_type=authorization_code&client_id=" + percent_encode(configuration.client_id) +
         "&code=" + percent_encode(code) + "&redirect_uri=" + percent_encode(redirect_uri) +
         "&code_verifier=" + percent_encode(verifier);
}

}  // namespace

AuthResult interactive_login(SessionState& state, const SignInOptions& options,
                             std::string_view anonymous_access_token,
                             const AnonymousTokenRenewal& renew_anonymous_token,
                             const PlatformHooks& hooks) {
  if (Error invalid = validate_configuration(state.configuration); invalid.kind != kErrorNone) {
    return failed(std::move(invalid));
  }
  if (Error invalid = check_options(options); invalid.kind != kErrorNone) {
    return failed(std::move(invalid));
  }
  if (state.configuration.cancel_token.stop_requested() || options.stop_token.stop_requested()) {
    return failed(kErrorCancelled, "The browser sign-in was cancelled.");
  }
  // A stop of the sign-in also ends the service request in flight.
  ClientConfiguration request_configuration = state.configuration;
  if (options.stop_token.stop_possible()) request_configuration.cancel_token = options.stop_token;

  const PkceParameters pkce = make_pkce_parameters();
  if (pkce.error.kind != kErrorNone) return failed(pkce.error);
  std::string context_id;
  if (Error opened = open_context(request_configuration, pkce, anonymous_access_token,
                                  renew_anonymous_token, hooks, context_id);
      opened.kind != kErrorNone) {
    return failed(std::move(opened));
  }

  ClientConfiguration browser_configuration = state.configuration;
  if (!options.locale.empty()) browser_configuration.locale = options.locale;
  std::string redirect_uri;
  const BrowserCallback callback = wait_for_browser_callback(
      browser_configuration, options.scopes, pkce.code_challenge, pkce.state, pkce.nonce,
      context_id, options.browser_timeout, options.stop_token, redirect_uri, hooks);
  if (Error refused = judge_callback(callback, pkce); refused.kind != kErrorNone) {
    return failed(std::move(refused));
  }

  const HttpResponse response = send_with_retry(
      request_configuration, "POST", kTokenPath,
      code_exchange_body(request_configuration, callback.code, redirect_uri, pkce.code_verifier),
      kFormContentType, {}, false, hooks);
  return handle_token_response(state, response, pkce.nonce, true, hooks);
}

}  // namespace halvarin::sdk
