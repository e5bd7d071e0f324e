// InstallationIdentity is what proves this installation of the application
// to the account service before and after anyone signs in: its id and
// credential, and whether a registered account has claimed it. An
// unclaimed installation proves itself with the platform credential shared
// by the maker's applications; a claimed one with its own application
// credential. A plain value; load and ensure fill one from the local store.
#pragma once

#include <string>

#include "account/client_configuration.h"
#include "account/error.h"

namespace halvarin::sdk {

struct InstallationIdentity {
  // The installation's id at the service; never empty in a stored identity.
  std::string installation_id;
  // The platform credential while unclaimed, the application credential
  // once claimed; at least 32 characters after a successful load.
  std::string credential;
  bool claimed = false;
};

// Reads this application's installation identity (and, while unclaimed,
// the platform credential) from the local store. Never creates anything
// and never moves a file aside; an inline platform credential of an older
// file is moved into the platform identity file. `identity` is cleared
// first and stays empty on failure.
Error load_installation_identity(const ClientConfiguration& configuration,
                                 InstallationIdentity& identity);

// Loads the installation identity, creating it (and the platform identity
// when there is none) on the first run. A stored file that cannot be read
// or understood is renamed to "<name>.unreadable" and replaced by a new
// identity, so that a lost DPAPI key or a damaged file does not lock the
// client out for good.
Error ensure_installation_identity(const ClientConfiguration& configuration,
                                   InstallationIdentity& identity);

}  // namespace halvarin::sdk
