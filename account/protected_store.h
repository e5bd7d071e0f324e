// The account client's three protected files: the saved session (a refresh
// token) of a client id, the platform identity shared by the maker's
// applications, and one application's installation identity. Each holds
// one DPAPI blob whose plaintext starts with the service root it belongs
// to, under its own entropy. The store keeps no state: every call derives
// its paths from the configuration it is given. Safe on any thread.
#pragma once

#include <string>
#include <string_view>

#include "account/client_configuration.h"
#include "account/error.h"
#include "account/installation_identity.h"

namespace halvarin::sdk {

// Entropy of the platform identity file; the installation identity file's
// entropy is this, a full stop and the application id.
inline constexpr std::string_view kPlatformEntropy = "tessaly.workstation.cipher";

// Platform and claimed application credentials have at least this many
// characters.
inline constexpr size_t kMinimumCredentialLength = 32;

std::string installation_entropy(std::string_view application_id);

// Writes `token` as the saved session of the configuration's client id.
Error save_session(const ClientConfiguration& configuration, std::string_view token);

// Reads the saved session's token (cleared first); a file written for
// another service root is refused.
Error load_session(const ClientConfiguration& configuration, std::string& token);

// Deletes the saved session; an absent file or data directory is success.
Error remove_session(const ClientConfiguration& configuration);

Error save_platform_identity(const ClientConfiguration& configuration,
                             std::string_view credential);

// Reads the platform credential (cleared first).
Error load_platform_identity(const ClientConfiguration& configuration, std::string& credential);

Error save_installation_identity(const ClientConfiguration& configuration,
                                 const InstallationIdentity& identity);

// True when a directory entry named installation.dat exists for the
// configuration's application id (see directory_entry_exists).
bool installation_file_exists(const ClientConfiguration& configuration);

}  // namespace halvarin::sdk
