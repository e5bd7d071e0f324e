// Refreshing a saved session at the fake service's token endpoint behind
// the TLS front: the rotated token is saved, a refused token ends the saved
// session, and every other failure keeps it for a later start.
#include "account/session_refresh.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "account/protected_store.h"
#include "account/session_state.h"
#include "tests/account/oauth_flow_fixture.h"

namespace halvarin::sdk::test {
namespace {

FakeStep answer_step(int status, std::string body) {
  return FakeStep{FakeAction::kAnswer,
                  FakeAnswer{status, {"Content-Type: application/json"}, std::move(body), false},
                  0};
}

class SessionRefreshTest : public OAuthFlowTest {
 protected:
  void SetUp() override {
    OAuthFlowTest::SetUp();
    if (IsSkipped()) return;
    state_ = make_session_state(ClientConfiguration(configuration_));
  }

  // A signed-in user's refresh token saved in session.dat, beside an
  // installation that could be claimed.
  std::string saved_user_session() {
    anonymous_session();
    const std::string refresh_token = oauth().issue_session().refresh_token;
    EXPECT_EQ(save_session(configuration_, refresh_token).kind, kErrorNone);
    return refresh_token;
  }

  std::string refresh_form(const std::string& refresh_token) const {
    return "grant_type=refresh_token&client_id=" + configuration_.client_id +
           "&refresh_token=" + refresh_token;
  }

