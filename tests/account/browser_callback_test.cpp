#include "account/browser_callback.h"

#include <winsock2.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "account/callback_page.h"
#include "tests/account/test_browser.h"
#include "tests/support/counting_clock.h"

namespace halvarin::sdk {
namespace {

using quorvel::windows::test::CountingClock;
using test::BrowserVisit;
using test::TestBrowser;
using test::VisitOutcome;

constexpr std::string_view kScopes = "openid profile email offline_access";
constexpr std::string_view kChallenge = "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM";
constexpr std::string_view kState = "st/ate";
constexpr std::string_view kNonce = "n o";
constexpr int64_t kMs = 1'000'000;
constexpr int64_t kSecond = 1'000'000'000;
constexpr int kResultTimeoutMs = 20'000;

// One call of wait_for_browser_callback on its own thread, as the sign-in
// worker makes it, with `browser` as the opener and `clock` as the steady
// clock.
class ListenerRun {
 public:
  ListenerRun(TestBrowser& browser, std::shared_ptr<CountingClock> clock, int64_t timeout_seconds,
              std::string locale = "en-US", std::string context_id = "")
      : context_id_(std::move(context_id)) {
    configuration_.base_url = "https://account.example.test";
    configuration_.client_id = "quorvel-desktop";
    configuration_.locale = std::move(locale);
    configuration_.cancel_token = cancel_.get_token();
    hooks_.open_url = [this, &browser](const std::wstring& url) {
      redirect_at_open_ = redirect_uri_;
      return browser.open(url);
    };
    hooks_.steady_clock = std::move(clock);
    result_ = std::async(std::launch::async, [this, timeout_seconds] {
      return wait_for_browser_callback(configuration_, kScopes, kChallenge, kState, kNonce,
                                       context_id_, timeout_seconds, stop_.get_token(),
                                       redirect_uri_, hooks_);
    });
  }

  ~ListenerRun() {
    // Never leave a listener behind when a test fails half-way.
    cancel_.request_stop();
    if (result_.valid()) result_.wait();
  }

  void request_cancel() { cancel_.request_stop(); }
  void request_stop() { stop_.request_stop(); }
  bool finished() { return result_.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }

  BrowserCallback result() {
    if (result_.wait_for(std::chrono::milliseconds(kResultTimeoutMs)) !=
        std::future_status::ready) {
      ADD_FAILURE() << "the listener did not return";
      cancel_.request_stop();
    }
    return result_.get();
  }

  // Valid once result() has returned.
  const std::string& redirect_uri() const { return redirect_uri_; }
  const std::string& redirect_at_open() const { return redirect_at_open_; }

