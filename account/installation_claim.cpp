#include "account/installation_claim.h"

#include <string>
#include <utility>

#include "account/anonymous_session.h"
#include "account/installation_body.h"
#include "account/installation_identity.h"
#include "account/installation_requests.h"
#include "account/protected_store.h"
#include "account/random_token.h"

namespace halvarin::sdk {
namespace {

constexpr size_t kCredentialBytes = 32;
constexpr int32_t kClaimedStatus = 204;

}  // namespace

Error claim_installation(const ClientConfiguration& configuration, std::string_view access_token,
                         const PlatformHooks& hooks) {
  if (!installation_file_exists(configuration)) return {};
  InstallationIdentity identity;
  if (Error loaded = load_installation_identity(configuration, identity);
      loaded.kind != kErrorNone) {
    return loaded;
  }
  std::string next = random_token(kCredentialBytes);
  if (next.empty()) {
    Error error;
    error.kind = kErrorInternal;
    error.message = "The operating system random number generator failed.";
    return error;
  }
  const HttpResponse response = post_installation_request(
      configuration, kClaimPath, build_installation_body(configuration, identity, next, {}),
      access_token, hooks);
  if (response.error.kind != kErrorNone || response.status != kClaimedStatus) {
    return error_from_response(response);
  }
  identity.credential = std::move(next);
  identity.claimed = true;
  return save_installation_identity(configuration, identity);
}

}  // namespace halvarin::sdk
