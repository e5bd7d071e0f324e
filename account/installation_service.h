// InstallationService opens, restores and hands back this installation's
// anonymous session at the account service. Initialize creates the
// installation identity on the first run; restore reuses the stored one;
// disconnect returns a claimed installation to its anonymous state after
// the account's sign-out and gives the new anonymous session. Each
// successful flow saves the session's refresh token in session.dat.
//
// Owned by the client facade; holds its own copy of the configuration and
// the platform hooks and no other state: every flow reads the stored
// identity again. Calls run on the caller's thread; one flow at a time per
// service.
#pragma once

#include <string>
#include <string_view>

#include "account/anonymous_session.h"
#include "account/client_configuration.h"
#include "account/installation_identity.h"
#include "account/platform_hooks.h"

namespace halvarin::sdk {

class InstallationService {
 public:
  explicit InstallationService(ClientConfiguration configuration, PlatformHooks hooks = {});

  // Creates the installation identity when there is none and asks the
  // service for an anonymous session. `fingerprint` is sent only when not
  // empty. A claimed installation is refused without a request.
  AnonymousSessionResult initialize_anonymous_session(std::string_view fingerprint);

  // Asks the service for a new anonymous session of the stored, unclaimed
  // installation. Never creates an identity.
  AnonymousSessionResult restore_anonymous_session();

  // Hands the claimed installation back from the account that
  // `access_token` belongs to and returns the new anonymous session; an
  // unclaimed installation just restores its session. When the disconnect's
  // answer is lost, a restore with the platform credential finds out
  // whether the service carried it out.
  AnonymousSessionResult disconnect_installation(std::string access_token);

 private:
  AnonymousSessionResult send_disconnect(const InstallationIdentity& claimed,
                                         std::string_view access_token);

  ClientConfiguration configuration_;
  PlatformHooks hooks_;
};

}  // namespace halvarin::sdk
