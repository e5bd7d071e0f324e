// The application's account actions: how the shell creates its one account
// client and forwards the account entries of its windows to it. Thin
// forwards, so that the shell's calls read as what the user did. Called on
// the UI thread, except sign_in_account (the sign-in dialog's worker) and
// has_account (any thread).
#pragma once

#include <optional>
#include <stop_token>
#include <string>

#include "account/account_identity.h"
#include "account/auth_result.h"
#include "account/client.h"
#include "account/client_configuration.h"
#include "account/error.h"
#include "account/platform_hooks.h"

namespace quorvel::windows {

// The client for the application's own configuration on the real platform,
// already started.
halvarin::sdk::Client make_account_client();

// The client for `configuration` and `hooks`, started once; the start's
// outcome is not looked at (later calls return it or repeat the start).
halvarin::sdk::Client make_account_client(halvarin::sdk::ClientConfiguration configuration,
                                          halvarin::sdk::PlatformHooks hooks);

std::optional<halvarin::sdk::AccountIdentity> query_account(halvarin::sdk::Client& client);

// Whether someone is signed in; never waits for the service.
bool has_account(const halvarin::sdk::Client& client);

halvarin::sdk::Error disconnect_account(halvarin::sdk::Client& client);
halvarin::sdk::Error open_account_page(halvarin::sdk::Client& client);
halvarin::sdk::Error open_support_page(halvarin::sdk::Client& client);

// The browser sign-in the application asks for: 180 seconds for the
// browser step, the OpenID scopes with e-mail and offline access, the pages
// in `locale`, cancelled through `stop_token`.
halvarin::sdk::AuthResult sign_in_account(halvarin::sdk::Client& client,
                                          std::stop_token stop_token, std::string locale);

}  // namespace quorvel::windows
