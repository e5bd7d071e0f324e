#include "account/transport_error_kind.h"

#include <windows.h>
#include <winhttp.h>

#include "account/connectivity_hint.h"
#include "account/error.h"

namespace halvarin::sdk {

int32_t transport_error_kind(uint32_t error_code, int connectivity_level) {
  switch (error_code) {
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT:  // Wine's code when the response time-out ends a request
      return kErrorTimeout;
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:  // Wine's code for a rejected certificate
      return kErrorSecureChannel;
    default:
      return connectivity_level == kConnectivityInternet ? kErrorServiceUnavailable
                                                         : kErrorNetwork;
  }
}

}  // namespace halvarin::sdk
