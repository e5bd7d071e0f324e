// The anonymous-session flows against the fake service's installation
// model behind the TLS front: what each request carries, byte for byte,
// and what the identity files and session.dat hold afterwards.
#include "account/installation_service.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "account/installation_claim.h"
#include "tests/account/installation_flow_fixture.h"
#include "tests/support/test_support.h"

namespace halvarin::sdk::test {
namespace {

constexpr int64_t kNow = 17'000'000'000'000'000;
constexpr int64_t kTicksPerSecond = 10'000'000;

std::string anonymous_body(const std::string& id, const std::string& credential) {
  return R"({"application_code":"quorvel","installation_id":")" + id + R"(","credential":")" +
         credential + "\"}";
}

FakeStep answer_step(int status, std::string body) {
  return FakeStep{FakeAction::kAnswer,
                  FakeAnswer{status, {"Content-Type: application/json"}, std::move(body), false},
                  0};
}

class InstallationServiceTest : public InstallationFlowTest {
 protected:
  void SetUp() override {
    InstallationFlowTest::SetUp();
    hooks_.system_time = [] { return kNow; };
  }

  InstallationService service() const { return InstallationService(configuration_, hooks_); }

  // A first run's identity with its anonymous session at the fake; its id.
  std::string initialized() {
    const AnonymousSessionResult result = service().initialize_anonymous_session("");
    EXPECT_EQ(result.error.kind, kErrorNone) << result.error.message;
    return result.session.installation_id;
  }

  // Claims the installation for `owner`; the user's token.
  std::string claimed_by(const std::string& owner) {
    const std::string token = model().mint_user_token(owner);
    const Error claimed = claim_installation(configuration_, token, hooks_);
    EXPECT_EQ(claimed.kind, kErrorNone) << claimed.message;
    return token;
  }

  // The application credential installation.dat holds for a claimed id.
  std::string application_credential(const std::string& id) const {
    const std::string prefix = root() + "\n" + id + "\n1\n";
    const std::string text = installation_text().value_or("");
    return text.starts_with(prefix) ? text.substr(prefix.size()) : std::string();
  }

  static void expect_anonymous_headers(const FakeRequest& request) {
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.header("Content-Type"), "application/json");
    EXPECT_EQ(request.header_index("Authorization"), -1);
  }

  // The result is the session the fake issued last, and session.dat holds
  // its refresh token.
  void expect_last_issued(const AnonymousSessionResult& result, const std::string& id) {
    ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
    const std::vector<FakeIssuedSession> issued = model().issued_sessions();
    ASSERT_FALSE(issued.empty());
    const FakeIssuedSession& last = issued.back();
    EXPECT_EQ(last.installation_id, id);
    EXPECT_EQ(result.session.installation_id, id);
    EXPECT_EQ(result.session.user_id, last.user_id);
    EXPECT_EQ(result.session.access_token, last.access_token);
    EXPECT_EQ(result.session.refresh_token, last.refresh_token);
    EXPECT_EQ(result.session.expires_at,
              kNow + FakeInstallationModel::kExpiresIn * kTicksPerSecond);
    EXPECT_EQ(session_text(), session_text_of(last.refresh_token));
  }
};

TEST_F(InstallationServiceTest, FirstRunRestoresNothingThenInitializesAndSavesTheSession) {
  const AnonymousSessionResult restored = service().restore_anonymous_session();
  EXPECT_EQ(restored.error.kind, kErrorStorage);
  EXPECT_EQ(restored.error.message, "No saved Halvarin data was found.");
  EXPECT_EQ(account_service().request_count(), 0u);

  const AnonymousSessionResult result = service().initialize_anonymous_session("");
  ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
  const std::string id = result.session.installation_id;
  const std::string credential = platform_credential();
  EXPECT_TRUE(is_token_of_length(id, 32)) << id;
  EXPECT_TRUE(is_token_of_length(credential, 43)) << credential;

  const std::vector<FakeRequest> requests = account_service().requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, kInitializeRoute);
  expect_anonymous_headers(requests[0]);
  EXPECT_EQ(requests[0].body, anonymous_body(id, credential));

  const std::optional<FakeInstallation> created = model().installation(id);
  ASSERT_TRUE(created.has_value());
  EXPECT_EQ(created->platform_credential, credential);
  EXPECT_EQ(model().issued_sessions().size(), 1u);
  expect_last_issued(result, id);
  EXPECT_EQ(installation_text(), unclaimed_text(id));
}

