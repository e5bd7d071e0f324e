// The browser sign-in against the fake service's OAuth side behind the TLS
// front, with the test browser as the user's browser: it fetches the
// authorize URL, follows the service's redirect to the loopback listener,
// and the sign-in exchanges the code, verifies the ID token, claims the
// installation and saves the session.
#include "account/interactive_login.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "account/percent_encoding.h"
#include "account/session_state.h"
#include "tests/account/flat_json_object.h"
#include "tests/account/oauth_flow_fixture.h"
#include "tests/account/test_browser.h"

namespace halvarin::sdk::test {
namespace {

constexpr char kDenied[] = "Authorization was denied.";
constexpr char kStateMismatch[] = "The browser callback state did not match.";
constexpr int64_t kTicksPerSecond = 10'000'000;

std::string context_path() { return std::string("POST ") + kAuthorizationContextRoute; }
std::string authorize_path() { return std::string("GET ") + kAuthorizeRoute; }
std::string token_path() { return std::string("POST ") + kTokenRoute; }
std::string key_set_path() { return std::string("GET ") + kKeySetRoute; }
std::string claim_path() { return std::string("POST ") + kClaimRoute; }

BrowserVisit following() {
  BrowserVisit visit;
  visit.follow_authorize = true;
  return visit;
}

BrowserVisit following(std::function<std::string(const std::string&)> rewrite) {
  BrowserVisit visit = following();
  visit.rewrite_location = std::move(rewrite);
  return visit;
}

BrowserVisit calling_back(const std::string& target) {
  return BrowserVisit{"GET " + target + " HTTP/1.1\r\nHost: {host}\r\n\r\n"};
}

std::map<std::string, std::string> query_of(const std::string& url) {
  const size_t question = url.find('?');
  if (question == std::string::npos) return {};
  return parse_form(url.substr(question + 1)).value_or(std::map<std::string, std::string>{});
}

FakeStep answer_step(int status, std::string body) {
  return FakeStep{FakeAction::kAnswer,
                  FakeAnswer{status, {"Content-Type: application/json"}, std::move(body), false},
                  0};
}

int64_t now_ticks() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
             .count() /
         100;
}

int64_t elapsed_ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               since)
      .count();
}

class InteractiveLoginTest : public OAuthFlowTest {
 protected:
  void SetUp() override {
    OAuthFlowTest::SetUp();
    if (IsSkipped()) return;
    state_ = make_session_state(ClientConfiguration(configuration_));
    options_.browser_timeout = 10;
    options_.scopes = std::string(kSignInScopes);
    options_.locale = "en-US";
  }

  // Signs in with `browser` as the user's browser.
  AuthResult sign_in(TestBrowser& browser, const std::string& anonymous_token,
                     const AnonymousTokenRenewal& renew = {}) {
    hooks_.open_url = [&browser](const std::wstring& url) { return browser.open(url); };
    const AuthResult result = interactive_login(*state_, options_, anonymous_token, renew, hooks_);
    if (browser.open_calls() > 0) browser.wait_finished();
    return result;
  }

  // What a failed sign-in must leave as it was.
  struct Stored {
    std::optional<std::string> session;
    std::optional<std::string> installation;
  };
  Stored stored() const { return {session_text(), installation_text()}; }
  void expect_unchanged(const Stored& before) {
    EXPECT_EQ(session_text(), before.session);
    EXPECT_EQ(installation_text(), before.installation);
    const std::optional<AccountIdentity> session = session_snapshot(*state_);
    ASSERT_TRUE(session.has_value());
    EXPECT_EQ(session->access_token, "earlier-access");
    EXPECT_EQ(session->refresh_token, "earlier-refresh");
  }
  // An identity from an earlier sign-in, which a failure must not replace.
  void hold_earlier_session() {
    AccountIdentity earlier;
    earlier.access_token = "earlier-access";
    earlier.refresh_token = "earlier-refresh";
    state_->session = earlier;
  }