  std::unique_ptr<SessionState> state_;
};

TEST_F(SessionRefreshTest, RestoresASavedUserSessionAndSavesTheRotatedToken) {
  const std::string saved = saved_user_session();
  const size_t before = account_service().request_count();

  const AuthResult result = restore_saved_session(*state_, hooks_);
  ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
  EXPECT_EQ(paths_after(before), (std::vector<std::string>{std::string("POST ") + kTokenRoute,
                                                           std::string("GET ") + kKeySetRoute}));
  const FakeRequest exchange = requests_after(before).at(0);
  EXPECT_EQ(exchange.body, refresh_form(saved));
  EXPECT_EQ(exchange.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(exchange.header("Authorization"), "");

  const FakeTokenSet rotated = oauth().issued().back();
  EXPECT_NE(rotated.refresh_token, saved);
  EXPECT_EQ(session_text(), session_text_of(rotated.refresh_token));
  const std::optional<AccountIdentity> session = session_snapshot(*state_);
  ASSERT_TRUE(session.has_value());
  EXPECT_EQ(session->access_token, rotated.access_token);
  EXPECT_EQ(session->refresh_token, rotated.refresh_token);
  EXPECT_EQ(session->subject, "user-ada");
  EXPECT_EQ(result.access_token, rotated.access_token);
  // Not claimed by a refresh.
  EXPECT_EQ(installation_text(), unclaimed_text(model().issued_sessions().at(0).installation_id));
}

TEST_F(SessionRefreshTest, DoesNotCompareTheNonceOfARefreshedIdToken) {
  saved_user_session();
  oauth().set_next_id_token(signed_token(FakeOAuthModel::id_token_header(),
                                         oauth().id_token_payload("some-sign-in-nonce")));
  const AuthResult result = restore_saved_session(*state_, hooks_);
  EXPECT_EQ(result.error.kind, kErrorNone) << result.error.message;
}

TEST_F(SessionRefreshTest, ARefusedRefreshEndsTheSavedSession) {
  const struct {
    const char* label;
    FakeStep answer;
    int32_t status;
  } cases[] = {
      {"400", answer_step(400, R"({"error":"invalid_grant"})"), 400},
      {"401", answer_step(401, R"({"error":"invalid_token"})"), 401},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    saved_user_session();
    account_service().script("POST", kTokenRoute, {c.answer});
    const AuthResult result = restore_saved_session(*state_, hooks_);
    EXPECT_EQ(result.error.kind, kErrorRejected);
    EXPECT_EQ(result.error.http_status, c.status);
    EXPECT_FALSE(std::filesystem::exists(session_file()));
    EXPECT_FALSE(session_snapshot(*state_).has_value());
  }
}

TEST_F(SessionRefreshTest, AnAnonymousRefreshTokenIsRefusedAndRemoved) {
  anonymous_session();
  ASSERT_TRUE(session_text().has_value());
  const AuthResult result = restore_saved_session(*state_, hooks_);
  EXPECT_EQ(result.error.kind, kErrorRejected);
  EXPECT_EQ(result.error.code, "invalid_grant");
  EXPECT_EQ(result.error.http_status, 400);
  EXPECT_FALSE(std::filesystem::exists(session_file()));
  EXPECT_FALSE(session_snapshot(*state_).has_value());
}

TEST_F(SessionRefreshTest, OtherFailuresKeepTheFileAndTheSession) {
  const struct {
    const char* label;
    std::vector<FakeStep> token_answer;
    bool bad_id_token;
    int32_t kind;
  } cases[] = {
      {"403", {answer_step(403, R"({"code":"AUTH_FORBIDDEN"})")}, false, kErrorRejected},
      {"500", {answer_step(500, "")}, false, kErrorServiceUnavailable},
      // WinHTTP fails on bytes that are no HTTP answer; without a
      // connectivity answer that is a network failure.
      {"no HTTP answer", {FakeStep{FakeAction::kGarbage, std::nullopt, 0}}, false,
       kErrorNetwork},
      {"an ID token that fails", {}, true, kErrorIdTokenRejected},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const std::string saved = saved_user_session();
    state_ = make_session_state(ClientConfiguration(configuration_));
    account_service().script("POST", kTokenRoute, c.token_answer);
    if (c.bad_id_token) oauth().set_next_id_token("a.b.c");
    const AuthResult result = restore_saved_session(*state_, hooks_);
    EXPECT_EQ(result.error.kind, c.kind) << result.error.message;
    EXPECT_EQ(session_text(), session_text_of(saved));
    const std::optional<AccountIdentity> session = session_snapshot(*state_);
    ASSERT_TRUE(session.has_value());
    EXPECT_EQ(session->refresh_token, saved);
    EXPECT_EQ(session->access_token, "");
    EXPECT_EQ(session->expires_at, 0);
  }
}

TEST_F(SessionRefreshTest, TheTokenInMemoryWinsOverTheFile) {
  saved_user_session();
  const std::string in_memory = oauth().issue_session().refresh_token;
  AccountIdentity identity;
  identity.refresh_token = in_memory;
  state_->session = identity;
  const size_t before = account_service().request_count();
  const AuthResult result = refresh_session(*state_, hooks_);
  ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
  EXPECT_EQ(requests_after(before).at(0).body, refresh_form(in_memory));
  EXPECT_EQ(session_text(), session_text_of(oauth().issued().back().refresh_token));
}

TEST_F(SessionRefreshTest, WithoutASavedSessionNothingIsSent) {
  const size_t before = account_service().request_count();
  const AuthResult restored = restore_saved_session(*state_, hooks_);
  EXPECT_EQ(restored.error.kind, kErrorStorage);
  const AuthResult refreshed = refresh_session(*state_, hooks_);
  EXPECT_EQ(refreshed.error.kind, kErrorStorage);
  EXPECT_FALSE(session_snapshot(*state_).has_value());
  EXPECT_EQ(account_service().request_count(), before);
}

TEST_F(SessionRefreshTest, TheServiceKeepsThePreviousTokenUntilItsSuccessorIsUsed) {
  const std::string first = saved_user_session();
  ASSERT_EQ(restore_saved_session(*state_, hooks_).error.kind, kErrorNone);
  const std::string second = session_snapshot(*state_)->refresh_token;
  EXPECT_TRUE(oauth().refresh_token_valid(first));
  ASSERT_EQ(refresh_session(*state_, hooks_).error.kind, kErrorNone);
  EXPECT_FALSE(oauth().refresh_token_valid(first));
  EXPECT_TRUE(oauth().refresh_token_valid(second));
}

}  // namespace
}  // namespace halvarin::sdk::test
