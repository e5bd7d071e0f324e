// Renewing the signed-in session with its refresh token: at start-up from
// the saved session.dat, or later from the token in memory. A refresh the
// service refuses (400 or 401) ends the saved session for good; any other
// failure (network, an outage, a 403, a token that does not verify) keeps
// both the file and the session so that a later start tries again. Runs on
// whichever thread calls the client first.
#pragma once

#include "account/auth_result.h"
#include "account/platform_hooks.h"
#include "account/session_state.h"

namespace halvarin::sdk {

// Exchanges the session's refresh token (the one in memory, else the saved
// one) at the token endpoint; the answer is handled without a nonce check
// and without a claim, so a success rewrites session.dat with the rotated
// token.
AuthResult refresh_session(SessionState& state, const PlatformHooks& hooks = {});

// Loads session.dat into the state as a session holding only its refresh
// token, then refreshes it. Without a saved session the store's Error (kind
// 10 when there is no file) is the result and the state is untouched.
AuthResult restore_saved_session(SessionState& state, const PlatformHooks& hooks = {});

}  // namespace halvarin::sdk
