// The account client facade against a hostile service: one fault scripted
// at one endpoint of the fake (or at the browser, the ID token or the
// connection), reached through the facade operation that sends to it. Every
// row must come back as an Error of the expected kind, within its bound,
// with the protected files in a state the next start can work from.
#include "account/client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/account/client_fixture.h"
#include "tests/account/flat_json_object.h"
#include "tests/support/test_support.h"

namespace halvarin::sdk::test {
namespace {

enum class Operation {
  // start() on an empty data folder.
  kFirstStart,
  // start() of a new client after a first run.
  kRestart,
  // start() of a new client after a sign-in.
  kSignedInRestart,
  // sign_in_interactive() after a first run.
  kSignIn,
  // disconnect_account() after a sign-in.
  kDisconnect,
};

enum class Twist {
  kNone,
  // The service root is a loopback port on which nothing listens.
  kRefusedConnection,
  kDeniedByTheUser,
  kNoBrowser,
  // The browser never calls back; the sign-in allows it one second.
  kSilentBrowser,
  // The browser hands the listener another state than the one sent.
  kForgedState,
  kMalformedIdToken,
  kIdTokenForAnotherClient,
  kExpiredAnonymousToken,
  kExpiredUserToken,
};

// What the protected files hold after the operation.
enum class Files {
  // As before the operation.
  kUnchanged,
  // The saved session is gone; the identity files are as before.
  kSessionRemoved,
  // A first run's identity, unclaimed, and no saved session.
  kIdentityOnly,
  // An unclaimed identity and the latest anonymous session.
  kAnonymousSession,
  // A claimed identity and the latest user session.
  kUserSession,
};

struct Script {
  const char* method;
  const char* path;
  std::vector<FakeStep> steps;
};

// The kind of a connection the fake closed without an answer: through the
// TLS front, Wine notices only when the response time-out ends the wait.
constexpr int32_t kDroppedKind = -1;

struct HostileRow {
  const char* name;
  Operation operation;
  std::vector<Script> scripts;
  Twist twist = Twist::kNone;
  int32_t kind = kErrorNone;
  Files files = Files::kUnchanged;
  bool signed_in_after = false;
  // Connect and request time-outs of the client; 0 keeps the tests' own.
  int64_t timeout_ms = 0;
  int64_t bound_ms = 5000;
};

void PrintTo(const HostileRow& row, std::ostream* out) { *out << row.name; }

int32_t expected_kind(int32_t kind) {
  if (kind != kDroppedKind) return kind;
  return quorvel::test::running_under_wine() ? kErrorTimeout : kErrorNetwork;
}

FakeStep text_step(int status, std::string body) {
  return FakeStep{FakeAction::kAnswer, FakeAnswer{status, {"Content-Type: text/plain"},
                                                  std::move(body), false},
                  0};
}
FakeStep held_step(int delay_ms) {
  return FakeStep{FakeAction::kAnswer, std::nullopt, delay_ms};
}
FakeStep huge_step() { return text_step(200, std::string(1048577, 'x')); }

// An anonymous session answer; "{id}" stands for the installation id of
// the request it answers, which is made only while the row runs.
std::string session_body(const std::string& members) { return "{" + members + "}"; }
constexpr char kIdPlaceholder[] = "{id}";

// Answers every request with `step`'s answer, "{id}" replaced by the
// installation id the request names.
FakeHandler answering_for_the_installation(FakeAnswer answer) {
  return [answer](const FakeRequest& request) {
    const std::optional<FlatJsonObject> body = parse_flat_json_object(request.body);
    const std::string id = body ? member(*body, "installation_id").value_or("") : "";
    FakeAnswer filled = answer;
    const size_t at = filled.body.find(kIdPlaceholder);
    filled.body.replace(at, sizeof(kIdPlaceholder) - 1, id);
    return filled;
  };
}

bool names_the_installation(const Script& script) {
  return script.steps.size() == 1 && script.steps[0].answer &&
         script.steps[0].answer->body.find(kIdPlaceholder) != std::string::npos;
}

constexpr char kGoodTokens[] =
    R"("access_token":"a","token_type":"Bearer","refresh_token":"r","id_token":"x.y.z")";

std::string closed_root() {
  FakeAccountService probe;
  return "http://127.0.0.1:" + std::to_string(probe.port());
}

class HostileServiceTest : public ClientTest, public testing::WithParamInterface<HostileRow> {
 protected:
  struct Stored {
    std::optional<std::string> session;
    std::optional<std::string> installation;
    std::string platform;
  };
  Stored stored() const { return {session_text(), installation_text(), platform_credential()}; }