TEST_F(InstallationServiceTest, RestoresTheSessionOfAnUnclaimedIdentity) {
  const std::string id = initialized();
  const size_t before = account_service().request_count();

  const AnonymousSessionResult result = service().restore_anonymous_session();
  const std::vector<FakeRequest> requests = requests_after(before);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, kRestoreRoute);
  expect_anonymous_headers(requests[0]);
  EXPECT_EQ(requests[0].body, anonymous_body(id, platform_credential()));
  EXPECT_EQ(model().issued_sessions().size(), 2u);
  expect_last_issued(result, id);
  EXPECT_EQ(installation_text(), unclaimed_text(id));
}

TEST_F(InstallationServiceTest, InitializeAfterAForgottenCredentialReusesTheStoredIdentity) {
  // The service no longer knows the installation (its records were lost):
  // restore is refused, and initialize registers the stored identity anew.
  const std::string id = initialized();
  const std::string credential = platform_credential();
  model().forget(id);

  const AnonymousSessionResult restored = service().restore_anonymous_session();
  EXPECT_EQ(restored.error.kind, kErrorRejected);
  EXPECT_EQ(restored.error.code, "AUTH_ANONYMOUS_CREDENTIAL_INVALID");
  EXPECT_EQ(restored.error.http_status, 401);

  const AnonymousSessionResult result = service().initialize_anonymous_session("");
  expect_last_issued(result, id);
  EXPECT_EQ(platform_credential(), credential);
  EXPECT_EQ(installation_text(), unclaimed_text(id));
}

TEST_F(InstallationServiceTest, AClaimedIdentityNeitherInitializesNorRestores) {
  const std::string id = initialized();
  claimed_by("ada");
  const std::optional<std::string> claimed_file = installation_text();
  const std::optional<std::string> session_file_text = session_text();
  const size_t before = account_service().request_count();

  struct Case {
    const char* name;
    AnonymousSessionResult result;
    const char* message;
  };
  const Case cases[] = {
      {"initialize", service().initialize_anonymous_session(""),
       "This installation is already claimed by a registered account."},
      {"restore", service().restore_anonymous_session(),
       "This installation cannot restore its former anonymous account."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.result.error.kind, kErrorRejected);
    EXPECT_EQ(c.result.error.message, c.message);
    EXPECT_EQ(c.result.error.code, "AUTH_INSTALLATION_CLAIMED");
    EXPECT_EQ(c.result.error.request_id, "");
    EXPECT_EQ(c.result.error.http_status, 0);
    EXPECT_TRUE(c.result.session.access_token.empty());
  }
  EXPECT_EQ(account_service().request_count(), before);
  EXPECT_EQ(installation_text(), claimed_file);
  EXPECT_EQ(session_text(), session_file_text);
}

TEST_F(InstallationServiceTest, DisconnectHandsTheInstallationBackAndSavesTheNewSession) {
  const std::string id = initialized();
  const std::string token = claimed_by("ada");
  const std::string application = application_credential(id);
  ASSERT_TRUE(is_token_of_length(application, 43)) << application;
  const size_t before = account_service().request_count();

  const AnonymousSessionResult result = service().disconnect_installation(token);
  const std::vector<FakeRequest> requests = requests_after(before);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, kDisconnectRoute);
  EXPECT_EQ(requests[0].header("Content-Type"), "application/json");
  EXPECT_EQ(requests[0].header("Authorization"), "Bearer " + token);
  EXPECT_EQ(requests[0].body, R"({"application_code":"quorvel","installation_id":")" + id +
                                  R"(","credential":")" + application +
                                  R"(","platform_credential":")" + platform_credential() + "\"}");
  expect_last_issued(result, id);
  EXPECT_EQ(installation_text(), unclaimed_text(id));
  EXPECT_FALSE(model().installation(id)->claimed);
}

