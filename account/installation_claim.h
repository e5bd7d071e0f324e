// Claiming this installation for the account that has just signed in: the
// service gives the installation its own application credential, which
// replaces the platform credential as its proof from then on. A claimed
// installation can be claimed again; each success replaces the application
// credential. No state; runs on the caller's thread (the sign-in worker).
#pragma once

#include <string_view>

#include "account/client_configuration.h"
#include "account/error.h"
#include "account/platform_hooks.h"

namespace halvarin::sdk {

// Sends the claim with a fresh next credential and, on the service's 204,
// stores the installation as claimed with that credential. Without an
// installation identity there is nothing to claim (kind 0, no request).
// Any other answer leaves the stored identity as it was; so does a lost
// answer, which is reported as the transport's Error and not repeated.
Error claim_installation(const ClientConfiguration& configuration, std::string_view access_token,
                         const PlatformHooks& hooks = {});

}  // namespace halvarin::sdk
