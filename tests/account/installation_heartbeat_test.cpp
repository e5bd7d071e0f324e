// The installation heartbeat against the fake service's installation
// model behind the TLS front: its exact body and bearer, when nothing is
// sent, and how the service's answers become Errors.
#include "account/installation_heartbeat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "account/installation_service.h"
#include "account/os_version.h"
#include "tests/account/installation_flow_fixture.h"
#include "tests/support/test_support.h"

namespace halvarin::sdk::test {
namespace {

class InstallationHeartbeatTest : public InstallationFlowTest {
 protected:
  void SetUp() override {
    InstallationFlowTest::SetUp();
    if (IsSkipped()) return;
    configuration_.application_version = "1.0.4";
  }

  // A first run's identity with its anonymous session; the access token.
  std::string initialized() {
    const AnonymousSessionResult result =
        InstallationService(configuration_, hooks_).initialize_anonymous_session("");
    EXPECT_EQ(result.error.kind, kErrorNone) << result.error.message;
    installation_id_ = result.session.installation_id;
    return result.session.access_token;
  }

  // The heartbeat body, written out from its layout.
  std::string heartbeat_body(const std::string& quoted_version) const {
    // The test prefix reports Windows 10.
    const std::string os = quorvel::test::running_under_wine() ? "10.0.18362" : os_version_text();
    return R"({"installation_id":")" + installation_id_ + R"(","application_version":")" +
           quoted_version + R"(","sdk_version":"1.0.0-rc.2","os_name":"windows","os_version":")" +
           os + R"(","architecture":"x64","channel":"direct"})";
  }

  std::string installation_id_;
};

TEST_F(InstallationHeartbeatTest, PostsTheExactBodyWithTheTokenAsBearer) {
  const std::string token = initialized();
  const size_t before = account_service().request_count();

  const Error sent = send_heartbeat(configuration_, token, hooks_);
  EXPECT_EQ(sent.kind, kErrorNone) << sent.message;
  const std::vector<FakeRequest> requests = requests_after(before);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, kHeartbeatRoute);
  EXPECT_EQ(requests[0].header("Content-Type"), "application/json");
  EXPECT_EQ(requests[0].header("Authorization"), "Bearer " + token);
  EXPECT_EQ(requests[0].body, heartbeat_body("1.0.4"));
}

TEST_F(InstallationHeartbeatTest, EscapesAVersionHoldingAQuote) {
  const std::string token = initialized();
  configuration_.application_version = "1.0\"4";
  ASSERT_EQ(send_heartbeat(configuration_, token, hooks_).kind, kErrorNone);
  EXPECT_EQ(account_service().requests().back().body, heartbeat_body("1.0\\\"4"));
}

TEST_F(InstallationHeartbeatTest, SendsNothingWhenDisabledOrWithoutAToken) {
  const std::string token = initialized();
  const size_t before = account_service().request_count();
  ClientConfiguration disabled = configuration_;
  disabled.heartbeat_enabled = false;
  EXPECT_EQ(send_heartbeat(disabled, token, hooks_).kind, kErrorNone);
  EXPECT_EQ(send_heartbeat(configuration_, "", hooks_).kind, kErrorNone);
  EXPECT_EQ(account_service().request_count(), before);
}

TEST_F(InstallationHeartbeatTest, WithoutAnIdentityReportsTheStoresFailure) {
  const Error sent = send_heartbeat(configuration_, "some-token", hooks_);
  EXPECT_EQ(sent.kind, kErrorStorage);
  EXPECT_EQ(sent.message, "No saved Halvarin data was found.");
  EXPECT_EQ(account_service().request_count(), 0u);
}

TEST_F(InstallationHeartbeatTest, TurnsEveryAnswerButA204IntoAnError) {
  struct Case {
    const char* name;
    std::vector<FakeStep> script;
    Error expected;
  };
  const std::vector<Case> cases = {
      {"204", {}, {}},
      {"200",
       {FakeStep{FakeAction::kAnswer, FakeAnswer{200, {}, "{}", false}, 0}},
       {kErrorRejected, "The analytics request was rejected.", "", "", 200}},
      {"503 with a message",
       {FakeStep{FakeAction::kAnswer,
                 FakeAnswer{503,
                            {},
                            R"({"code":"DOWN","message":"Analytics paused.",)"
                            R"("request_id":"req-3"})",
                            false},
                 0}},
       {kErrorServiceUnavailable, "Analytics paused.", "DOWN", "req-3", 503}},
  };
  const std::string token = initialized();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    account_service().script("POST", kHeartbeatRoute, c.script);
    const Error sent = send_heartbeat(configuration_, token, hooks_);
    EXPECT_EQ(sent.kind, c.expected.kind);
    EXPECT_EQ(sent.message, c.expected.message);
    EXPECT_EQ(sent.code, c.expected.code);
    EXPECT_EQ(sent.request_id, c.expected.request_id);
    EXPECT_EQ(sent.http_status, c.expected.http_status);
  }
  // The model refuses a token it never issued.
  account_service().script("POST", kHeartbeatRoute, {});
  const Error refused = send_heartbeat(configuration_, "forged", hooks_);
  EXPECT_EQ(refused.kind, kErrorRejected);
  EXPECT_EQ(refused.code, "AUTH_TOKEN_INVALID");
  EXPECT_EQ(refused.http_status, 401);
}

TEST(ErrorFromAnalyticsResponseTest, PassesATransportFailureThroughUnchanged) {
  HttpResponse response;
  response.error = {kErrorSecureChannel, "The HTTP request failed.", "", "", 0};
  const Error error = error_from_analytics_response(response);
  EXPECT_EQ(error.kind, kErrorSecureChannel);
  EXPECT_EQ(error.message, "The HTTP request failed.");
  EXPECT_EQ(error.http_status, 0);
}

}  // namespace
}  // namespace halvarin::sdk::test