  // The client the operation runs on, after the row's set-up.
  std::unique_ptr<Client> arrange(const HostileRow& row) {
    switch (row.operation) {
      case Operation::kFirstStart:
        return make_client();
      case Operation::kRestart:
        first_run();
        return make_client();
      case Operation::kSignedInRestart:
        signed_in();
        return make_client();
      case Operation::kSignIn:
        return first_run();
      case Operation::kDisconnect:
        return signed_in();
    }
    return nullptr;
  }

  void apply_twist(const HostileRow& row, Client& client) {
    switch (row.twist) {
      case Twist::kDeniedByTheUser:
        oauth().set_consent(FakeConsent::kDeny);
        break;
      case Twist::kSilentBrowser:
        options_.browser_timeout = 1;
        break;
      case Twist::kMalformedIdToken:
        oauth().set_next_id_token("a.b.c");
        break;
      case Twist::kIdTokenForAnotherClient: {
        std::string payload = oauth().id_token_payload("");
        const std::string audience = "\"aud\":\"" + configuration_.client_id + "\"";
        payload.replace(payload.find(audience), audience.size(), "\"aud\":\"someone.else\"");
        oauth().set_next_id_token(signed_token(FakeOAuthModel::id_token_header(), payload));
        break;
      }
      case Twist::kExpiredAnonymousToken:
        model().expire_token(latest_anonymous_access());
        break;
      case Twist::kExpiredUserToken:
        oauth().expire_access_token(client.current_account()->access_token);
        break;
      default:
        break;
    }
  }

  Error operate(const HostileRow& row, Client& client) {
    switch (row.operation) {
      case Operation::kFirstStart:
      case Operation::kRestart:
      case Operation::kSignedInRestart:
        return client.start();
      case Operation::kSignIn:
        return sign_in_for(row, client).error;
      case Operation::kDisconnect:
        return client.disconnect_account();
    }
    return {};
  }

  AuthResult sign_in_for(const HostileRow& row, Client& client) {
    switch (row.twist) {
      case Twist::kNoBrowser: {
        TestBrowser browser({}, /*opens=*/false);
        return sign_in(client, browser);
      }
      case Twist::kSilentBrowser: {
        TestBrowser browser;
        return sign_in(client, browser);
      }
      case Twist::kForgedState: {
        BrowserVisit visit = following();
        visit.rewrite_location = [](const std::string& location) {
          const size_t state = location.find("state=");
          return location.substr(0, state) + "state=forged";
        };
        TestBrowser browser({visit});
        return sign_in(client, browser);
      }
      default:
        return sign_in(client);
    }
  }

  void expect_files(Files files, const Stored& before) {
    const std::string id = installation_id();
    switch (files) {
      case Files::kUnchanged:
        EXPECT_EQ(session_text(), before.session);
        EXPECT_EQ(installation_text(), before.installation);
        break;
      case Files::kSessionRemoved:
        EXPECT_FALSE(std::filesystem::exists(session_file()));
        EXPECT_EQ(installation_text(), before.installation);
        break;
      case Files::kIdentityOnly:
        EXPECT_FALSE(id.empty());
        EXPECT_EQ(installation_text(), unclaimed_text(id));
        EXPECT_FALSE(std::filesystem::exists(session_file()));
        break;
      case Files::kAnonymousSession:
        EXPECT_EQ(installation_text(), unclaimed_text(id));
        EXPECT_EQ(session_text(), session_text_of(latest_anonymous_refresh()));
        break;
      case Files::kUserSession:
        ASSERT_TRUE(installation_text().has_value());
        EXPECT_TRUE(installation_text()->starts_with(root() + "\n" + id + "\n1\n"));
        EXPECT_EQ(session_text(), session_text_of(oauth().issued().back().refresh_token));
        break;
    }
    if (files != Files::kIdentityOnly && !before.platform.empty()) {
      EXPECT_EQ(platform_credential(), before.platform);
    }
    if (installation_text()) {
      EXPECT_FALSE(platform_credential().empty()) << "an identity needs its platform credential";
    }
  }
};

TEST_P(HostileServiceTest, EndsWithTheExpectedErrorAndConsistentFiles) {
  const HostileRow& row = GetParam();
  if (row.twist == Twist::kRefusedConnection) configuration_.base_url = closed_root();
  if (row.timeout_ms != 0) {
    configuration_.connect_timeout = row.timeout_ms;
    configuration_.request_timeout = row.timeout_ms;
  }
  std::unique_ptr<Client> client = arrange(row);
  ASSERT_NE(client, nullptr);
  apply_twist(row, *client);
  for (const Script& script : row.scripts) {
    if (names_the_installation(script)) {
      account_service().route(script.method, script.path,
                              answering_for_the_installation(*script.steps[0].answer));
    } else {
      script_from_now(script.method, script.path, script.steps);
    }
  }
  const Stored before = stored();

  const auto started = std::chrono::steady_clock::now();
  const Error error = operate(row, *client);
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::steady_clock::now() - started)
                           .count();