  static void expect_failed(const AuthResult& result, int32_t kind, const std::string& message) {
    EXPECT_EQ(result.error.kind, kind) << result.error.message;
    EXPECT_EQ(result.error.message, message);
    EXPECT_TRUE(result.access_token.empty() && result.refresh_token.empty() &&
                result.id_token.empty() && result.subject.empty() && result.email.empty() &&
                result.name.empty());
    EXPECT_EQ(result.expires_at, 0);
  }

  std::unique_ptr<SessionState> state_;
  SignInOptions options_;
};

TEST_F(InteractiveLoginTest, SignsInWithAnAnonymousTokenThroughContextCodeKeySetAndClaim) {
  const std::string anonymous = anonymous_session();
  const std::string installation_id = model().issued_sessions().back().installation_id;
  const size_t before = account_service().request_count();
  TestBrowser browser({following()});
  const int64_t earliest = now_ticks();

  const AuthResult result = sign_in(browser, anonymous);
  const int64_t latest = now_ticks();
  ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
  EXPECT_EQ(paths_after(before),
            (std::vector<std::string>{context_path(), authorize_path(), token_path(),
                                      key_set_path(), claim_path()}));

  const std::map<std::string, std::string> authorize = query_of(browser.authorize_url());
  const std::string state = authorize.at("state");
  const std::string challenge = authorize.at("code_challenge");
  EXPECT_TRUE(is_token_of_length(challenge, 43)) << challenge;
  EXPECT_TRUE(is_token_of_length(state, 32)) << state;
  EXPECT_TRUE(is_token_of_length(authorize.at("nonce"), 32)) << authorize.at("nonce");
  ASSERT_EQ(model().issued_sessions().size(), 1u);
  ASSERT_EQ(oauth().contexts().size(), 1u);
  EXPECT_EQ(authorize.at("installation_authorization"), oauth().contexts()[0].id);

  const std::vector<FakeRequest> requests = requests_after(before);
  EXPECT_EQ(requests[0].header("Authorization"), "Bearer " + anonymous);
  EXPECT_EQ(requests[0].header("Content-Type"), "application/json");
  EXPECT_EQ(requests[0].body, R"({"installation_id":")" + installation_id +
                                  R"(","client_id":"quorvel.desktop","state":")" + state +
                                  R"(","code_challenge":")" + challenge + "\"}");

  const std::string code = query_of(browser.outcomes().at(0).location).at("code");
  const std::map<std::string, std::string> form = parse_form(requests[2].body).value();
  const std::string verifier = form.at("code_verifier");
  EXPECT_TRUE(is_token_of_length(verifier, 64)) << verifier;
  EXPECT_EQ(base64url(sha256_of(verifier)), challenge);
  EXPECT_EQ(requests[2].header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(requests[2].header("Authorization"), "");
  EXPECT_EQ(requests[2].body, "grant_type=authorization_code&client_id=quorvel.desktop&code=" +
                                  code + "&redirect_uri=" +
                                  percent_encode(authorize.at("redirect_uri")) +
                                  "&code_verifier=" + verifier);

  ASSERT_EQ(oauth().issued().size(), 1u);
  const FakeTokenSet issued = oauth().issued()[0];
  EXPECT_EQ(requests[4].header("Authorization"), "Bearer " + issued.access_token);
  const std::string next = member(parse_flat_json_object(requests[4].body).value(),
                                  "next_credential")
                               .value_or("");
  EXPECT_EQ(session_text(), session_text_of(issued.refresh_token));
  EXPECT_EQ(installation_text(), claimed_text(installation_id, next));

  const std::optional<AccountIdentity> session = session_snapshot(*state_);
  ASSERT_TRUE(session.has_value());
  EXPECT_EQ(session->access_token, issued.access_token);
  EXPECT_EQ(session->refresh_token, issued.refresh_token);
  EXPECT_EQ(std::count(session->id_token.begin(), session->id_token.end(), '.'), 2);
  EXPECT_EQ(session->subject, "user-ada");
  EXPECT_EQ(session->email, "ada@example.com");
  EXPECT_EQ(session->name, "Ada Lovelace");
  EXPECT_GE(session->expires_at, earliest + FakeOAuthModel::kExpiresIn * kTicksPerSecond);
  EXPECT_LE(session->expires_at, latest + FakeOAuthModel::kExpiresIn * kTicksPerSecond);
  EXPECT_EQ(result.access_token, session->access_token);
  EXPECT_EQ(result.refresh_token, session->refresh_token);
  EXPECT_EQ(result.id_token, session->id_token);
  EXPECT_EQ(result.subject, session->subject);
  EXPECT_EQ(result.expires_at, session->expires_at);
  EXPECT_TRUE(browser.outcomes().at(0).answer.find("Sign-in complete") != std::string::npos);
}

