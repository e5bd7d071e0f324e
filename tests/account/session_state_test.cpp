// The session state's creation and snapshots.
#include "account/session_state.h"

#include <gtest/gtest.h>

#include <utility>

namespace halvarin::sdk::test {
namespace {

TEST(SessionStateTest, StartsWithTheMovedConfigurationAndNoSession) {
  ClientConfiguration configuration;
  configuration.base_url = "https://accounts.example";
  const std::unique_ptr<SessionState> state = make_session_state(std::move(configuration));
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->configuration.base_url, "https://accounts.example");
  EXPECT_FALSE(session_snapshot(*state).has_value());
}

TEST(SessionStateTest, ASnapshotIsACopyOfTheCurrentSession) {
  const std::unique_ptr<SessionState> state = make_session_state(ClientConfiguration{});
  AccountIdentity identity;
  identity.access_token = "a";
  identity.subject = "s";
  identity.expires_at = 42;
  state->session = identity;
  std::optional<AccountIdentity> snapshot = session_snapshot(*state);
  ASSERT_TRUE(snapshot.has_value());
  EXPECT_EQ(snapshot->access_token, "a");
  EXPECT_EQ(snapshot->expires_at, 42);
  snapshot->access_token = "changed";
  EXPECT_EQ(state->session->access_token, "a");
}

}  // namespace
}  // namespace halvarin::sdk::test
