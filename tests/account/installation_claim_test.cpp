// Claiming the installation for a signed-in account against the fake
// service's installation model: the claim's body and bearer, and what
// installation.dat holds after each answer.
#include "account/installation_claim.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "account/installation_service.h"
#include "tests/account/flat_json_object.h"
#include "tests/account/installation_flow_fixture.h"
#include "tests/support/test_support.h"

namespace halvarin::sdk::test {
namespace {

class InstallationClaimTest : public InstallationFlowTest {
 protected:
  // A first run's identity at the fake; its id.
  std::string initialized() {
    const AnonymousSessionResult result =
        InstallationService(configuration_, hooks_).initialize_anonymous_session("");
    EXPECT_EQ(result.error.kind, kErrorNone) << result.error.message;
    return result.session.installation_id;
  }

  // The body of a claim, written out from its layout.
  static std::string claim_body(const std::string& id, const std::string& credential,
                                const std::string& next) {
    return R"({"application_code":"quorvel","installation_id":")" + id + R"(","credential":")" +
           credential + R"(","next_credential":")" + next + "\"}";
  }

  // The next credential a claim request sent.
  static std::string next_credential_of(const FakeRequest& request) {
    const std::optional<FlatJsonObject> body = parse_flat_json_object(request.body);
    return body ? member(*body, "next_credential").value_or("") : std::string();
  }
};

TEST_F(InstallationClaimTest, AClaimAnswered204StoresTheNewCredentialAsClaimed) {
  const std::string id = initialized();
  const std::string platform = platform_credential();
  const std::string token = model().mint_user_token("ada");
  const size_t before = account_service().request_count();

  const Error claimed = claim_installation(configuration_, token, hooks_);
  ASSERT_EQ(claimed.kind, kErrorNone) << claimed.message;
  const std::vector<FakeRequest> requests = requests_after(before);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, kClaimRoute);
  EXPECT_EQ(requests[0].header("Content-Type"), "application/json");
  EXPECT_EQ(requests[0].header("Authorization"), "Bearer " + token);
  const std::string next = next_credential_of(requests[0]);
  EXPECT_TRUE(is_token_of_length(next, 43)) << next;
  EXPECT_NE(next, platform);
  EXPECT_EQ(requests[0].body, claim_body(id, platform, next));

  EXPECT_EQ(installation_text(), claimed_text(id, next));
  EXPECT_EQ(platform_credential(), platform);
  const std::optional<FakeInstallation> at_service = model().installation(id);
  ASSERT_TRUE(at_service.has_value());
  EXPECT_TRUE(at_service->claimed);
  EXPECT_EQ(at_service->owner, "ada");
  EXPECT_EQ(at_service->application_credential, next);
}

TEST_F(InstallationClaimTest, ASecondClaimProvesItselfWithTheApplicationCredential) {
  const std::string id = initialized();
  ASSERT_EQ(claim_installation(configuration_, model().mint_user_token("ada"), hooks_).kind,
            kErrorNone);
  const std::string first = next_credential_of(account_service().requests().back());
  const std::string token = model().mint_user_token("bea");
  const size_t before = account_service().request_count();

  const Error claimed = claim_installation(configuration_, token, hooks_);
  ASSERT_EQ(claimed.kind, kErrorNone) << claimed.message;
  const std::vector<FakeRequest> requests = requests_after(before);
  ASSERT_EQ(requests.size(), 1u);
  const std::string second = next_credential_of(requests[0]);
  EXPECT_NE(second, first);
  EXPECT_EQ(requests[0].body, claim_body(id, first, second));
  EXPECT_EQ(installation_text(), claimed_text(id, second));
  EXPECT_EQ(model().installation(id)->owner, "bea");
}

TEST_F(InstallationClaimTest, AnyAnswerButA204LeavesTheIdentityAsItWas) {
  struct Case {
    const char* name;
    std::vector<FakeStep> script;
    int32_t kind;
    int32_t status;
    const char* code;
  };
  const std::vector<Case> cases = {
      {"200 instead of 204",
       {FakeStep{FakeAction::kAnswer, FakeAnswer{200, {}, "{}", false}, 0}},
       kErrorRejected,
       200,
       ""},
      // The model refuses a token that is not a user's.
      {"an anonymous token", {}, kErrorRejected, 401, "AUTH_TOKEN_INVALID"},
      {"503",
       {FakeStep{FakeAction::kAnswer, FakeAnswer{503, {}, "", false}, 0}},
       kErrorServiceUnavailable,
       503,
       ""},
  };
  const std::string id = initialized();
  const std::string anonymous_token = model().issued_sessions().back().access_token;
  const std::optional<std::string> unclaimed = installation_text();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    account_service().script("POST", kClaimRoute, c.script);
    const std::string token = c.script.empty() ? anonymous_token : model().mint_user_token("ada");
    const Error claimed = claim_installation(configuration_, token, hooks_);
    EXPECT_EQ(claimed.kind, c.kind);
    EXPECT_EQ(claimed.http_status, c.status);
    EXPECT_EQ(claimed.code, c.code);
    EXPECT_EQ(installation_text(), unclaimed);
    EXPECT_FALSE(model().installation(id)->claimed);
  }
}

TEST_F(InstallationClaimTest, WithoutAnInstallationIdentityThereIsNothingToClaim) {
  const Error claimed = claim_installation(configuration_, model().mint_user_token("ada"), hooks_);
  EXPECT_EQ(claimed.kind, kErrorNone) << claimed.message;
  EXPECT_EQ(account_service().request_count(), 0u);
  EXPECT_FALSE(std::filesystem::exists(installation_file()));
}

// The fake claims, then drops the connection: the service holds the new
// credential, the client keeps the old one and reports the transport's
// failure without repeating the claim. Its next claim then proves itself
// with a credential the service no longer accepts; only a new sign-in's
// disconnect or the service's support can mend that.
TEST_F(InstallationClaimTest, ALostAnswerOfACarriedOutClaimIsATransportFailure) {
  struct Case {
    const char* name;
    std::string root;
    int32_t kind;
  };
  // Wine's TLS channel does not notice the front closing the connection
  // while it waits for the answer: the response time-out ends it instead.
  const std::vector<Case> cases = {
      {"plain HTTP", plain_root(), kErrorNetwork},
      {"TLS front", front_root("valid"),
       quorvel::test::running_under_wine() ? kErrorTimeout : kErrorNetwork},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    configuration_ = test_configuration(c.root);
    const std::string id = initialized();
    const std::optional<std::string> unclaimed = installation_text();
    account_service().script("POST", kClaimRoute, {FakeStep{FakeAction::kPerformThenDrop, {}, 0}});
    const size_t before = account_service().request_count();

    const Error claimed =
        claim_installation(configuration_, model().mint_user_token("ada"), hooks_);
    EXPECT_EQ(claimed.kind, c.kind) << claimed.message;
    EXPECT_EQ(claimed.message, "The HTTP request failed.");
    EXPECT_EQ(claimed.http_status, 0);
    EXPECT_EQ(account_service().request_count(), before + 1);
    EXPECT_TRUE(model().installation(id)->claimed);
    EXPECT_EQ(installation_text(), unclaimed);
  }
}

}  // namespace
}  // namespace halvarin::sdk::test