TEST_F(InteractiveLoginTest, WithoutAnAnonymousTokenAsksForNoContext) {
  const size_t before = account_service().request_count();
  TestBrowser browser({following()});
  const AuthResult result = sign_in(browser, "");
  ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
  // No installation.dat either: nothing to claim.
  EXPECT_EQ(paths_after(before),
            (std::vector<std::string>{authorize_path(), token_path(), key_set_path()}));
  EXPECT_EQ(query_of(browser.authorize_url()).count("installation_authorization"), 0u);
  EXPECT_EQ(browser.authorize_url().find("installation_authorization"), std::string::npos);
  EXPECT_EQ(session_text(), session_text_of(oauth().issued().at(0).refresh_token));
}

TEST_F(InteractiveLoginTest, RefusesBadOptionsBeforeAnyRequestOrBrowser) {
  std::stop_source stopped;
  stopped.request_stop();
  const struct {
    const char* label;
    int64_t timeout;
    const char* scopes;
    std::string locale;
    bool stop;
    int32_t kind;
    const char* message;
  } cases[] = {
      {"scopes in capitals", 10, "OPENID PROFILE", "en-US", false, kErrorInvalidArgument,
       "Interactive login options are invalid."},
      {"timeout 0", 0, "openid", "en-US", false, kErrorInvalidArgument,
       "Interactive login options are invalid."},
      {"timeout -5", -5, "openid", "en-US", false, kErrorInvalidArgument,
       "Interactive login options are invalid."},
      {"33-byte locale", 10, "openid", std::string(33, 'a'), false, kErrorInvalidArgument,
       "Interactive login locale is invalid."},
      {"stopped beforehand", 10, "openid", "en-US", true, kErrorCancelled,
       "The browser sign-in was cancelled."},
  };
  const std::string anonymous = anonymous_session();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const size_t before = account_service().request_count();
    options_.browser_timeout = c.timeout;
    options_.scopes = c.scopes;
    options_.locale = c.locale;
    options_.stop_token = c.stop ? stopped.get_token() : std::stop_token();
    TestBrowser browser({following()});
    expect_failed(sign_in(browser, anonymous), c.kind, c.message);
    EXPECT_EQ(account_service().request_count(), before);
    EXPECT_EQ(browser.open_calls(), 0);
  }
}

TEST_F(InteractiveLoginTest, AcceptsOpenidAsThePrefixOfALongerScope) {
  options_.scopes = "openidx";
  options_.locale = std::string(32, 'a');
  TestBrowser browser({}, /*opens=*/false);
  const AuthResult result = sign_in(browser, "");
  // Past the option checks: the browser was asked to open.
  EXPECT_EQ(browser.open_calls(), 1);
  expect_failed(result, kErrorBrowser, "The default browser could not be opened.");
}

