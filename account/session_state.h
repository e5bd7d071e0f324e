// SessionState holds the signed-in user's session of the account client:
// the configuration it was made with and, under its mutex, the current
// identity (empty until a sign-in or a restore fills it). The client owns
// exactly one through a unique pointer and replaces it on disconnect.
//
// `session` is read and written only under `mutex`, and the lock is held
// just for copying or assigning: never during a request, a file access or a
// token check. `configuration` never changes after creation and is read
// without the lock, so the sign-in worker and the UI thread may share one
// state.
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "account/account_identity.h"
#include "account/client_configuration.h"

namespace halvarin::sdk {

struct SessionState {
  ClientConfiguration configuration;
  std::mutex mutex;
  std::optional<AccountIdentity> session;
};

// A state with `configuration` moved in and no session.
std::unique_ptr<SessionState> make_session_state(ClientConfiguration&& configuration);

// A copy of the current session, taken under the state's mutex.
std::optional<AccountIdentity> session_snapshot(SessionState& state);

}  // namespace halvarin::sdk