TEST_F(InstallationServiceTest, DisconnectWithoutATokenIsRefusedBeforeAnything) {
  initialized();
  claimed_by("ada");
  const std::optional<std::string> claimed_file = installation_text();
  const size_t before = account_service().request_count();

  const AnonymousSessionResult result = service().disconnect_installation("");
  EXPECT_EQ(result.error.kind, kErrorInvalidArgument);
  EXPECT_EQ(result.error.message, "A registered product access token is required.");
  EXPECT_EQ(account_service().request_count(), before);
  EXPECT_EQ(installation_text(), claimed_file);
}

TEST_F(InstallationServiceTest, DisconnectOfAnUnclaimedIdentityRestoresItsSession) {
  const std::string id = initialized();
  const size_t before = account_service().request_count();

  const AnonymousSessionResult result =
      service().disconnect_installation(model().mint_user_token("ada"));
  const std::vector<FakeRequest> requests = requests_after(before);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, kRestoreRoute);
  expect_anonymous_headers(requests[0]);
  expect_last_issued(result, id);
  EXPECT_EQ(installation_text(), unclaimed_text(id));
}

// The fake disconnects, then drops the connection: the client cannot
// tell, and its restore with the platform credential succeeds only because
// the disconnect took place. Only a 200 answer of that restore counts.
struct LostDisconnectCase {
  const char* name;
  // The restore's script for the installation id; empty: the model answers.
  std::function<std::vector<FakeStep>(const std::string& id)> restore_script;
  bool completes;
};

void PrintTo(const LostDisconnectCase& c, std::ostream* out) { *out << c.name; }

class LostDisconnectTest : public InstallationServiceTest,
                           public testing::WithParamInterface<LostDisconnectCase> {};

TEST_P(LostDisconnectTest, FallsBackToARestoreWithThePlatformCredential) {
  const std::string id = initialized();
  const std::string token = claimed_by("ada");
  const std::optional<std::string> claimed_file = installation_text();
  const std::optional<std::string> session_before = session_text();
  account_service().script("POST", kDisconnectRoute,
                           {FakeStep{FakeAction::kPerformThenDrop, {}, 0}});
  const std::vector<FakeStep> restore_script = GetParam().restore_script(id);
  if (!restore_script.empty()) account_service().script("POST", kRestoreRoute, restore_script);
  const size_t before = account_service().request_count();

  const AnonymousSessionResult result = service().disconnect_installation(token);
  const std::vector<FakeRequest> requests = requests_after(before);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].target, kDisconnectRoute);
  EXPECT_EQ(requests[1].target, kRestoreRoute);
  expect_anonymous_headers(requests[1]);
  EXPECT_EQ(requests[1].body, anonymous_body(id, platform_credential()));
  EXPECT_FALSE(model().installation(id)->claimed);
  if (GetParam().completes) {
    expect_last_issued(result, id);
    EXPECT_EQ(installation_text(), unclaimed_text(id));
    return;
  }
  // Wine's TLS channel does not notice the front closing the connection
  // while it waits for the answer: the response time-out ends it instead.
  const int32_t lost_kind = quorvel::test::running_under_wine() ? kErrorTimeout : kErrorNetwork;
  EXPECT_EQ(result.error.kind, lost_kind) << result.error.message;
  EXPECT_EQ(result.error.message, "The HTTP request failed.");
  EXPECT_EQ(result.error.http_status, 0);
  EXPECT_TRUE(result.session.access_token.empty());
  EXPECT_EQ(installation_text(), claimed_file);
  EXPECT_EQ(session_text(), session_before);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, LostDisconnectTest,
    testing::Values(LostDisconnectCase{"Restore200",
                                       [](const std::string&) { return std::vector<FakeStep>{}; },
                                       true},
                    LostDisconnectCase{"Restore401",
                                       [](const std::string&) {
                                         return std::vector<FakeStep>{answer_step(
                                             401,
                                             R"({"code":"AUTH_ANONYMOUS_CREDENTIAL_INVALID"})")};
                                       },
                                       false},
                    LostDisconnectCase{"Restore201",
                                       [](const std::string& id) {
                                         // A complete session of the right installation,
                                         // but with 201.
                                         return std::vector<FakeStep>{answer_step(
                                             201, R"({"user_id":"u","installation_id":")" + id +
                                                      R"(","access_token":"a","refresh_token":"r",)"
                                                      R"("expires_in":3600})")};
                                       },
                                       false}),
    [](const testing::TestParamInfo<LostDisconnectCase>& info) { return info.param.name; });

