// HttpResponse is what one exchange with the account service gives back to
// the request that sent it: the HTTP status and the raw body, or a transport
// Error. A plain value; the transport knows nothing of the body's JSON.
#pragma once

#include <cstdint>
#include <string>

#include "account/error.h"

namespace halvarin::sdk {

struct HttpResponse {
  // 0 when no status was obtained.
  int32_t status = 0;
  std::string body;
  // Kind 0 when a response was received, whatever its status.
  Error error;
};

}  // namespace halvarin::sdk
