#include "account/installation_body.h"

#include <utility>

#include "account/compact_json_object.h"

namespace halvarin::sdk {
namespace {

CompactJsonObject identity_members(const ClientConfiguration& configuration,
                                   const InstallationIdentity& identity) {
  CompactJsonObject object;
  object.add("application_code", configuration.application_id)
      .add("installation_id", identity.installation_id)
      .add("credential", identity.credential);
  return object;
}

}  // namespace

std::string build_installation_body(const ClientConfiguration& configuration,
                                    const InstallationIdentity& identity,
                                    std::string_view next_credential,
                                    std::string_view fingerprint) {
  CompactJsonObject object = identity_members(configuration, identity);
  if (!next_credential.empty()) object.add("next_credential", next_credential);
  if (!fingerprint.empty()) object.add("fingerprint", fingerprint);
  return std::move(object).close();
}

std::string build_disconnect_body(const ClientConfiguration& configuration,
                                  const InstallationIdentity& claimed_identity,
                                  std::string_view platform_credential) {
  CompactJsonObject object = identity_members(configuration, claimed_identity);
  object.add("platform_credential", platform_credential);
  return std::move(object).close();
}

}  // namespace halvarin::sdk