 private:
  std::stop_source cancel_;
  std::stop_source stop_;
  ClientConfiguration configuration_;
  PlatformHooks hooks_;
  std::string context_id_;
  std::string redirect_uri_;
  std::string redirect_at_open_;
  std::future<BrowserCallback> result_;
};

std::string expected_redirect(uint16_t port) {
  return "http://127.0.0.1:" + std::to_string(port) + "/callback";
}

void expect_failure(const BrowserCallback& result, int32_t kind, std::string_view message) {
  EXPECT_EQ(result.failure.kind, kind);
  EXPECT_EQ(result.failure.message, message);
  EXPECT_EQ(result.failure.code, "");
  EXPECT_EQ(result.failure.request_id, "");
  EXPECT_EQ(result.failure.http_status, 0);
  EXPECT_EQ(result.code, "");
  EXPECT_EQ(result.state, "");
  EXPECT_EQ(result.error, "");
}

// Whatever path the call took, its listener is gone.
void expect_port_closed(uint16_t port) {
  ASSERT_NE(port, 0);
  EXPECT_EQ(test::connect_error_on_port(port), WSAECONNREFUSED) << "port " << port;
}

enum class Page { kSuccess, kFailure, kNone };

struct RequestCase {
  std::string name;
  std::vector<BrowserVisit> visits;
  std::string code;
  std::string state;
  std::string error;
  Page page;
  int32_t kind;
};

constexpr std::string_view kMalformed = "The browser callback was malformed.";

std::vector<RequestCase> request_cases() {
  const std::string head = " HTTP/1.1\r\nHost: {host}\r\nUser-Agent: TestBrowser\r\n\r\n";
  const std::string padding(20'000, 'a');
  return {
      {"callback", {{"GET /callback?code=abc&state=xyz" + head}}, "abc", "xyz", "",
       Page::kSuccess, kErrorNone},
      {"other path", {{"GET /other?code=abc&state=xyz" + head}}, "abc", "xyz", "",
       Page::kSuccess, kErrorNone},
      // The favicon ends the wait; the real callback after it finds no
      // listener.
      {"favicon first",
       {{"GET /favicon.ico" + head}, {"GET /callback?code=abc&state=xyz" + head}},
       "", "", "", Page::kFailure, kErrorNone},
      {"denial", {{"GET /callback?error=access_denied&state=xyz" + head}}, "", "xyz",
       "access_denied", Page::kFailure, kErrorNone},
      {"code with error", {{"GET /callback?error=access_denied&code=abc" + head}}, "abc", "",
       "access_denied", Page::kFailure, kErrorNone},
      {"encoded values", {{"GET /callback?co%64e=a%2Bb+c&state=x%00y&code=second" + head}},
       "a+b c", std::string("x\0y", 3), "", Page::kSuccess, kErrorNone},
      {"bad percent-encoding", {{"GET /callback?code=%zz%4&state=%&error=%%" + head}},
       "%zz%4", "%", "%%", Page::kFailure, kErrorNone},
      // A client that tries TLS on the plain port.
      {"TLS hello", {{std::string("\x16\x03\x01\x00\x05\x01\x00\x00\x01\x00", 10), true}},
       "", "", "", Page::kNone, kErrorCallback},
      {"POST line", {{"POST /callback?code=abc&state=xyz" + head}}, "", "", "", Page::kNone,
       kErrorCallback},
      // The Host header's space is on the next line and does not count.
      {"no second space", {{"GET /callback?code=abc&state=xyz\r\nHost: {host}\r\n\r\n"}}, "", "",
       "", Page::kNone, kErrorCallback},
      {"3 bytes then close", {{"GET", true}}, "", "", "", Page::kNone, kErrorCallback},
      {"head without blank line",
       {{"GET /callback?code=abc&state=xyz HTTP/1.1\r\nHost: {host}\r\n", true}}, "abc", "xyz",
       "", Page::kSuccess, kErrorNone},
      // Never finished and never closed: reading stops at the cap.
      {"oversized head kept open",
       {{"GET /callback?code=abc&state=xyz HTTP/1.1\r\nHost: {host}\r\nX-Padding: " + padding,
         false}},
       "abc", "xyz", "", Page::kSuccess, kErrorNone},
  };
}

TEST(BrowserCallbackTest, ReadsOneRequestAndAnswersIt) {
  for (const RequestCase& c : request_cases()) {
    SCOPED_TRACE(c.name);
    TestBrowser browser(c.visits);
    ListenerRun run(browser, std::make_shared<CountingClock>(), 180);
    const BrowserCallback result = run.result();
    ASSERT_TRUE(browser.wait_finished());

    EXPECT_EQ(result.failure.kind, c.kind);
    EXPECT_EQ(result.failure.message, c.kind == kErrorNone ? "" : kMalformed);
    EXPECT_EQ(result.code, c.code);
    EXPECT_EQ(result.state, c.state);
    EXPECT_EQ(result.error, c.error);

    const std::vector<VisitOutcome> outcomes = browser.outcomes();
    ASSERT_EQ(outcomes.size(), c.visits.size());
    ASSERT_TRUE(outcomes[0].connected);
    EXPECT_TRUE(outcomes[0].closed);
    if (c.page == Page::kNone) {
      EXPECT_EQ(outcomes[0].answer, "") << "nothing is written back";
    } else {
      const bool success = c.page == Page::kSuccess;
      EXPECT_EQ(outcomes[0].answer, make_callback_response(make_callback_page("en-US", success)));
      EXPECT_TRUE(outcomes[0].answer.starts_with("HTTP/1.1 200 OK\r\n"));
      // An answered browser sees an orderly close, never a reset that could
      // throw away the page before it is shown.
      EXPECT_FALSE(outcomes[0].reset);
      EXPECT_NE(outcomes[0].answer.find(success ? "<div class=\"mark success\">"
                                                : "<div class=\"mark failure\">"),
                std::string::npos);
    }
    for (size_t later = 1; later < outcomes.size(); ++later) {
      EXPECT_FALSE(outcomes[later].connected);
      EXPECT_EQ(outcomes[later].connect_error, WSAECONNREFUSED);
    }
    EXPECT_EQ(run.redirect_uri(), expected_redirect(browser.port()));
    expect_port_closed(browser.port());
  }
}

TEST(BrowserCallbackTest, HandsTheBrowserTheAuthorizeUrlOnceTheListenerListens) {
  for (const std::string context_id : {"ctx-7:a", ""}) {
    SCOPED_TRACE("context id '" + context_id + "'");
    TestBrowser browser({{"GET /callback?code=abc&state=xyz HTTP/1.1\r\n\r\n"}});
    ListenerRun run(browser, std::make_shared<CountingClock>(), 180, "en-GB", context_id);
    const BrowserCallback result = run.result();
    EXPECT_EQ(result.failure.kind, kErrorNone);
    ASSERT_TRUE(browser.wait_finished());

    const uint16_t port = browser.port();
    ASSERT_NE(port, 0);
    EXPECT_EQ(browser.open_calls(), 1);
    // The caller's string held the redirect URI before the browser opened.
    EXPECT_EQ(run.redirect_at_open(), expected_redirect(port));
    EXPECT_EQ(run.redirect_uri(), expected_redirect(port));
    std::string expected =
        "https://account.example.test/oauth/authorize?response_type=code"
        "&client_id=quorvel-desktop"
        "&redirect_uri=http%3A%2F%2F127.0.0.1%3A" + std::to_string(port) + "%2Fcallback"
        "&scope=openid%20profile%20email%20offline_access"
        "&state=st%2Fate"
        "&nonce=n%20o"
        "&code_challenge=E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"
        "&code_challenge_method=S256"
        "&ui_locales=en-US";
    if (!context_id.empty()) expected += "&installation_authorization=ctx-7%3Aa";
    EXPECT_EQ(browser.authorize_url(), expected);
  }
}

TEST(BrowserCallbackTest, AnswersInTheLanguageOfTheConfiguration) {
  struct Case {
    std::string locale;
    std::string ui_locale;
    std::string lang;
  };
  const std::vector<Case> cases = {{"zh", "zh-CN", "zh-CN"},  {"ZH_tw", "zh-CN", "zh-CN"},
                                   {"zhx", "en-US", "en"},    {"en-GB", "en-US", "en"},
                                   {"", "en-US", "en"}};
  for (const Case& c : cases) {
    SCOPED_TRACE("locale '" + c.locale + "'");
    TestBrowser browser({{"GET /callback?error=access_denied HTTP/1.1\r\n\r\n"}});
    ListenerRun run(browser, std::make_shared<CountingClock>(), 180, c.locale);
    EXPECT_EQ(run.result().error, "access_denied");
    ASSERT_TRUE(browser.wait_finished());
    EXPECT_TRUE(browser.authorize_url().ends_with("&ui_locales=" + c.ui_locale));
    const std::vector<VisitOutcome> outcomes = browser.outcomes();
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_NE(outcomes[0].answer.find("\r\n\r\n<!doctype html><html lang=\"" + c.lang + "\">"),
              std::string::npos);
    EXPECT_EQ(outcomes[0].answer, make_callback_response(make_callback_page(c.ui_locale, false)));
  }
}

TEST(BrowserCallbackTest, ABrowserThatCannotOpenFailsAtOnce) {
  TestBrowser browser({{"GET /callback?code=abc HTTP/1.1\r\n\r\n"}}, /*opens=*/false);
  auto clock = std::make_shared<CountingClock>();
  ListenerRun run(browser, clock, 180);
  const BrowserCallback result = run.result();
  expect_failure(result, kErrorBrowser, "The default browser could not be opened.");
  EXPECT_EQ(browser.open_calls(), 1);
  EXPECT_EQ(run.redirect_uri(), expected_redirect(browser.port()));
  EXPECT_EQ(clock->reads(), 0) << "no wait was started";
  expect_port_closed(browser.port());
}

TEST(BrowserCallbackTest, TimesOutAtTheDeadlineWithoutABrowser) {
  TestBrowser browser;  // never connects
  auto clock = std::make_shared<CountingClock>();
  const int64_t start = clock->peek();
  ListenerRun run(browser, clock, 1);
  ASSERT_TRUE(browser.wait_opened());
  // The listener's first read of the clock places the deadline.
  ASSERT_TRUE(clock->wait_for_reads(1));

  clock->advance(999 * kMs);
  // A whole pass has seen 1 ms remaining and waited on.
  ASSERT_TRUE(clock->wait_for_reads(clock->reads() + 3));
  EXPECT_FALSE(run.finished());

  clock->advance(1 * kMs);
  const BrowserCallback result = run.result();
  expect_failure(result, kErrorTimeout, "Timed out waiting for browser sign-in.");
  EXPECT_EQ(clock->peek() - start, kSecond);
  expect_port_closed(browser.port());
}

TEST(BrowserCallbackTest, StopOnEitherTokenEndsTheWaitForTheBrowser) {
  for (const bool on_configuration : {true, false}) {
    SCOPED_TRACE(on_configuration ? "configuration's cancel token" : "sign-in stop token");
    TestBrowser browser;  // never connects
    auto clock = std::make_shared<CountingClock>();
    ListenerRun run(browser, clock, 180);
    ASSERT_TRUE(browser.wait_opened());
    ASSERT_TRUE(clock->wait_for_reads(clock->reads() + 2));

    const int64_t reads = clock->reads();
    const auto stopped_at = std::chrono::steady_clock::now();
    on_configuration ? run.request_cancel() : run.request_stop();
    const BrowserCallback result = run.result();
    const auto latency = std::chrono::steady_clock::now() - stopped_at;
    expect_failure(result, kErrorCancelled, "The browser sign-in was cancelled.");
    // Noticed at the top of the next pass: at most the pass under way reads
    // the clock again, and a pass waits at most one 200 ms slice.
    EXPECT_LE(clock->reads() - reads, 1);
    std::printf("stop noticed after %lld ms\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(latency).count()));
    expect_port_closed(browser.port());
  }
}

// A connection that sends nothing, or stops half-way through its request
// line, holds the listener no longer than a stop or the deadline.
std::vector<std::pair<std::string, BrowserVisit>> stalled_visits() {
  return {{"silent connection", {"", false}},
          {"stalled request line", {"GET /callback?code=abc&sta", false}}};
}

void expect_closed_without_answer(TestBrowser& browser) {
  ASSERT_TRUE(browser.wait_finished());
  const std::vector<VisitOutcome> outcomes = browser.outcomes();
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_TRUE(outcomes[0].connected);
  EXPECT_TRUE(outcomes[0].closed);
  EXPECT_FALSE(outcomes[0].reset) << "the accepted connection is closed in order";
  EXPECT_EQ(outcomes[0].answer, "");
  expect_port_closed(browser.port());
}

// Once the browser has connected, three more clock reads put the listener
// in the wait for the request: of the reads before it, one may place the
// deadline and one belong to the pass that sees the connection and accepts
// it.
void wait_until_reading(TestBrowser& browser, CountingClock& clock) {
  ASSERT_TRUE(browser.wait_connected());
  ASSERT_TRUE(clock.wait_for_reads(clock.reads() + 3));
}

TEST(BrowserCallbackTest, StopEndsTheWaitForAStalledRequest) {
  for (const auto& [name, visit] : stalled_visits()) {
    for (const bool on_configuration : {true, false}) {
      SCOPED_TRACE(name + (on_configuration ? ", cancel token" : ", stop token"));
      TestBrowser browser({visit});
      auto clock = std::make_shared<CountingClock>();
      ListenerRun run(browser, clock, 180);
      wait_until_reading(browser, *clock);
      ASSERT_FALSE(run.finished());

      const int64_t reads = clock->reads();
      on_configuration ? run.request_cancel() : run.request_stop();
      const BrowserCallback result = run.result();
      expect_failure(result, kErrorCancelled, "The browser sign-in was cancelled.");
      EXPECT_LE(clock->reads() - reads, 1);
      expect_closed_without_answer(browser);
    }
  }
}

TEST(BrowserCallbackTest, DeadlineEndsTheWaitForAStalledRequest) {
  for (const auto& [name, visit] : stalled_visits()) {
    SCOPED_TRACE(name);
    TestBrowser browser({visit});
    auto clock = std::make_shared<CountingClock>();
    ListenerRun run(browser, clock, 1);
    wait_until_reading(browser, *clock);

    clock->advance(999 * kMs);
    ASSERT_TRUE(clock->wait_for_reads(clock->reads() + 3));
    EXPECT_FALSE(run.finished());
    clock->advance(1 * kMs);
    const BrowserCallback result = run.result();
    expect_failure(result, kErrorTimeout, "Timed out waiting for browser sign-in.");
    expect_closed_without_answer(browser);
  }
}

// True when this process holds no Winsock start: a socket cannot be made.
bool winsock_released() {
  const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (probe != INVALID_SOCKET) {
    closesocket(probe);
    return false;
  }
  return WSAGetLastError() == WSANOTINITIALISED;
}

TEST(BrowserCallbackTest, ReleasesWinsockOnEveryPath) {
  if (!winsock_released()) {
    GTEST_SKIP() << "another component of this process keeps Winsock started";
  }
  struct Case {
    std::string name;
    std::vector<BrowserVisit> visits;
    bool opens;
    bool stop;
    int32_t kind;
  };
  const std::vector<Case> cases = {
      {"answered", {{"GET /callback?code=abc HTTP/1.1\r\n\r\n"}}, true, false, kErrorNone},
      {"malformed", {{"POST / HTTP/1.1\r\n\r\n"}}, true, false, kErrorCallback},
      {"no browser", {}, false, false, kErrorBrowser},
      {"stopped", {}, true, true, kErrorCancelled},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestBrowser browser(c.visits, c.opens);
    {
      ListenerRun run(browser, std::make_shared<CountingClock>(), 180);
      if (c.stop) {
        ASSERT_TRUE(browser.wait_opened());
        run.request_stop();
      }
      EXPECT_EQ(run.result().failure.kind, c.kind);
    }
    ASSERT_TRUE(browser.wait_finished());
    EXPECT_TRUE(winsock_released());
  }
}

}  // namespace
}  // namespace halvarin::sdk
