#include "account/auth_response.h"

#include "account/json_text.h"

namespace halvarin::sdk {
namespace {

constexpr int32_t kFirstServerErrorStatus = 500;

}  // namespace

Error error_from_auth_response(const HttpResponse& response) {
  if (response.error.kind != kErrorNone) return response.error;
  Error error;
  error.code = json_get_string(response.body, "error");
  if (error.code.empty()) error.code = json_get_string(response.body, "code");
  error.message = json_get_string(response.body, "error_description");
  if (error.message.empty()) error.message = json_get_string(response.body, "message");
  if (error.message.empty()) error.message = "The Halvarin server rejected the request.";
  error.request_id = json_get_string(response.body, "request_id");
  error.kind = response.status >= kFirstServerErrorStatus ? kErrorServiceUnavailable : kErrorRejected;
  error.http_status = response.status;
  return error;
}

}  // namespace halvarin::sdk
