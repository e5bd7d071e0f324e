// The account service of the product: the account client made and started
// for this application, behind the App's AccountPort. Owned by the App for
// its whole run; UI thread, except sign_in (the account dialog's worker).
//
// A start that failed for a transient reason (no network at launch) is
// repeated on a thread of its own when has_account finds it due, so that a
// saved sign-in comes back in this run without the UI thread waiting for
// the service; the start-ended callback then tells the shell. The client's
// operations that may start it never overlap: each holds the client's lock,
// so one that comes while that start runs waits for it, as it would have
// waited for its own.
#pragma once

#include <memory>

#include "account/client_configuration.h"
#include "account/platform_hooks.h"
#include "app/account_port.h"

namespace quorvel::windows {

// The application's own configuration on the real platform.
std::unique_ptr<AccountPort> make_product_account();

std::unique_ptr<AccountPort> make_product_account(halvarin::sdk::ClientConfiguration configuration,
                                                  halvarin::sdk::PlatformHooks hooks);

}  // namespace quorvel::windows
