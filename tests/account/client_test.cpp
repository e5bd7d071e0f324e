// The account client facade end to end against the fake service behind the
// TLS front: first run, restarts, sign-in, disconnect and outages, as the
// fake sees them and as the protected files show them afterwards; the rules
// for repeating a failed start; and the renewal of expired tokens.
#include "account/client.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "account/session_state.h"
#include "tests/account/client_fixture.h"
#include "tests/account/flat_json_object.h"

namespace halvarin::sdk::test {
namespace {

using Paths = std::vector<std::string>;

constexpr char kClaimedCode[] = "AUTH_INSTALLATION_CLAIMED";

void expect_identity_of(const std::optional<AccountIdentity>& identity,
                        const FakeTokenSet& tokens) {
  ASSERT_TRUE(identity.has_value());
  EXPECT_EQ(identity->access_token, tokens.access_token);
  EXPECT_EQ(identity->refresh_token, tokens.refresh_token);
  EXPECT_EQ(identity->subject, "user-ada");
  EXPECT_EQ(identity->email, "ada@example.com");
  EXPECT_EQ(identity->name, "Ada Lovelace");
}

std::string member_of(const FakeRequest& request, const std::string& name) {
  const std::optional<FlatJsonObject> body = parse_flat_json_object(request.body);
  if (!body) return {};
  return member(*body, name).value_or("");
}

// --- Scenarios ---------------------------------------------------------

TEST_F(ClientTest, FirstRunOpensTheAnonymousSessionAndSendsTheHeartbeat) {
  std::unique_ptr<Client> client = make_client();
  const Error started = client->start();
  ASSERT_EQ(started.kind, kErrorNone) << started.message;
  EXPECT_EQ(paths_after(0), (Paths{kInitialize, kHeartbeat}));
  const std::vector<FakeRequest> requests = requests_after(0);
  EXPECT_EQ(bearer(requests[0]), "");
  EXPECT_EQ(bearer(requests[1]), latest_anonymous_access());

  const std::string id = installation_id();
  EXPECT_FALSE(id.empty());
  EXPECT_EQ(member_of(requests[0], "installation_id"), id);
  EXPECT_FALSE(platform_credential().empty());
  EXPECT_EQ(installation_text(), unclaimed_text(id));
  EXPECT_EQ(session_text(), session_text_of(latest_anonymous_refresh()));

  EXPECT_FALSE(client->current_account().has_value());
  EXPECT_FALSE(client->has_account());
  EXPECT_EQ(client->start().kind, kErrorNone);
  EXPECT_EQ(account_service().request_count(), 2u) << "a settled start is not repeated";
}

TEST_F(ClientTest, ARestartRefusesTheAnonymousRefreshTokenAndRestoresTheSession) {
  first_run();
  const std::string first_refresh = latest_anonymous_refresh();
  const size_t before = account_service().request_count();

  std::unique_ptr<Client> restarted = make_client();
  ASSERT_EQ(restarted->start().kind, kErrorNone);
  EXPECT_EQ(paths_after(before), (Paths{kToken, kRestore, kHeartbeat}));
  const std::vector<FakeRequest> requests = requests_after(before);
  EXPECT_NE(requests[0].body.find("refresh_token=" + first_refresh), std::string::npos);
  EXPECT_EQ(bearer(requests[2]), latest_anonymous_access());
  EXPECT_NE(latest_anonymous_refresh(), first_refresh);
  EXPECT_EQ(session_text(), session_text_of(latest_anonymous_refresh()));
  EXPECT_EQ(installation_text(), unclaimed_text(installation_id()));
  EXPECT_FALSE(restarted->has_account());
}

TEST_F(ClientTest, SignInClaimsTheInstallationAndLeavesNoAnonymousToken) {
  std::unique_ptr<Client> client = first_run();
  const std::string id = installation_id();
  size_t before = account_service().request_count();

  const AuthResult result = sign_in(*client);
  ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
  EXPECT_EQ(paths_after(before), (Paths{kContext, kAuthorize, kToken, kKeySet, kClaim}));
  const FakeTokenSet issued = oauth().issued().back();
  EXPECT_EQ(result.access_token, issued.access_token);
  expect_identity_of(client->current_account(), issued);
  EXPECT_TRUE(client->has_account());
  const std::string credential = member_of(requests_after(before).back(), "next_credential");
  EXPECT_EQ(installation_text(), claimed_text(id, credential));
  EXPECT_EQ(session_text(), session_text_of(issued.refresh_token));

  // The anonymous token is gone: a second sign-in opens no context.
  before = account_service().request_count();
  ASSERT_EQ(sign_in(*client).error.kind, kErrorNone);
  EXPECT_EQ(paths_after(before), (Paths{kAuthorize, kToken, kKeySet, kClaim}));
}

TEST_F(ClientTest, ARestartSignedInRefreshesTheUserSessionAndSendsTheUserHeartbeat) {
  signed_in();
  const size_t before = account_service().request_count();

  std::unique_ptr<Client> restarted = make_client();
  ASSERT_EQ(restarted->start().kind, kErrorNone);
  EXPECT_EQ(paths_after(before), (Paths{kToken, kKeySet, kHeartbeat}));
  const FakeTokenSet rotated = oauth().issued().back();
  EXPECT_EQ(bearer(requests_after(before)[2]), rotated.access_token);
  expect_identity_of(restarted->current_account(), rotated);
  EXPECT_EQ(session_text(), session_text_of(rotated.refresh_token));

  // No anonymous token: a sign-in of this client opens no context.
  const size_t again = account_service().request_count();
  ASSERT_EQ(sign_in(*restarted).error.kind, kErrorNone);
  EXPECT_EQ(paths_after(again), (Paths{kAuthorize, kToken, kKeySet, kClaim}));
}

TEST_F(ClientTest, ARefusedRefreshWhileClaimedEndsTheSessionAndASignInReclaims) {
  signed_in();
  const std::string id = installation_id();
  const std::optional<std::string> claimed = installation_text();
  const std::string credential = claimed->substr(claimed->rfind('\n') + 1);
  script_from_now("POST", kTokenRoute, {answer_step(400, R"({"error":"invalid_grant"})")});
  size_t before = account_service().request_count();

  std::unique_ptr<Client> restarted = make_client();
  const Error started = restarted->start();
  EXPECT_EQ(started.kind, kErrorRejected);
  EXPECT_EQ(started.code, kClaimedCode);
  EXPECT_EQ(started.http_status, 0) << "refused locally";
  EXPECT_EQ(paths_after(before), (Paths{kToken}));
  EXPECT_FALSE(std::filesystem::exists(session_file()));
  EXPECT_EQ(installation_text(), claimed);
  EXPECT_FALSE(restarted->current_account().has_value());

  account_service().script("POST", kTokenRoute, {handler_step()});
  before = account_service().request_count();
  const AuthResult result = sign_in(*restarted);
  ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
  EXPECT_EQ(paths_after(before), (Paths{kAuthorize, kToken, kKeySet, kClaim}));
  const FakeRequest claim = requests_after(before).back();
  EXPECT_EQ(member_of(claim, "credential"), credential);
  EXPECT_EQ(installation_text(), claimed_text(id, member_of(claim, "next_credential")));
  const std::optional<AccountIdentity> identity = restarted->current_account();
  expect_identity_of(identity, oauth().issued().back());
}

TEST_F(ClientTest, DisconnectHandsTheInstallationBackAndTakesANewAnonymousSession) {
  std::unique_ptr<Client> client = signed_in();
  const std::string id = installation_id();
  const std::string user_access = client->current_account()->access_token;
  const size_t before = account_service().request_count();

  ASSERT_EQ(client->disconnect_account().kind, kErrorNone);
  EXPECT_EQ(paths_after(before), (Paths{kDisconnect, kHeartbeat}));
  const std::vector<FakeRequest> requests = requests_after(before);
  EXPECT_EQ(bearer(requests[0]), user_access);
  EXPECT_EQ(bearer(requests[1]), latest_anonymous_access());
  EXPECT_EQ(installation_text(), unclaimed_text(id));
  EXPECT_EQ(session_text(), session_text_of(latest_anonymous_refresh()));
  EXPECT_FALSE(client->current_account().has_value());
  EXPECT_FALSE(client->has_account());
  EXPECT_EQ(account_service().request_count(), before + 2);

  // The new anonymous token opens the next sign-in's context.
  const std::string anonymous = latest_anonymous_access();
  const size_t again = account_service().request_count();
  ASSERT_EQ(sign_in(*client).error.kind, kErrorNone);
  EXPECT_EQ(paths_after(again), (Paths{kContext, kAuthorize, kToken, kKeySet, kClaim}));
  EXPECT_EQ(bearer(requests_after(again)[0]), anonymous);
}

// Plain HTTP on loopback: through the TLS front, Wine does not notice a
// dropped connection until the response time-out.
TEST_F(ClientTest, AnOutageAtFirstRunIsRetriedOnlyAfterThirtySeconds) {
  configuration_.base_url = plain_root();
  account_service().script("POST", kInitializeRoute,
                           {action_step(FakeAction::kCloseWithoutAnswer), handler_step()});
  std::unique_ptr<Client> client = make_client();

  const Error started = client->start();
  EXPECT_EQ(started.kind, kErrorNetwork) << started.message;
  EXPECT_EQ(paths_after(0), (Paths{kInitialize}));
  EXPECT_EQ(installation_text(), unclaimed_text(installation_id()));
  EXPECT_FALSE(session_text().has_value());

  clock_->advance(29 * kNsPerSecond);
  EXPECT_FALSE(client->current_account().has_value());
  EXPECT_EQ(client->start().kind, kErrorNetwork);
  EXPECT_EQ(client->disconnect_account().kind, kErrorNone);
  EXPECT_EQ(account_service().request_count(), 1u) << "nothing sent within 30 s";

  clock_->advance(1 * kNsPerSecond);
  EXPECT_FALSE(client->has_account());
  EXPECT_EQ(account_service().request_count(), 1u) << "has_account never starts the client";
  EXPECT_FALSE(client->current_account().has_value());
  EXPECT_EQ(paths_after(1), (Paths{kRestore, kInitialize, kHeartbeat}));
  const std::vector<FakeRequest> requests = requests_after(1);
  EXPECT_EQ(model().installation(installation_id()).has_value(), true);
  EXPECT_EQ(bearer(requests[2]), latest_anonymous_access());
  EXPECT_EQ(session_text(), session_text_of(latest_anonymous_refresh()));
  EXPECT_EQ(client->start().kind, kErrorNone);
  EXPECT_EQ(account_service().request_count(), 4u);
}

// --- Start rules -------------------------------------------------------

TEST_F(ClientTest, ARestoreRefusedWith403IsKeptAndNeverRepeated) {
  first_run();
  script_from_now("POST", kRestoreRoute, {answer_step(403, R"({"code":"AUTH_FORBIDDEN"})")});
  const size_t before = account_service().request_count();

  std::unique_ptr<Client> client = make_client();
  const Error started = client->start();
  EXPECT_EQ(started.kind, kErrorRejected);
  EXPECT_EQ(started.http_status, 403);
  EXPECT_EQ(started.code, "AUTH_FORBIDDEN");
  EXPECT_EQ(paths_after(before), (Paths{kToken, kRestore}));

  clock_->advance(3600 * kNsPerSecond);
  const size_t after = account_service().request_count();
  EXPECT_EQ(client->start().code, "AUTH_FORBIDDEN");
  EXPECT_FALSE(client->current_account().has_value());
  EXPECT_EQ(client->disconnect_account().kind, kErrorNone);
  const AuthResult refused = client->sign_in_interactive(options_);
  EXPECT_EQ(refused.error.kind, kErrorRejected);
  EXPECT_EQ(refused.error.code, "AUTH_FORBIDDEN");
  EXPECT_EQ(account_service().request_count(), after);
}

TEST_F(ClientTest, AKeySetOutageAtStartIsRepeatedAfterTheIntervalAndSignsTheUserIn) {
  signed_in();
  const std::string saved = *session_text();
  script_from_now("GET", kKeySetRoute, {answer_step(503)});
  const size_t before = account_service().request_count();

  std::unique_ptr<Client> client = make_client();
  EXPECT_EQ(client->start().kind, kErrorServiceUnavailable);
  EXPECT_EQ(paths_after(before), (Paths{kToken, kKeySet, kKeySet, kKeySet}));
  EXPECT_EQ(session_text(), saved) << "the saved session is kept";
  EXPECT_FALSE(client->current_account().has_value());
  EXPECT_FALSE(client->has_account());
  EXPECT_EQ(account_service().request_count(), before + 4);

  account_service().script("GET", kKeySetRoute, {handler_step()});
  clock_->advance(kStartRetryIntervalNs);
  const size_t again = account_service().request_count();
  const std::optional<AccountIdentity> identity = client->current_account();
  expect_identity_of(identity, oauth().issued().back());
  EXPECT_EQ(paths_after(again), (Paths{kToken, kKeySet, kHeartbeat}));
  EXPECT_TRUE(client->has_account());
}

TEST_F(ClientTest, ARepeatedStartIsDueOnlyOnceTheIntervalAfterATransientFailureHasPassed) {
  configuration_.base_url = plain_root();
  account_service().script("POST", kInitializeRoute,
                           {action_step(FakeAction::kCloseWithoutAnswer), handler_step()});
  std::unique_ptr<Client> client = make_client();
  EXPECT_FALSE(client->start_retry_due()) << "a client never started has nothing to repeat";

  ASSERT_EQ(client->start().kind, kErrorNetwork);
  EXPECT_FALSE(client->start_retry_due());
  // The test clock also runs with real time: a second short of the
  // interval.
  clock_->advance(kStartRetryIntervalNs - kNsPerSecond);
  EXPECT_FALSE(client->start_retry_due());
  clock_->advance(kNsPerSecond);
  EXPECT_TRUE(client->start_retry_due());
  EXPECT_TRUE(client->start_retry_due()) << "asking does not use the retry up";
  EXPECT_EQ(account_service().request_count(), 1u) << "asking sends nothing";

  ASSERT_EQ(client->start().kind, kErrorNone);
  EXPECT_FALSE(client->start_retry_due());
  clock_->advance(3600 * kNsPerSecond);
  EXPECT_FALSE(client->start_retry_due()) << "a settled start is never due again";
}

TEST_F(ClientTest, ARepeatedStartIsNeverDueAfterARefusalAndDueAgainAfterAFailedRepeat) {
  first_run();
  script_from_now("POST", kRestoreRoute, {answer_step(403, R"({"code":"AUTH_FORBIDDEN"})")});
  std::unique_ptr<Client> refused = make_client();
  ASSERT_EQ(refused->start().kind, kErrorRejected);
  clock_->advance(3600 * kNsPerSecond);
  EXPECT_FALSE(refused->start_retry_due());

  // A repeat that fails again for a transient reason waits a whole interval
  // from that repeat.
  configuration_.base_url = plain_root();
  account_service().script("POST", kInitializeRoute,
                           {action_step(FakeAction::kCloseWithoutAnswer),
                            action_step(FakeAction::kCloseWithoutAnswer)});
  account_service().script("POST", kRestoreRoute, {action_step(FakeAction::kCloseWithoutAnswer)});
  std::unique_ptr<Client> client = make_client();
  ASSERT_EQ(client->start().kind, kErrorNetwork);
  clock_->advance(kStartRetryIntervalNs);
  ASSERT_TRUE(client->start_retry_due());
  ASSERT_EQ(client->start().kind, kErrorNetwork);
  EXPECT_FALSE(client->start_retry_due());
  clock_->advance(kStartRetryIntervalNs - kNsPerSecond);
  EXPECT_FALSE(client->start_retry_due());
  clock_->advance(kNsPerSecond);
  EXPECT_TRUE(client->start_retry_due());
}

TEST_F(ClientTest, HasAccountSendsNothingAndNeedsAnAccessTokenAndAnEmail) {
  signed_in();
  const size_t before = account_service().request_count();
  std::unique_ptr<Client> client = make_client();
  EXPECT_FALSE(client->has_account()) << "not started by asking";
  EXPECT_EQ(account_service().request_count(), before);
  ASSERT_EQ(client->start().kind, kErrorNone);
  const size_t started = account_service().request_count();
  EXPECT_TRUE(client->has_account());
  EXPECT_EQ(account_service().request_count(), started);

  // A user without an e-mail counts as not signed in.
  FakeUser anonymous_mail;
  anonymous_mail.email = "";
  oauth().set_user(anonymous_mail);
  ASSERT_EQ(sign_in(*client).error.kind, kErrorNone);
  const std::optional<std::string> saved = session_text();
  const std::optional<std::string> claimed = installation_text();
  const size_t signed_in_again = account_service().request_count();
  EXPECT_FALSE(client->has_account());
  EXPECT_FALSE(client->current_account().has_value());
  EXPECT_EQ(client->disconnect_account().kind, kErrorNone);
  EXPECT_EQ(account_service().request_count(), signed_in_again) << "disconnect sent nothing";
  EXPECT_EQ(session_text(), saved);
  EXPECT_EQ(installation_text(), claimed);
}

TEST_F(ClientTest, ASignInAfterANetworkFailureWithoutAnonymousTokenReturnsThatFailure) {
  configuration_.base_url = plain_root();
  account_service().script("POST", kInitializeRoute,
                           {action_step(FakeAction::kCloseWithoutAnswer)});
  account_service().script("POST", kRestoreRoute, {action_step(FakeAction::kCloseWithoutAnswer)});
  std::unique_ptr<Client> client = make_client();
  ASSERT_EQ(client->start().kind, kErrorNetwork);

  // The user asked: the start is repeated at once, within the 30 s.
  TestBrowser browser({following()});
  const AuthResult result = sign_in(*client, browser);
  EXPECT_EQ(result.error.kind, kErrorNetwork);
  EXPECT_EQ(paths_after(0), (Paths{kInitialize, kRestore}));
  EXPECT_EQ(browser.open_calls(), 0);
  EXPECT_TRUE(result.access_token.empty());
}

TEST_F(ClientTest, AFailedDisconnectLeavesTheUserSignedIn) {
  std::unique_ptr<Client> client = signed_in();
  const std::optional<AccountIdentity> before_identity = client->current_account();
  const std::optional<std::string> saved = session_text();
  const std::optional<std::string> claimed = installation_text();
  script_from_now("POST", kDisconnectRoute, {answer_step(409, R"({"code":"CONFLICT"})")});

  const Error error = client->disconnect_account();
  EXPECT_EQ(error.kind, kErrorRejected);
  EXPECT_EQ(error.code, "CONFLICT");
  EXPECT_EQ(error.http_status, 409);
  ASSERT_TRUE(client->current_account().has_value());
  EXPECT_EQ(client->current_account()->access_token, before_identity->access_token);
  EXPECT_TRUE(client->has_account());
  EXPECT_EQ(session_text(), saved);
  EXPECT_EQ(installation_text(), claimed);
}

// --- Renewal -----------------------------------------------------------

TEST_F(ClientTest, AnAnonymousTokenTheServiceExpiredIsRenewedAfterTheContext401) {
  std::unique_ptr<Client> client = first_run();
  const std::string expired = latest_anonymous_access();
  model().expire_token(expired);
  const size_t before = account_service().request_count();

  const AuthResult result = sign_in(*client);
  ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
  EXPECT_EQ(paths_after(before),
            (Paths{kContext, kRestore, kContext, kAuthorize, kToken, kKeySet, kClaim}));
  const std::vector<FakeRequest> requests = requests_after(before);
  EXPECT_EQ(bearer(requests[0]), expired);
  EXPECT_EQ(bearer(requests[2]), latest_anonymous_access());
  EXPECT_NE(latest_anonymous_access(), expired);
}

TEST_F(ClientTest, AnAnonymousTokenPastItsExpiryIsRenewedBeforeTheContext) {
  // The first run happens two hours back by the system clock, so its
  // anonymous token has run out an hour ago.
  system_shift_ = -7200 * kTicksPerSecond;
  std::unique_ptr<Client> client = first_run();
  const std::string stale = latest_anonymous_access();
  system_shift_ = 0;
  const size_t before = account_service().request_count();

  const AuthResult result = sign_in(*client);
  ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
  EXPECT_EQ(paths_after(before), (Paths{kRestore, kContext, kAuthorize, kToken, kKeySet, kClaim}));
  EXPECT_NE(bearer(requests_after(before)[1]), stale);
  EXPECT_EQ(bearer(requests_after(before)[1]), latest_anonymous_access());
}

TEST_F(ClientTest, AUserTokenTheServiceExpiredIsRefreshedAfterTheDisconnect401) {
  std::unique_ptr<Client> client = signed_in();
  const std::string expired = client->current_account()->access_token;
  oauth().expire_access_token(expired);
  const size_t before = account_service().request_count();

  ASSERT_EQ(client->disconnect_account().kind, kErrorNone);
  EXPECT_EQ(paths_after(before), (Paths{kDisconnect, kToken, kKeySet, kDisconnect, kHeartbeat}));
  const std::vector<FakeRequest> requests = requests_after(before);
  EXPECT_EQ(bearer(requests[0]), expired);
  EXPECT_EQ(bearer(requests[3]), oauth().issued().back().access_token);
  EXPECT_EQ(installation_text(), unclaimed_text(installation_id()));
  EXPECT_FALSE(client->has_account());
}

TEST_F(ClientTest, AUserTokenPastItsExpiryIsRefreshedBeforeTheDisconnect) {
  system_shift_ = -7200 * kTicksPerSecond;
  std::unique_ptr<Client> client = signed_in();
  const std::string stale = client->current_account()->access_token;
  system_shift_ = 0;
  const size_t before = account_service().request_count();

  ASSERT_EQ(client->disconnect_account().kind, kErrorNone);
  EXPECT_EQ(paths_after(before), (Paths{kToken, kKeySet, kDisconnect, kHeartbeat}));
  EXPECT_NE(bearer(requests_after(before)[2]), stale);
  EXPECT_EQ(bearer(requests_after(before)[2]), oauth().issued().back().access_token);
}

struct RenewalCase {
  const char* name;
  bool disconnect;
  const char* method;
  const char* path;
  FakeStep step;
  Paths expected;
  int32_t status;
  // The token ran out by the system clock before the operation.
  bool past_expiry = false;
};

void PrintTo(const RenewalCase& c, std::ostream* out) { *out << c.name; }

class OneRenewalPerOperationTest : public ClientTest,
                                   public testing::WithParamInterface<RenewalCase> {};

TEST_P(OneRenewalPerOperationTest, ASecondRefusalOrAFailedRenewalEndsTheOperation) {
  const RenewalCase& c = GetParam();
  if (c.past_expiry) system_shift_ = -7200 * kTicksPerSecond;
  std::unique_ptr<Client> client = c.disconnect ? signed_in() : first_run();
  system_shift_ = 0;
  if (!c.disconnect) model().expire_token(latest_anonymous_access());
  script_from_now(c.method, c.path, {c.step});
  const std::optional<std::string> installation = installation_text();
  const size_t before = account_service().request_count();

  const Error error =
      c.disconnect ? client->disconnect_account() : client->sign_in_interactive(options_).error;
  EXPECT_EQ(error.kind, kErrorRejected);
  EXPECT_EQ(error.http_status, c.status);
  EXPECT_EQ(paths_after(before), c.expected);
  EXPECT_EQ(installation_text(), installation);
  EXPECT_EQ(client->has_account(), c.disconnect) << "a refused disconnect keeps the user";
}

INSTANTIATE_TEST_SUITE_P(
    Renewals, OneRenewalPerOperationTest,
    testing::Values(
        RenewalCase{"DisconnectRefusedTwice", true, "POST", kDisconnectRoute,
                    answer_step(401, R"({"code":"AUTH_TOKEN_INVALID"})"),
                    {kDisconnect, kToken, kKeySet, kDisconnect}, 401},
        RenewalCase{"ContextRefusedTwice", false, "POST", kAuthorizationContextRoute,
                    answer_step(401, R"({"code":"AUTH_TOKEN_INVALID"})"),
                    {kContext, kRestore, kContext}, 401},
        // The renewal's own failure is the answer, not the 401 it was to mend.
        RenewalCase{"RenewalRefused", false, "POST", kRestoreRoute,
                    answer_step(403, R"({"code":"AUTH_FORBIDDEN"})"), {kContext, kRestore}, 403},
        // Renewed by the clock first, so the refusal is not renewed again.
        RenewalCase{"DisconnectRefusedAfterRefreshByTheClock", true, "POST", kDisconnectRoute,
                    answer_step(401, R"({"code":"AUTH_TOKEN_INVALID"})"),
                    {kToken, kKeySet, kDisconnect}, 401, true},
        RenewalCase{"ContextRefusedAfterRenewalByTheClock", false, "POST",
                    kAuthorizationContextRoute,
                    answer_step(401, R"({"code":"AUTH_TOKEN_INVALID"})"), {kRestore, kContext},
                    401, true}),
    [](const testing::TestParamInfo<RenewalCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halvarin::sdk::test
