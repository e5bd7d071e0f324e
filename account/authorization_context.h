// The authorization context of a sign-in from an installation that already
// holds an anonymous session: the service is told, under the anonymous
// bearer token, which installation is about to sign in with which state and
// PKCE challenge, and answers with a context id that the authorize URL
// carries, so that the anonymous account can be joined to the one that
// signs in. Runs on the sign-in worker; no state.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "account/client_configuration.h"
#include "account/error.h"
#include "account/platform_hooks.h"

namespace halvarin::sdk {

// Renews the client's anonymous access token and returns the new one;
// empty when the renewal failed.
using AnonymousTokenRenewal = std::function<std::string()>;

// POSTs the context (retried on outages: the service treats a repeat as
// the same context) and stores the answer's id into `context_id`. A 201
// without an id is kind 11; any other answer is error_from_auth_response.
// A 401 means the anonymous token has expired: when `renew` is given it is
// called once and the request is sent once more with the new token; without
// it, or on a failed renewal, the 401's Error is the result; a second 401
// is not renewed again.
Error request_authorization_context(const ClientConfiguration& configuration,
                                    std::string_view installation_id, std::string_view state,
                                    std::string_view code_challenge,
                                    std::string_view anonymous_access_token,
                                    const AnonymousTokenRenewal& renew, const PlatformHooks& hooks,
                                    std::string& context_id);

}  // namespace halvarin::sdk
