// Checking the ID token that comes with the service's tokens before anything
// of the user is believed or saved: a compact JWT signed with RS256 by a key
// the service publishes at "/.well-known/jwks.json" (fetched for every
// check, never cached), issued by the configured root for this client, not
// expired and, when a sign-in sent one, carrying its nonce. Runs on the
// caller's thread (the sign-in worker or the refreshing thread) and keeps
// no state.
#pragma once

#include <string>
#include <string_view>

#include "account/client_configuration.h"
#include "account/error.h"
#include "account/platform_hooks.h"

namespace halvarin::sdk {

inline constexpr std::string_view kKeySetPath = "/.well-known/jwks.json";

// Verifies `id_token` against the configuration's base_url (issuer and key
// set server) and client_id (audience); an empty `expected_nonce` skips the
// nonce comparison. Kind 0 fills `subject`, `email` and `name`; on failure
// they may hold values read before the failing step. Failures are kind 9
// with the step's message, except the key set's own: its transport failure
// passes through unchanged, and a key set answering 500 or more is kind 13
// (a service outage, worth trying again later) with its status.
// `hooks.system_time` is the clock of the expiry check.
Error verify_id_token(const ClientConfiguration& configuration, std::string_view id_token,
                      std::string_view expected_nonce, std::string& subject, std::string& email,
                      std::string& name, const PlatformHooks& hooks = {});

// The text of the first object in the key set's "keys" array whose "kid" is
// exactly `key_id`; empty when there is none.
std::string find_signing_key(std::string_view key_set, std::string_view key_id);

// True when the payload's "aud" value holds the quoted client id before its
// first "," or "}": a single audience equal to it, or an array that names it
// first.
bool audience_contains(std::string_view payload, std::string_view client_id);

}  // namespace halvarin::sdk
