// The browser step of the interactive sign-in: a one-shot HTTP listener on
// 127.0.0.1 that the service's authorize page redirects the browser to. It
// reads exactly one request, answers it with a small result page and hands
// the request's "code", "state" and "error" values to the caller, which
// checks them; it never talks to the service itself.
//
// wait_for_browser_callback blocks the calling thread (the sign-in worker)
// for at most the time-out plus one 200 ms slice: a stop on either token or
// the deadline ends every wait, including one on a connection that sends
// nothing. Nothing outlives the call but the redirect URI in the caller's
// string.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>

#include "account/client_configuration.h"
#include "account/error.h"
#include "account/platform_hooks.h"

namespace halvarin::sdk {

struct BrowserCallback {
  // Decoded query values of the browser's request; empty when absent.
  std::string code;
  std::string state;
  std::string error;
  // Kind 0 when a request was read and answered; otherwise why not, and the
  // three texts are empty.
  Error failure;
};

// Opens the listener, stores "http://127.0.0.1:<port>/callback" into
// `redirect_uri` as soon as the port is known, opens the authorize URL of
// `configuration` (base_url, client_id, locale) through `hooks.open_url`
// and waits on `hooks.steady_clock` for `timeout_seconds` for one request.
// Stops when `configuration.cancel_token` or `stop_token` asks. Failures:
// kind 3 on a stop, 5 at the deadline, 7 when the browser could not be
// opened, 8 when the listener, the connection or the request fails.
BrowserCallback wait_for_browser_callback(const ClientConfiguration& configuration,
                                          std::string_view scopes,
                                          std::string_view code_challenge,
                                          std::string_view state, std::string_view nonce,
                                          std::string_view context_id, int64_t timeout_seconds,
                                          std::stop_token stop_token, std::string& redirect_uri,
                                          const PlatformHooks& hooks = PlatformHooks{});

}  // namespace halvarin::sdk
