#include "account/installation_heartbeat.h"

#include <string>
#include <utility>

#include "account/compact_json_object.h"
#include "account/installation_identity.h"
#include "account/json_text.h"
#include "account/os_version.h"
#include "account/send_with_retry.h"

namespace halvarin::sdk {
namespace {

constexpr int32_t kAcceptedStatus = 204;
constexpr int32_t kFirstServerErrorStatus = 500;

std::string heartbeat_body(const ClientConfiguration& configuration,
                           std::string_view installation_id) {
  CompactJsonObject object;
  object.add("installation_id", installation_id)
      .add("application_version", configuration.application_version)
      .add("sdk_version", kSdkVersion)
      .add("os_name", "windows")
      .add("os_version", os_version_text())
      .add("architecture", "x64")
      .add("channel", configuration.distribution_channel);
  return std::move(object).close();
}

}  // namespace

Error send_heartbeat(const ClientConfiguration& configuration, std::string_view access_token,
                     const PlatformHooks& hooks) {
  if (!configuration.heartbeat_enabled || access_token.empty()) return {};
  InstallationIdentity identity;
  if (Error loaded = load_installation_identity(configuration, identity);
      loaded.kind != kErrorNone) {
    return loaded;
  }
  const HttpResponse response =
      send_with_retry(configuration, "POST", kHeartbeatPath,
                      heartbeat_body(configuration, identity.installation_id), "application/json",
                      access_token, /*retry_safe=*/false, hooks);
  if (response.error.kind == kErrorNone && response.status == kAcceptedStatus) return {};
  return error_from_analytics_response(response);
}

Error error_from_analytics_response(const HttpResponse& response) {
  if (response.error.kind != kErrorNone) return response.error;
  Error error;
  error.kind =
      response.status >= kFirstServerErrorStatus ? kErrorServiceUnavailable : kErrorRejected;
  error.code = json_get_string(response.body, "code");
  error.message = json_get_string(response.body, "message");
  if (error.message.empty()) error.message = "The analytics request was rejected.";
  error.request_id = json_get_string(response.body, "request_id");
  error.http_status = response.status;
  return error;
}

}  // namespace halvarin::sdk