TEST_F(InteractiveLoginTest, ContextAnswersOtherThan201EndTheSignIn) {
  const std::string anonymous = anonymous_session();
  const struct {
    const char* label;
    FakeStep answer;
    int32_t kind;
    const char* message;
    int32_t http_status;
  } cases[] = {
      {"200", answer_step(200, R"({"id":"context-x"})"), kErrorRejected,
       "The Halvarin server rejected the request.", 200},
      {"201 with an empty id", answer_step(201, R"({"id":""})"), kErrorResponseInvalid,
       "The installation authorization response is incomplete.", 0},
      {"201 without an id", answer_step(201, "{}"), kErrorResponseInvalid,
       "The installation authorization response is incomplete.", 0},
      {"403", answer_step(403, R"({"code":"AUTH_FORBIDDEN","message":"No."})"), kErrorRejected,
       "No.", 403},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    account_service().script("POST", kAuthorizationContextRoute, {c.answer});
    TestBrowser browser({following()});
    const AuthResult result = sign_in(browser, anonymous);
    expect_failed(result, c.kind, c.message);
    EXPECT_EQ(result.error.http_status, c.http_status);
    EXPECT_EQ(browser.open_calls(), 0);
  }
}

TEST_F(InteractiveLoginTest, AnOutageOfTheContextEndpointIsRetried) {
  configuration_.retry.initial_delay = 1;
  configuration_.retry.max_delay = 1;
  state_ = make_session_state(ClientConfiguration(configuration_));
  const std::string anonymous = anonymous_session();
  account_service().script("POST", kAuthorizationContextRoute,
                           {answer_step(503, ""), answer_step(503, ""), FakeStep{}});
  const size_t before = account_service().request_count();
  TestBrowser browser({following()});
  const AuthResult result = sign_in(browser, anonymous);
  ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
  EXPECT_EQ(count_of(requests_after(before), kAuthorizationContextRoute), 3u);
  EXPECT_EQ(query_of(browser.authorize_url()).at("installation_authorization"),
            oauth().contexts().at(0).id);
}

