// The JSON bodies of the installation requests: one compact object of
// string members in a fixed order, every value escaped, no white space.
// Pure text functions; safe on any thread.
#pragma once

#include <string>
#include <string_view>

#include "account/client_configuration.h"
#include "account/installation_identity.h"

namespace halvarin::sdk {

// {"application_code":…,"installation_id":…,"credential":…} followed by
// "next_credential" and "fingerprint" when they are not empty: the body of
// initialize, restore and claim.
std::string build_installation_body(const ClientConfiguration& configuration,
                                    const InstallationIdentity& identity,
                                    std::string_view next_credential, std::string_view fingerprint);

// The body of a disconnect: the claimed identity's application credential
// as "credential", then the platform credential as "platform_credential".
std::string build_disconnect_body(const ClientConfiguration& configuration,
                                  const InstallationIdentity& claimed_identity,
                                  std::string_view platform_credential);

}  // namespace halvarin::sdk