TEST_F(InstallationServiceTest, AnInvalidConfigurationStopsEveryFlowBeforeTheStore) {
  configuration_.base_url += "/";
  for (const AnonymousSessionResult& result :
       {service().initialize_anonymous_session(""), service().restore_anonymous_session(),
        service().disconnect_installation("token")}) {
    EXPECT_EQ(result.error.kind, kErrorConfigurationInvalid);
    EXPECT_EQ(result.error.message, "base_url must not have a trailing slash");
  }
  EXPECT_EQ(account_service().request_count(), 0u);
  EXPECT_FALSE(std::filesystem::exists(installation_file()));
  EXPECT_FALSE(std::filesystem::exists(platform_file()));
}

TEST_F(InstallationServiceTest, SendsAStoredIdHoldingAQuoteAndABackslashEscaped) {
  const std::string credential(43, 'p');
  plant_file(platform_file(), root() + "\n" + credential, kPlatformEntropy,
             L"Halvarin platform installation identity");
  plant_file(installation_file(), root() + "\nid\"with\\backslash\n0\n", kInstallationEntropy,
             L"Halvarin application installation credential");

  const AnonymousSessionResult result = service().restore_anonymous_session();
  // The fake reads the id back unescaped and does not know it.
  EXPECT_EQ(result.error.code, "AUTH_ANONYMOUS_CREDENTIAL_INVALID");
  const std::vector<FakeRequest> requests = account_service().requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].body,
            R"({"application_code":"quorvel","installation_id":"id\"with\\backslash",)"
            R"("credential":")" +
                credential + "\"}");
}

TEST_F(InstallationServiceTest, AnAnswerForAnotherInstallationSavesNoSession) {
  account_service().script(
      "POST", kInitializeRoute,
      {answer_step(201, R"({"user_id":"u","installation_id":"someone-else",)"
                        R"("access_token":"a","refresh_token":"r","expires_in":3600})")});
  const AnonymousSessionResult result = service().initialize_anonymous_session("");
  EXPECT_EQ(result.error.kind, kErrorResponseInvalid);
  EXPECT_EQ(result.error.message, "The anonymous identity response is incomplete.");
  EXPECT_FALSE(std::filesystem::exists(session_file()));
}

TEST_F(InstallationServiceTest, AServiceFailureOfTheRestoreIsKind13) {
  initialized();
  const std::optional<std::string> session_before = session_text();
  account_service().script("POST", kRestoreRoute, {answer_step(503, "")});
  const AnonymousSessionResult result = service().restore_anonymous_session();
  EXPECT_EQ(result.error.kind, kErrorServiceUnavailable);
  EXPECT_EQ(result.error.message,
            "The Halvarin server rejected the installation identity request.");
  EXPECT_EQ(result.error.http_status, 503);
  EXPECT_EQ(session_text(), session_before);
}

}  // namespace
}  // namespace halvarin::sdk::test
