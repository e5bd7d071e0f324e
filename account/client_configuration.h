// ClientConfiguration is what the account client knows about its service and
// its application: the server root, identifiers, time-outs, the retry policy
// and the cancellation of running requests. The application fills one at
// start; every holder keeps its own copy and nobody changes it afterwards, so
// it needs no lock. `cancel_token` is the one field through which another
// thread acts on running requests.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>

#include "account/error.h"
#include "account/service_address.h"

namespace halvarin::sdk {

// How the transport repeats a failing request: waits start at
// `initial_delay` and double up to `max_delay`, for at most `max_attempts`
// sends. Durations in milliseconds.
struct RetryPolicy {
  int64_t initial_delay = 150;
  int64_t max_delay = 2000;
  int32_t max_attempts = 3;
};

struct ClientConfiguration {
  ClientConfiguration() = default;
  ClientConfiguration(const ClientConfiguration&) = default;
  ClientConfiguration& operator=(const ClientConfiguration&) = default;
  // A moved-from configuration has empty strings and a token without stop
  // state, whatever the string implementation leaves behind: a holder that
  // gave its configuration away must not keep sending to the old server.
  ClientConfiguration(ClientConfiguration&& other) noexcept;
  ClientConfiguration& operator=(ClientConfiguration&& other) noexcept;
  ~ClientConfiguration() = default;

  // HTTPS root of the service: scheme and host, no path, no trailing slash.
  std::string base_url;
  std::string client_id;
  std::string application_id;
  std::string application_version = "unknown";
  std::string distribution_channel = "direct";
  // The product web page the support page is derived from.
  std::string recovery_url{kServiceSiteRootPage};
  // The page the account-management action opens.
  std::string account_url{kAccountPage};
  // Language tag of the browser sign-in and its result page.
  std::string locale = "en-US";
  // Milliseconds: resolve and connect, then each send and receive.
  int64_t connect_timeout = 10000;
  int64_t request_timeout = 30000;
  RetryPolicy retry;
  // A stop requested here ends every running and later request.
  std::stop_token cancel_token;
  // Accepts plain HTTP to an explicit loopback root with a port (tests and
  // local development only).
  bool allow_loopback_http = false;
  // Makes every HTTPS request ignore certificate errors; for test servers,
  // never set by the application.
  bool allow_test_tls_override = false;
  bool heartbeat_enabled = true;

 private:
  void take_from(ClientConfiguration& other) noexcept;
};

// Kind 0 when every rule holds, else kind 2 with the message of the first
// rule that fails. Every service request checks its configuration with it
// before sending anything.
Error validate_configuration(const ClientConfiguration& configuration);

// 1 to 128 bytes of ASCII letters, digits, "-", "." and "_", beginning and
// ending with a letter or digit.
bool is_stable_identifier(std::string_view text);

// An Error of kind 2 carrying `message`, with empty code and request id.
Error make_configuration_error(std::string message);

}  // namespace halvarin::sdk
