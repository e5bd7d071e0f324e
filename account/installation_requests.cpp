#include "account/installation_requests.h"

#include "account/send_with_retry.h"

namespace halvarin::sdk {

HttpResponse post_installation_request(const ClientConfiguration& configuration,
                                       std::string_view path, std::string_view body,
                                       std::string_view bearer_token, const PlatformHooks& hooks) {
  return send_with_retry(configuration, "POST", path, body, "application/json", bearer_token,
                         /*retry_safe=*/false, hooks);
}

}  // namespace halvarin::sdk
