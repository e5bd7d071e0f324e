// send_with_retry: the account client's one way to its service. It sends a
// request with send_https_request and repeats it under the configuration's
// retry policy when the answer says the service or the network failed (a
// status of 500 or more, kinds 4, 5 and 13), waiting between attempts with
// doubling delays. Only a GET or a request its caller declares safe to
// repeat is sent more than once. A stop of the configuration's cancel_token
// ends it at once with kind 3. Call on any thread; no state is shared
// between calls.
#pragma once

#include <string_view>

#include "account/client_configuration.h"
#include "account/http_response.h"
#include "account/platform_hooks.h"

namespace halvarin::sdk {

// The waits between attempts run on `hooks.steady_clock`, in slices of at
// most 20 ms, each preceded by a look at the stop token.
HttpResponse send_with_retry(const ClientConfiguration& configuration, std::string_view method,
                             std::string_view path, std::string_view body,
                             std::string_view content_type, std::string_view bearer_token,
                             bool retry_safe, const PlatformHooks& hooks = {});

}  // namespace halvarin::sdk
