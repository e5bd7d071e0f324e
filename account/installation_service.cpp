#include "account/installation_service.h"

#include <utility>

#include "account/installation_body.h"
#include "account/installation_identity.h"
#include "account/installation_requests.h"
#include "account/protected_store.h"

namespace halvarin::sdk {
namespace {

constexpr char kClaimedCode[] = "AUTH_INSTALLATION_CLAIMED";

AnonymousSessionResult failure(Error error) { return {AnonymousSession{}, std::move(error)}; }

AnonymousSessionResult claimed_refusal(const char* message) {
  Error error;
  error.kind = kErrorRejected;
  error.message = message;
  error.code = kClaimedCode;
  return failure(std::move(error));
}

}  // namespace

InstallationService::InstallationService(ClientConfiguration configuration, PlatformHooks hooks)
    : configuration_(std::move(configuration)), hooks_(std::move(hooks)) {}

AnonymousSessionResult InstallationService::initialize_anonymous_session(
    std::string_view fingerprint) {
  if (Error invalid = validate_configuration(configuration_); invalid.kind != kErrorNone) {
    return failure(std::move(invalid));
  }
  InstallationIdentity identity;
  if (Error ensured = ensure_installation_identity(configuration_, identity);
      ensured.kind != kErrorNone) {
    return failure(std::move(ensured));
  }
  if (identity.claimed) {
    return claimed_refusal("This installation is already claimed by a registered account.");
  }
  const HttpResponse response = post_installation_request(
      configuration_, kInitializePath,
      build_installation_body(configuration_, identity, {}, fingerprint), {}, hooks_);
  return store_anonymous_session(configuration_, identity.installation_id, response, hooks_);
}

AnonymousSessionResult InstallationService::restore_anonymous_session() {
  if (Error invalid = validate_configuration(configuration_); invalid.kind != kErrorNone) {
    return failure(std::move(invalid));
  }
  InstallationIdentity identity;
  if (Error loaded = load_installation_identity(configuration_, identity);
      loaded.kind != kErrorNone) {
    return failure(std::move(loaded));
  }
  if (identity.claimed) {
    return claimed_refusal("This installation cannot restore its former anonymous account.");
  }
  const HttpResponse response = post_installation_request(
      configuration_, kRestorePath, build_installation_body(configuration_, identity, {}, {}), {},
      hooks_);
  return store_anonymous_session(configuration_, identity.installation_id, response, hooks_);
}

AnonymousSessionResult InstallationService::disconnect_installation(std::string access_token) {
  if (Error invalid = validate_configuration(configuration_); invalid.kind != kErrorNone) {
    return failure(std::move(invalid));
  }
  if (access_token.empty()) {
    Error error;
    error.kind = kErrorInvalidArgument;
    error.message = "A registered product access token is required.";
    return failure(std::move(error));
  }
  InstallationIdentity identity;
  if (Error loaded = load_installation_identity(configuration_, identity);
      loaded.kind != kErrorNone) {
    return failure(std::move(loaded));
  }
  if (!identity.claimed) return restore_anonymous_session();
  return send_disconnect(identity, access_token);
}

AnonymousSessionResult InstallationService::send_disconnect(const InstallationIdentity& claimed,
                                                            std::string_view access_token) {
  std::string platform_credential;
  if (Error loaded = load_platform_identity(configuration_, platform_credential);
      loaded.kind != kErrorNone) {
    return failure(std::move(loaded));
  }
  HttpResponse response = post_installation_request(
      configuration_, kDisconnectPath,
      build_disconnect_body(configuration_, claimed, platform_credential), access_token, hooks_);
  const InstallationIdentity unclaimed{claimed.installation_id, platform_credential, false};
  if (response.error.kind != kErrorNone) {
    // The service may have disconnected before the answer was lost: a
    // restore with the platform credential succeeds only in that case.
    HttpResponse restored = post_installation_request(
        configuration_, kRestorePath, build_installation_body(configuration_, unclaimed, {}, {}),
        {}, hooks_);
    if (restored.error.kind == kErrorNone && restored.status == 200) {
      response = std::move(restored);
    }
  }
  AnonymousSessionResult result =
      parse_anonymous_session(unclaimed.installation_id, response, hooks_);
  if (result.error.kind != kErrorNone) return result;
  if (Error saved = save_installation_identity(configuration_, unclaimed);
      saved.kind != kErrorNone) {
    return failure(std::move(saved));
  }
  if (Error saved = save_session(configuration_, result.session.refresh_token);
      saved.kind != kErrorNone) {
    return failure(std::move(saved));
  }
  return result;
}

}  // namespace halvarin::sdk
