// A test fixture for the account client facade against the fake service
// behind the TLS front: the installation and OAuth models, a fresh
// LOCALAPPDATA (a restart is a new Client on the same folder), the test
// browser reached through the open-URL hook, a steady clock the test can
// move forward and a system time it can set back. Skips without the front.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "account/client.h"
#include "account/sign_in_options.h"
#include "tests/account/oauth_flow_fixture.h"
#include "tests/account/shifted_steady_clock.h"
#include "tests/account/test_browser.h"

namespace halvarin::sdk::test {

inline constexpr int64_t kNsPerSecond = 1'000'000'000;
inline constexpr int64_t kTicksPerSecond = 10'000'000;

inline std::string route_of(const char* method, const char* path) {
  return std::string(method) + " " + path;
}
inline const std::string kInitialize = route_of("POST", kInitializeRoute);
inline const std::string kRestore = route_of("POST", kRestoreRoute);
inline const std::string kHeartbeat = route_of("POST", kHeartbeatRoute);
inline const std::string kClaim = route_of("POST", kClaimRoute);
inline const std::string kDisconnect = route_of("POST", kDisconnectRoute);
inline const std::string kContext = route_of("POST", kAuthorizationContextRoute);
inline const std::string kAuthorize = route_of("GET", kAuthorizeRoute);
inline const std::string kToken = route_of("POST", kTokenRoute);
inline const std::string kKeySet = route_of("GET", kKeySetRoute);

inline FakeStep answer_step(int status, std::string body = {}) {
  return FakeStep{FakeAction::kAnswer,
                  FakeAnswer{status, {"Content-Type: application/json"}, std::move(body), false},
                  0};
}
// The endpoint's own handler.
inline FakeStep handler_step() { return FakeStep{FakeAction::kAnswer, std::nullopt, 0}; }
inline FakeStep action_step(FakeAction action, int delay_ms = 0) {
  return FakeStep{action, std::nullopt, delay_ms};
}

inline std::string bearer(const FakeRequest& request) {
  const std::string authorization = request.header("Authorization");
  return authorization.starts_with("Bearer ") ? authorization.substr(7) : std::string();
}

class ClientTest : public OAuthFlowTest {
 protected:
  void SetUp() override {
    OAuthFlowTest::SetUp();
    if (IsSkipped()) return;
    hooks_.steady_clock = clock_;
    hooks_.system_time = [this] { return system_time_ticks() + system_shift_.load(); };
    hooks_.open_url = [this](const std::wstring& url) {
      return browser_ != nullptr && browser_->open(url);
    };
    options_.browser_timeout = 10;
    options_.scopes = std::string(kSignInScopes);
    options_.locale = "en-US";
  }

  // A client of this installation; a second one on the same folder is a
  // restart of the application.
  std::unique_ptr<Client> make_client() { return std::make_unique<Client>(configuration_, hooks_); }

  // Signs in through `client` with `browser` as the user's browser.
  AuthResult sign_in(Client& client, TestBrowser& browser) {
    browser_ = &browser;
    const AuthResult result = client.sign_in_interactive(options_);
    if (browser.open_calls() > 0) browser.wait_finished();
    browser_ = nullptr;
    return result;
  }
  AuthResult sign_in(Client& client) {
    TestBrowser browser({following()});
    return sign_in(client, browser);
  }

  static BrowserVisit following() {
    BrowserVisit visit;
    visit.follow_authorize = true;
    return visit;
  }

  // A started first run: its client, holding the anonymous session.
  std::unique_ptr<Client> first_run() {
    std::unique_ptr<Client> client = make_client();
    const Error started = client->start();
    EXPECT_EQ(started.kind, kErrorNone) << started.message;
    return client;
  }
  // A first run whose user then signed in: its client.
  std::unique_ptr<Client> signed_in() {
    std::unique_ptr<Client> client = first_run();
    const AuthResult result = sign_in(*client);
    EXPECT_EQ(result.error.kind, kErrorNone) << result.error.message;
    return client;
  }

  // Scripts `steps` for the requests to come of `method` `path`: the
  // fake numbers attempts since its last reset, so those already answered
  // are passed over.
  static void script_from_now(const std::string& method, const std::string& path,
                              std::vector<FakeStep> steps) {
    size_t answered = 0;
    for (const FakeRequest& request : account_service().requests()) {
      if (request.method == method && request.target.substr(0, request.target.find('?')) == path) {
        ++answered;
      }
    }
    steps.insert(steps.begin(), answered, handler_step());
    account_service().script(method, path, std::move(steps));
  }

  std::string installation_id() const {
    const std::optional<std::string> text = installation_text();
    if (!text) return {};
    const size_t start = root().size() + 1;
    return text->substr(start, text->find('\n', start) - start);
  }
  std::string latest_anonymous_access() { return model().issued_sessions().back().access_token; }
  std::string latest_anonymous_refresh() {
    return model().issued_sessions().back().refresh_token;
  }

  std::shared_ptr<ShiftedSteadyClock> clock_ = std::make_shared<ShiftedSteadyClock>();
  // Added to the real system time that the hooks report.
  std::atomic<int64_t> system_shift_{0};
  SignInOptions options_;

 private:
  TestBrowser* browser_ = nullptr;
};

}  // namespace halvarin::sdk::test
