// The addresses of the browser step of the sign-in: the loopback redirect
// URI the browser returns to and the service's authorize URL that sends it
// there. Pure text functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "account/client_configuration.h"

namespace halvarin::sdk {

// "http://127.0.0.1:<port>/callback".
std::string loopback_redirect_uri(uint16_t port);

// The authorization request parameters the browser carries to the service.
struct AuthorizeRequest {
  std::string_view redirect_uri;
  std::string_view scopes;
  std::string_view code_challenge;
  std::string_view state;
  std::string_view nonce;
  // The installation's authorization context; left out of the URL when empty.
  std::string_view context_id;
};

// base_url + "/oauth/authorize?" with response_type, client_id,
// redirect_uri, scope, state, nonce, code_challenge, code_challenge_method
// S256, ui_locales (the page locale of the configuration's locale) and, when
// a context id is given, installation_authorization; every value
// percent-encoded.
std::string make_authorize_url(const ClientConfiguration& configuration,
                               const AuthorizeRequest& request);

}  // namespace halvarin::sdk