TEST_F(InteractiveLoginTest, ADeniedOrForeignCallbackExchangesNothing) {
  const std::string anonymous = anonymous_session();
  hold_earlier_session();
  const Stored before_all = stored();
  const struct {
    const char* label;
    FakeConsent consent;
    BrowserVisit visit;
    int32_t kind;
    const char* message;
    const char* code;
  } cases[] = {
      {"denied", FakeConsent::kDeny, following(), kErrorRejected, kDenied, "access_denied"},
      {"code with error", FakeConsent::kApproveWithError, following(), kErrorRejected, kDenied,
       "access_denied"},
      {"wrong state", FakeConsent::kApprove,
       following([](const std::string& location) {
         return location.substr(0, location.find("&state=")) + "&state=forged";
       }),
       kErrorCallback, kStateMismatch, ""},
      {"missing state", FakeConsent::kApprove,
       following([](const std::string& location) {
         return location.substr(0, location.find("&state="));
       }),
       kErrorCallback, kStateMismatch, ""},
      {"favicon first", FakeConsent::kApprove, calling_back("/favicon.ico"), kErrorCallback,
       kStateMismatch, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    oauth().set_consent(c.consent);
    const size_t before = account_service().request_count();
    TestBrowser browser({c.visit});
    const AuthResult result = sign_in(browser, anonymous);
    expect_failed(result, c.kind, c.message);
    EXPECT_EQ(result.error.code, c.code);
    EXPECT_EQ(result.error.http_status, 0);
    EXPECT_EQ(count_of(requests_after(before), kTokenRoute), 0u);
    expect_unchanged(before_all);
  }
}

TEST_F(InteractiveLoginTest, ARefusedCodeExchangeStoresAndClaimsNothing) {
  const std::string anonymous = anonymous_session();
  hold_earlier_session();
  const Stored before_all = stored();
  // Another sign-in's code for the same listener: its challenge is not the
  // one this sign-in's verifier answers.
  const auto foreign_code = [this](const std::string& location) {
    const std::map<std::string, std::string> query = query_of(location);
    const std::string redirect = location.substr(0, location.find('?'));
    const std::string code = oauth().grant_code(redirect, base64url(sha256_of("other")), "n");
    return redirect + "?code=" + code + "&state=" + percent_encode(query.at("state"));
  };
  const auto other_redirect = [this](const std::string& location) {
    const std::map<std::string, std::string> query = query_of(location);
    const std::string redirect = location.substr(0, location.find('?'));
    const std::string challenge = oauth().contexts().back().code_challenge;
    const std::string code =
        oauth().grant_code("http://127.0.0.1:1/callback", challenge, "n");
    return redirect + "?code=" + code + "&state=" + percent_encode(query.at("state"));
  };
  const auto replayed = [this](const std::string& location) {
    oauth().redeem_code(query_of(location).at("code"));
    return location;
  };
  const struct {
    const char* label;
    BrowserVisit visit;
    const char* description;
  } cases[] = {
      {"a reused code", following(replayed), "The code was already used."},
      {"a wrong verifier", following(foreign_code), "The code verifier is wrong."},
      {"another redirect URI", following(other_redirect), "The redirect URI does not match."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const size_t before = account_service().request_count();
    TestBrowser browser({c.visit});
    const AuthResult result = sign_in(browser, anonymous);
    expect_failed(result, kErrorRejected, c.description);
    EXPECT_EQ(result.error.code, "invalid_grant");
    EXPECT_EQ(result.error.http_status, 400);
    EXPECT_EQ(count_of(requests_after(before), kTokenRoute), 1u);
    EXPECT_EQ(count_of(requests_after(before), kClaimRoute), 0u);
    expect_unchanged(before_all);
  }
}

TEST_F(InteractiveLoginTest, AnUnusableTokenAnswerStoresAndClaimsNothing) {
  const std::string anonymous = anonymous_session();
  hold_earlier_session();
  const Stored before_all = stored();
  const std::string complete =
      R"("access_token":"a","token_type":"Bearer","id_token":"h.p.s")";
  const struct {
    const char* label;
    std::vector<FakeStep> token_answer;
    std::string id_token;
    int32_t kind;
    const char* message;
    int32_t http_status;
  } cases[] = {
      {"503 with an empty body", {answer_step(503, "")}, "", kErrorServiceUnavailable,
       "The Halvarin server rejected the request.", 503},
      {"201", {answer_step(201, "{" + complete + R"(,"refresh_token":"r","expires_in":60})")},
       "", kErrorRejected, "The Halvarin server rejected the request.", 201},
      {"expires_in 0", {answer_step(200, "{" + complete + R"(,"refresh_token":"r","expires_in":0})")},
       "", kErrorResponseInvalid, "The token response is incomplete.", 0},
      {"no refresh_token", {answer_step(200, "{" + complete + R"(,"expires_in":60})")}, "",
       kErrorResponseInvalid, "The token response is incomplete.", 0},
      {"an ID token for another nonce", {},
       signed_token(FakeOAuthModel::id_token_header(), oauth().id_token_payload("other-nonce")),
       kErrorIdTokenRejected, "The ID token claims are invalid.", 0},
      {"an ID token of another key", {},
       signed_token(R"({"alg":"RS256","kid":"retired"})", oauth().id_token_payload("")),
       kErrorIdTokenRejected, "The ID token signing key is unavailable.", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    account_service().script("POST", kTokenRoute, c.token_answer);
    if (!c.id_token.empty()) oauth().set_next_id_token(c.id_token);
    const size_t before = account_service().request_count();
    TestBrowser browser({following()});
    const AuthResult result = sign_in(browser, anonymous);
    expect_failed(result, c.kind, c.message);
    EXPECT_EQ(result.error.http_status, c.http_status);
    EXPECT_EQ(count_of(requests_after(before), kTokenRoute), 1u);
    EXPECT_EQ(count_of(requests_after(before), kClaimRoute), 0u);
    expect_unchanged(before_all);
  }
}

TEST_F(InteractiveLoginTest, AStopWhileTheTokenAnswerIsHeldCancelsPromptly) {
  account_service().script("POST", kTokenRoute,
                           {FakeStep{FakeAction::kAnswer, std::nullopt, 5000}});
  std::stop_source stop;
  options_.stop_token = stop.get_token();
  TestBrowser browser({following()});
  hooks_.open_url = [&browser](const std::wstring& url) { return browser.open(url); };
  AuthResult result;
  std::thread worker([&] { result = interactive_login(*state_, options_, "", {}, hooks_); });
  // The authorize fetch, then the held code exchange.
  ASSERT_TRUE(account_service().wait_for_requests(2));
  const auto stopped_at = std::chrono::steady_clock::now();
  stop.request_stop();
  worker.join();
  EXPECT_LT(elapsed_ms(stopped_at), 1000);
  expect_failed(result, kErrorCancelled, "The operation was cancelled.");
  EXPECT_FALSE(session_snapshot(*state_).has_value());
  EXPECT_FALSE(session_text().has_value());
  browser.wait_finished();
}

TEST_F(InteractiveLoginTest, AStopWhileWaitingForTheBrowserClosesTheListener) {
  std::stop_source stop;
  options_.stop_token = stop.get_token();
  TestBrowser browser;  // never comes back
  hooks_.open_url = [&browser](const std::wstring& url) { return browser.open(url); };
  AuthResult result;
  std::thread worker([&] { result = interactive_login(*state_, options_, "", {}, hooks_); });
  ASSERT_TRUE(browser.wait_opened());
  const auto stopped_at = std::chrono::steady_clock::now();
  stop.request_stop();
  worker.join();
  EXPECT_LT(elapsed_ms(stopped_at), 1000);
  expect_failed(result, kErrorCancelled, "The browser sign-in was cancelled.");
  ASSERT_NE(browser.port(), 0);
  EXPECT_EQ(connect_error_on_port(browser.port()), WSAECONNREFUSED);
}

TEST_F(InteractiveLoginTest, AnExpiredAnonymousTokenIsRenewedOnce) {
  const std::string expired = anonymous_session();
  oauth().expire_access_token(expired);
  const std::string installation_id = model().issued_sessions().back().installation_id;
  int renewals = 0;
  std::string renewed;
  const AnonymousTokenRenewal renew = [&] {
    ++renewals;
    const AnonymousSessionResult restored =
        InstallationService(configuration_, hooks_).restore_anonymous_session();
    renewed = restored.session.access_token;
    return renewed;
  };
  const size_t before = account_service().request_count();
  TestBrowser browser({following()});
  const AuthResult result = sign_in(browser, expired, renew);
  ASSERT_EQ(result.error.kind, kErrorNone) << result.error.message;
  EXPECT_EQ(renewals, 1);
  std::vector<std::string> bearers;
  for (const FakeRequest& request : requests_after(before)) {
    if (request.target == kAuthorizationContextRoute) {
      bearers.push_back(request.header("Authorization"));
    }
  }
  EXPECT_EQ(bearers, (std::vector<std::string>{"Bearer " + expired, "Bearer " + renewed}));
  EXPECT_TRUE(model().installation(installation_id)->claimed);
}

TEST_F(InteractiveLoginTest, A401WithoutAUsableRenewalIsTheResult) {
  const std::string expired = anonymous_session();
  oauth().expire_access_token(expired);
  int renewals = 0;
  const struct {
    const char* label;
    AnonymousTokenRenewal renew;
    int expected_renewals;
    size_t context_requests;
  } cases[] = {
      {"no renewal", {}, 0, 1},
      {"a failed renewal", [&] { ++renewals; return std::string(); }, 1, 1},
      {"a second 401", [&] { ++renewals; return std::string("also-expired"); }, 1, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    renewals = 0;
    const size_t before = account_service().request_count();
    TestBrowser browser({following()});
    const AuthResult result = sign_in(browser, expired, c.renew);
    EXPECT_EQ(result.error.kind, kErrorRejected);
    EXPECT_EQ(result.error.http_status, 401);
    EXPECT_EQ(result.error.code, "AUTH_TOKEN_INVALID");
    EXPECT_EQ(renewals, c.expected_renewals);
    EXPECT_EQ(count_of(requests_after(before), kAuthorizationContextRoute), c.context_requests);
    EXPECT_EQ(browser.open_calls(), 0);
  }
}

}  // namespace
}  // namespace halvarin::sdk::test