  EXPECT_EQ(error.kind, expected_kind(row.kind)) << error.message;
  if (error.kind != kErrorNone) {
    EXPECT_FALSE(error.message.empty());
  }
  EXPECT_LT(elapsed, row.bound_ms);
  expect_files(row.files, before);
  EXPECT_EQ(client->has_account(), row.signed_in_after);
}

const HostileRow kRows[] = {
    // Error statuses with bodies.
    {"CodeExchange400InvalidGrant", Operation::kSignIn,
     {{"POST", kTokenRoute, {answer_step(400, R"({"error":"invalid_grant"})")}}},
     Twist::kNone, kErrorRejected},
    {"Claim401", Operation::kSignIn,
     {{"POST", kClaimRoute, {answer_step(401, R"({"code":"AUTH_TOKEN_INVALID"})")}}},
     Twist::kNone, kErrorRejected},
    {"Restore403", Operation::kRestart,
     {{"POST", kRestoreRoute, {answer_step(403, R"({"code":"AUTH_FORBIDDEN"})")}}},
     Twist::kNone, kErrorRejected, Files::kSessionRemoved},
    {"Initialize404", Operation::kFirstStart,
     {{"POST", kInitializeRoute, {answer_step(404, R"({"message":"gone"})")}}}, Twist::kNone,
     kErrorRejected, Files::kIdentityOnly},
    {"Disconnect409", Operation::kDisconnect,
     {{"POST", kDisconnectRoute, {answer_step(409, R"({"code":"AUTH_INSTALLATION_NOT_CLAIMED"})")}}},
     Twist::kNone, kErrorRejected, Files::kUnchanged, true},
    {"Context500WithBody", Operation::kSignIn,
     {{"POST", kAuthorizationContextRoute, {answer_step(500, R"({"code":"BROKEN"})")}}},
     Twist::kNone, kErrorServiceUnavailable},
    {"Initialize503WithoutBody", Operation::kFirstStart,
     {{"POST", kInitializeRoute, {answer_step(503)}}}, Twist::kNone, kErrorServiceUnavailable,
     Files::kIdentityOnly},
    {"Disconnect503WithBody", Operation::kDisconnect,
     {{"POST", kDisconnectRoute, {answer_step(503, R"({"message":"maintenance"})")}}},
     Twist::kNone, kErrorServiceUnavailable, Files::kUnchanged, true},
    {"Refresh500WithoutBody", Operation::kSignedInRestart,
     {{"POST", kTokenRoute, {answer_step(500)}}}, Twist::kNone, kErrorServiceUnavailable},

    // Success statuses the endpoint does not give.
    {"Claim200", Operation::kSignIn, {{"POST", kClaimRoute, {answer_step(200, "{}")}}},
     Twist::kNone, kErrorRejected},
    {"Context200", Operation::kSignIn,
     {{"POST", kAuthorizationContextRoute, {answer_step(200, R"({"id":"context-x"})")}}},
     Twist::kNone, kErrorRejected},
    {"Heartbeat200", Operation::kFirstStart, {{"POST", kHeartbeatRoute, {answer_step(200)}}},
     Twist::kNone, kErrorNone, Files::kAnonymousSession},
    {"Token201", Operation::kSignIn,
     {{"POST", kTokenRoute,
       {answer_step(201, std::string("{") + kGoodTokens + R"(,"expires_in":3600})")}}},
     Twist::kNone, kErrorRejected},
    // The disconnect's answer is garbage; the restore that asks whether it
    // was carried out answers 201, which a restore never gives.
    {"FallbackRestore201", Operation::kDisconnect,
     {{"POST", kDisconnectRoute, {action_step(FakeAction::kGarbage)}},
      {"POST", kRestoreRoute, {answer_step(201, "{}")}}},
     Twist::kNone, kErrorNetwork, Files::kUnchanged, true},

    // Incomplete or malformed JSON.
    {"InitializeWithoutAccessToken", Operation::kFirstStart,
     {{"POST", kInitializeRoute,
       {answer_step(201, session_body(R"("user_id":"u","installation_id":"{id}","refresh_token":"r","expires_in":3600)"))}}},
     Twist::kNone, kErrorResponseInvalid, Files::kIdentityOnly},
    {"RestoreWithEmptyRefreshToken", Operation::kRestart,
     {{"POST", kRestoreRoute,
       {answer_step(200, session_body(R"("user_id":"u","installation_id":"{id}","access_token":"a","refresh_token":"","expires_in":3600)"))}}},
     Twist::kNone, kErrorResponseInvalid, Files::kSessionRemoved},
    {"TokenWithNullIdToken", Operation::kSignIn,
     {{"POST", kTokenRoute,
       {answer_step(200, R"({"access_token":"a","refresh_token":"r","id_token":null,"expires_in":3600})")}}},
     Twist::kNone, kErrorResponseInvalid},
    {"InitializeWithQuotedExpiresIn", Operation::kFirstStart,
     {{"POST", kInitializeRoute,
       {answer_step(201, session_body(R"("user_id":"u","installation_id":"{id}","access_token":"a","refresh_token":"r","expires_in":"3600")"))}}},
     Twist::kNone, kErrorResponseInvalid, Files::kIdentityOnly},
    {"InitializeWithZeroExpiresIn", Operation::kFirstStart,
     {{"POST", kInitializeRoute,
       {answer_step(201, session_body(R"("user_id":"u","installation_id":"{id}","access_token":"a","refresh_token":"r","expires_in":0)"))}}},
     Twist::kNone, kErrorResponseInvalid, Files::kIdentityOnly},
    {"TokenWithNegativeExpiresIn", Operation::kSignIn,
     {{"POST", kTokenRoute,
       {answer_step(200, std::string("{") + kGoodTokens + R"(,"expires_in":-3600})")}}},
     Twist::kNone, kErrorResponseInvalid},
    {"ContextWithTextBody", Operation::kSignIn,
     {{"POST", kAuthorizationContextRoute, {text_step(201, "created")}}}, Twist::kNone,
     kErrorResponseInvalid},
    {"RestoreWithEmptyBody", Operation::kRestart, {{"POST", kRestoreRoute, {answer_step(200)}}},
     Twist::kNone, kErrorResponseInvalid, Files::kSessionRemoved},
    {"TokenWithUnterminatedString", Operation::kSignIn,
     {{"POST", kTokenRoute, {answer_step(200, R"({"access_token":"a,"refresh_token":"r)")}}},
     Twist::kNone, kErrorResponseInvalid},
    {"InitializeWithBadEscape", Operation::kFirstStart,
     {{"POST", kInitializeRoute,
       {answer_step(201, session_body(R"("user_id":"u","installation_id":"{id}","access_token":"a\x41","refresh_token":"r","expires_in":3600)"))}}},
     Twist::kNone, kErrorResponseInvalid, Files::kIdentityOnly},
    {"KeySetOfOneMebibyteAndOneByte", Operation::kSignIn,
     {{"GET", kKeySetRoute, {huge_step()}}}, Twist::kNone, kErrorResponseInvalid},
    {"RestoreOfOneMebibyteAndOneByte", Operation::kRestart, {{"POST", kRestoreRoute, {huge_step()}}},
     Twist::kNone, kErrorResponseInvalid, Files::kSessionRemoved},

    // Refused, dropped, garbage and slow connections.
    {"RefusedConnection", Operation::kFirstStart, {}, Twist::kRefusedConnection, kErrorNetwork,
     Files::kIdentityOnly},
    {"InitializeDropped", Operation::kFirstStart,
     {{"POST", kInitializeRoute, {action_step(FakeAction::kCloseWithoutAnswer)}}}, Twist::kNone,
     kDroppedKind, Files::kIdentityOnly, false, 1000, 3000},
    {"RefreshAnsweredWithGarbage", Operation::kSignedInRestart,
     {{"POST", kTokenRoute, {action_step(FakeAction::kGarbage)}}}, Twist::kNone, kErrorNetwork},
    {"SlowRestore", Operation::kRestart, {{"POST", kRestoreRoute, {held_step(4000)}}},
     Twist::kNone, kErrorTimeout, Files::kSessionRemoved, false, 1000, 3000},
    {"SlowHeartbeatAfterDisconnect", Operation::kDisconnect,
     {{"POST", kHeartbeatRoute, {held_step(4000)}}}, Twist::kNone, kErrorNone,
     Files::kAnonymousSession, false, 1000, 3000},

    // The service carries the request out and the answer is lost.
    {"ClaimCommittedThenDropped", Operation::kSignIn,
     {{"POST", kClaimRoute, {action_step(FakeAction::kPerformThenDrop)}}}, Twist::kNone,
     kDroppedKind, Files::kUnchanged, false, 1000, 3000},
    // The restore with the platform credential finds the disconnect done.
    {"DisconnectCommittedThenDropped", Operation::kDisconnect,
     {{"POST", kDisconnectRoute, {action_step(FakeAction::kPerformThenDrop)}}}, Twist::kNone,
     kErrorNone, Files::kAnonymousSession, false, 1000, 3000},
    {"InitializeCommittedThenDropped", Operation::kFirstStart,
     {{"POST", kInitializeRoute, {action_step(FakeAction::kPerformThenDrop)}}}, Twist::kNone,
     kDroppedKind, Files::kIdentityOnly, false, 1000, 3000},

    // Retry sequences.
    {"ContextRecoversOnTheThirdAttempt", Operation::kSignIn,
     {{"POST", kAuthorizationContextRoute, {answer_step(503), answer_step(503), handler_step()}}},
     Twist::kNone, kErrorNone, Files::kUserSession, true},
    {"KeySetFailsThreeTimes", Operation::kSignIn, {{"GET", kKeySetRoute, {answer_step(503)}}},
     Twist::kNone, kErrorServiceUnavailable},
    {"KeySetRecoversAfterGarbage", Operation::kSignedInRestart,
     {{"GET", kKeySetRoute, {action_step(FakeAction::kGarbage), handler_step()}}}, Twist::kNone,
     kErrorNone, Files::kUserSession, true},
    {"HeartbeatOutageAtFirstRun", Operation::kFirstStart,
     {{"POST", kHeartbeatRoute, {answer_step(503)}}}, Twist::kNone, kErrorNone,
     Files::kAnonymousSession},

    // ID-token, browser and token-endpoint faults.
    {"MalformedIdToken", Operation::kSignIn, {}, Twist::kMalformedIdToken,
     kErrorIdTokenRejected},
    {"RefreshedIdTokenForAnotherClient", Operation::kSignedInRestart, {},
     Twist::kIdTokenForAnotherClient, kErrorIdTokenRejected},
    {"UserDenies", Operation::kSignIn, {}, Twist::kDeniedByTheUser, kErrorRejected},
    {"NoBrowser", Operation::kSignIn, {}, Twist::kNoBrowser, kErrorBrowser},
    {"BrowserNeverCallsBack", Operation::kSignIn, {}, Twist::kSilentBrowser, kErrorTimeout},
    {"ForgedCallbackState", Operation::kSignIn, {}, Twist::kForgedState, kErrorCallback},
    {"TokenEndpointRefusesTheClient", Operation::kSignIn,
     {{"POST", kTokenRoute, {answer_step(401, R"({"error":"invalid_client"})")}}}, Twist::kNone,
     kErrorRejected},

    // Expired tokens.
    {"ExpiredAnonymousTokenAndRefusedRenewal", Operation::kSignIn,
     {{"POST", kRestoreRoute, {answer_step(403, R"({"code":"AUTH_FORBIDDEN"})")}}},
     Twist::kExpiredAnonymousToken, kErrorRejected},
    {"ExpiredUserTokenAtTheHeartbeat", Operation::kSignedInRestart,
     {{"POST", kHeartbeatRoute, {answer_step(401, R"({"code":"AUTH_TOKEN_INVALID"})")}}},
     Twist::kNone, kErrorNone, Files::kUserSession, true},
    // The refresh that was to mend the disconnect's 401 is refused: the
    // user is signed out here, the installation stays claimed.
    {"ExpiredUserTokenAndRefusedRefresh", Operation::kDisconnect,
     {{"POST", kTokenRoute, {answer_step(400, R"({"error":"invalid_grant"})")}}},
     Twist::kExpiredUserToken, kErrorRejected, Files::kSessionRemoved},
};

INSTANTIATE_TEST_SUITE_P(Rows, HostileServiceTest, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<HostileRow>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace halvarin::sdk::test
