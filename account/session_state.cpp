#include "account/session_state.h"

#include <utility>

namespace halvarin::sdk {

std::unique_ptr<SessionState> make_session_state(ClientConfiguration&& configuration) {
  auto state = std::make_unique<SessionState>();
  state->configuration = std::move(configuration);
  return state;
}

std::optional<AccountIdentity> session_snapshot(SessionState& state) {
  std::lock_guard lock(state.mutex);
  return state.session;
}

}  // namespace halvarin::sdk
