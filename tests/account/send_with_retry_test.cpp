// The retry policy and cancellation of the transport, counted at the fake
// account service: through the TLS front for the table of outcomes, and
// over plain HTTP with an injected clock for the exact waits.
#include "account/send_with_retry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "account/connectivity_hint.h"
#include "tests/account/service_fixture.h"
#include "tests/support/fake_clock.h"
#include "tests/support/test_support.h"

namespace halvarin::sdk::test {
namespace {

using quorvel::windows::test::FakeClock;
using Milliseconds = std::chrono::milliseconds;

constexpr int64_t kNsPerMs = 1'000'000;
// A stop is seen within one 20 ms slice; Wine's scheduling gets the rest.
constexpr int64_t kPromptStopMs = 100;

FakeStep answer(int status, std::string body = {}) {
  return FakeStep{FakeAction::kAnswer, FakeAnswer{status, {}, std::move(body), false}, 0};
}
FakeStep close_without_answer() { return FakeStep{FakeAction::kCloseWithoutAnswer, {}, 0}; }
FakeStep held(int delay_ms, int status) {
  return FakeStep{FakeAction::kAnswer, FakeAnswer{status, {}, {}, false}, delay_ms};
}

int64_t elapsed_ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<Milliseconds>(std::chrono::steady_clock::now() - since)
      .count();
}

// A loopback port on which nothing listens.
std::string closed_root() {
  FakeAccountService probe;
  const uint16_t port = probe.port();
  return "http://127.0.0.1:" + std::to_string(port);
}

struct RetryRow {
  const char* name;
  const char* method;
  bool retry_safe;
  std::vector<FakeStep> script;
  size_t attempts;
  int32_t status;
  int32_t kind;
  std::string body;
};

// Runs every row against the fake at `root`; `closed_kind` is what a
// connection closed without an answer gives there.
void check_retry_table(const std::string& root, int32_t closed_kind, int32_t garbage_kind) {
  const std::vector<RetryRow> rows = {
      {"POST 503", "POST", false, {answer(503, "busy")}, 1, 503, kErrorNone, "busy"},
      {"retry-safe POST 503, 503, 200", "POST", true,
       {answer(503), answer(503), answer(200, "ok")}, 3, 200, kErrorNone, "ok"},
      {"GET 503 x 3", "GET", false, {answer(503, "a"), answer(503, "b"), answer(503, "c")}, 3,
       503, kErrorNone, "c"},
      {"GET 404", "GET", false, {answer(404, "missing"), answer(200)}, 1, 404, kErrorNone,
       "missing"},
      {"GET 401", "GET", false, {answer(401, "who"), answer(200)}, 1, 401, kErrorNone, "who"},
      {"GET closed", "GET", false, {close_without_answer()}, 3, 0, closed_kind, ""},
      {"POST closed", "POST", false, {close_without_answer()}, 1, 0, closed_kind, ""},
      {"GET garbage", "GET", false, {FakeStep{FakeAction::kGarbage, {}, 0}}, 3, 0,
       garbage_kind, ""},
  };
  for (const RetryRow& row : rows) {
    SCOPED_TRACE(row.name);
    account_service().reset();
    account_service().script(row.method, "/r", row.script);
    PlatformHooks hooks;
    hooks.connectivity_level = [] { return kConnectivityUnknown; };
    ClientConfiguration configuration = test_configuration(root);
    configuration.request_timeout = 500;
    const HttpResponse response = send_with_retry(configuration, row.method, "/r", "{}",
                                                  "application/json", "", row.retry_safe, hooks);
    EXPECT_EQ(account_service().request_count(), row.attempts);
    EXPECT_EQ(response.status, row.status);
    EXPECT_EQ(response.error.kind, row.kind) << response.error.message;
    EXPECT_EQ(response.body, row.body);
    if (row.kind != kErrorNone) {
      EXPECT_EQ(response.error.message, "The HTTP request failed.");
    }
  }
}

class PlainRetryTableTest : public ServiceTest {};

TEST_F(PlainRetryTableTest, RepeatsOnlyWhatThePolicyAllows) {
  check_retry_table(plain_root(), kErrorNetwork, kErrorNetwork);
}

TEST_F(PlainRetryTableTest, AnAnswerDroppedAfterTheServiceActedIsNotRepeatedForAPost) {
  std::atomic<int> performed{0};
  account_service().route("POST", "/r", [&](const FakeRequest&) {
    ++performed;
    return FakeAnswer{};
  });
  account_service().script("POST", "/r", {FakeStep{FakeAction::kPerformThenDrop, {}, 0}});
  PlatformHooks hooks;
  hooks.connectivity_level = [] { return kConnectivityUnknown; };
  const HttpResponse response = send_with_retry(test_configuration(plain_root()), "POST", "/r",
                                                "{}", "application/json", "", false, hooks);
  EXPECT_EQ(response.error.kind, kErrorNetwork);
  EXPECT_EQ(response.status, 0);
  EXPECT_EQ(performed.load(), 1);
  EXPECT_EQ(account_service().request_count(), 1u);
}

class RetryTableTest : public FrontTest {};

TEST_F(RetryTableTest, RepeatsOnlyWhatThePolicyAllows) {
  // Wine's TLS channel does not notice the front closing the connection
  // while it waits for the answer's headers: the response time-out ends the
  // attempt instead (retried all the same).
  check_retry_table(front_root("valid"),
                    quorvel::test::running_under_wine() ? kErrorTimeout : kErrorNetwork,
                    kErrorNetwork);
}

TEST_F(RetryTableTest, RetriesAGetAfterTwo503sWithGrowingGaps) {
  account_service().script("GET", "/r", {answer(503), answer(503), answer(200, "ok")});
  const HttpResponse response =
      send_with_retry(test_configuration(front_root("valid")), "GET", "/r", "", "", "", false);
  EXPECT_EQ(response.error.kind, kErrorNone) << response.error.message;
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(response.body, "ok");
  const std::vector<FakeRequest> requests = account_service().requests();
  ASSERT_EQ(requests.size(), 3u);
  // The real clock: only lower bounds hold (the exact waits are shown on an
  // injected clock below).
  EXPECT_GE(requests[1].time_ns - requests[0].time_ns, 150 * kNsPerMs);
  EXPECT_GE(requests[2].time_ns - requests[1].time_ns, 300 * kNsPerMs);
}

TEST_F(RetryTableTest, RetriesAGetWhoseAnswerIsHeldPastTheRequestTimeout) {
  account_service().script("GET", "/r", {held(3000, 200)});
  ClientConfiguration configuration = test_configuration(front_root("valid"));
  configuration.request_timeout = 500;
  const HttpResponse response = send_with_retry(configuration, "GET", "/r", "", "", "", false);
  EXPECT_EQ(account_service().request_count(), 3u);
  EXPECT_EQ(response.status, 0);
  EXPECT_EQ(response.error.kind, kErrorTimeout);
  EXPECT_EQ(response.error.message, "The HTTP request failed.");
}

class RetryFailureTest : public ServiceTest {};

TEST_F(RetryFailureTest, NothingListeningIsANetworkFailureWithTheRealHint) {
  const std::string root = closed_root();
  const HttpResponse response =
      send_with_retry(test_configuration(root), "GET", "/r", "", "", "", false);
  // Wine has no connectivity hint (level 0); Windows may report internet
  // access, which makes the refused connection an unreachable service.
  const bool internet = connectivity_hint() == kConnectivityInternet;
  EXPECT_EQ(response.error.kind, internet ? kErrorServiceUnavailable : kErrorNetwork);
  EXPECT_EQ(response.error.message, "The HTTP request failed.");
  EXPECT_EQ(response.status, 0);
}

TEST_F(RetryFailureTest, NothingListeningWithInternetAccessIsRetriedAsUnreachableService) {
  const std::string root = closed_root();
  PlatformHooks hooks;
  int level_queries = 0;
  hooks.connectivity_level = [&] {
    ++level_queries;
    return kConnectivityInternet;
  };
  const auto start = std::chrono::steady_clock::now();
  const HttpResponse response =
      send_with_retry(test_configuration(root), "GET", "/r", "", "", "", false, hooks);
  EXPECT_EQ(response.error.kind, kErrorServiceUnavailable);
  EXPECT_EQ(response.error.message, "The HTTP request failed.");
  EXPECT_EQ(level_queries, 3);  // once per attempt
  EXPECT_GE(elapsed_ms(start), 450);  // the waits of 150 and 300 ms
}

TEST_F(RetryFailureTest, NoAttemptsAllowedIsAnInternalErrorAndSendsNothing) {
  ClientConfiguration configuration = test_configuration(plain_root());
  configuration.retry.max_attempts = 0;
  const HttpResponse response = send_with_retry(configuration, "GET", "/r", "", "", "", false);
  EXPECT_EQ(response.error.kind, kErrorInternal);
  EXPECT_EQ(response.error.message, "The transport retry loop ended unexpectedly.");
  EXPECT_EQ(account_service().request_count(), 0u);
}

// Runs send_with_retry on its own thread with `clock` as the steady clock.
std::future<HttpResponse> send_in_background(const ClientConfiguration& configuration,
                                             std::shared_ptr<FakeClock> clock,
                                             const char* method = "GET") {
  return std::async(std::launch::async, [configuration, clock, method] {
    PlatformHooks hooks;
    hooks.steady_clock = clock;
    hooks.connectivity_level = [] { return kConnectivityUnknown; };
    return send_with_retry(configuration, method, "/r", "", "", "", false, hooks);
  });
}

// Moves the clock a day on when it goes away.
struct ClockRelease {
  std::shared_ptr<FakeClock> clock;
  ~ClockRelease() { clock->advance(int64_t{24} * 3600 * 1000 * kNsPerMs); }
};

// Moves `clock` from `from` through a wait of `length_ms` in the slices the
// waiting thread asks for, checking before each step that the fake has still
// seen only `requests` requests.
void drive_wait(FakeClock& clock, int64_t from, int64_t length_ms, size_t requests) {
  const int64_t end = from + length_ms * kNsPerMs;
  for (int64_t at = from; at < end;) {
    const int64_t next = std::min(at + 20 * kNsPerMs, end);
    ASSERT_TRUE(clock.wait_for_waiter(next)) << "no wait for " << (next - from) / kNsPerMs
                                             << " ms into the wait";
    ASSERT_EQ(account_service().request_count(), requests);
    clock.advance(next - at);
    at = next;
  }
}

TEST_F(RetryFailureTest, WaitsExactly150Then300MillisecondsBetweenAttempts) {
  account_service().script("GET", "/r", {answer(503), answer(503), answer(200, "ok")});
  auto clock = std::make_shared<FakeClock>();
  const int64_t start = clock->now();
  std::future<HttpResponse> result = send_in_background(test_configuration(plain_root()), clock);
  const ClockRelease release{clock};
  ASSERT_TRUE(account_service().wait_for_requests(1));
  ASSERT_NO_FATAL_FAILURE(drive_wait(*clock, start, 150, 1));
  ASSERT_TRUE(account_service().wait_for_requests(2));
  ASSERT_NO_FATAL_FAILURE(drive_wait(*clock, start + 150 * kNsPerMs, 300, 2));
  const HttpResponse response = result.get();
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(account_service().request_count(), 3u);
}

TEST_F(RetryFailureTest, DoublesTheWaitUpToTheLongestDelay) {
  account_service().script("GET", "/r", {answer(500)});
  ClientConfiguration configuration = test_configuration(plain_root());
  configuration.retry = RetryPolicy{100, 250, 4};
  auto clock = std::make_shared<FakeClock>();
  int64_t at = clock->now();
  std::future<HttpResponse> result = send_in_background(configuration, clock);
  const ClockRelease release{clock};
  size_t sent = 1;
  for (const int64_t wait_ms : {100, 200, 250}) {
    SCOPED_TRACE(wait_ms);
    ASSERT_TRUE(account_service().wait_for_requests(sent));
    ASSERT_NO_FATAL_FAILURE(drive_wait(*clock, at, wait_ms, sent));
    at += wait_ms * kNsPerMs;
    ++sent;
  }
  const HttpResponse response = result.get();
  EXPECT_EQ(response.status, 500);
  EXPECT_EQ(account_service().request_count(), 4u);
}

class CancellationTest : public FrontTest {};

TEST_F(CancellationTest, AStopBeforeTheCallSendsNothing) {
  std::stop_source stop;
  stop.request_stop();
  ClientConfiguration configuration = test_configuration(front_root("valid"));
  configuration.cancel_token = stop.get_token();
  HttpResponse response;
  const size_t sessions = front_sessions_during("valid", [&] {
    response = send_with_retry(configuration, "GET", "/r", "", "", "", false);
  });
  EXPECT_EQ(response.error.kind, kErrorCancelled);
  EXPECT_EQ(response.error.message, "The operation was cancelled.");
  EXPECT_EQ(response.status, 0);
  EXPECT_EQ(sessions, 0u);
  EXPECT_EQ(account_service().request_count(), 0u);
}

TEST_F(CancellationTest, AStopDuringTheWaitBeforeARetryEndsTheCallPromptly) {
  account_service().script("GET", "/r", {answer(503)});
  std::stop_source stop;
  ClientConfiguration configuration = test_configuration(front_root("valid"));
  configuration.cancel_token = stop.get_token();
  auto clock = std::make_shared<FakeClock>();
  std::future<HttpResponse> result = send_in_background(configuration, clock);
  // Should the stop be missed, moving the clock on ends the call, so that
  // the test fails instead of hanging.
  const ClockRelease release{clock};
  // The injected clock never moves, so only the stop can end the wait.
  ASSERT_TRUE(clock->wait_for_waiter(clock->now() + 20 * kNsPerMs));
  const auto stopped = std::chrono::steady_clock::now();
  stop.request_stop();
  ASSERT_EQ(result.wait_for(Milliseconds(2000)), std::future_status::ready);
  EXPECT_LT(elapsed_ms(stopped), kPromptStopMs);
  const HttpResponse response = result.get();
  EXPECT_EQ(response.error.kind, kErrorCancelled);
  EXPECT_EQ(response.error.message, "The operation was cancelled.");
  EXPECT_EQ(response.status, 0);
  EXPECT_TRUE(response.body.empty());
  EXPECT_EQ(account_service().request_count(), 1u);
}

TEST_F(CancellationTest, AStopEndsARequestWhoseAnswerIsHeld) {
  for (const char* method : {"GET", "POST"}) {
    SCOPED_TRACE(method);
    account_service().reset();
    account_service().script(method, "/r", {held(5000, 200)});
    std::stop_source stop;
    ClientConfiguration configuration = test_configuration(front_root("valid"));
    configuration.request_timeout = 30000;
    configuration.cancel_token = stop.get_token();
    std::future<HttpResponse> result =
        send_in_background(configuration, std::make_shared<FakeClock>(), method);
    ASSERT_TRUE(account_service().wait_for_requests(1));
    const auto stopped = std::chrono::steady_clock::now();
    stop.request_stop();
    ASSERT_EQ(result.wait_for(Milliseconds(2000)), std::future_status::ready);
    EXPECT_LT(elapsed_ms(stopped), kPromptStopMs);
    const HttpResponse response = result.get();
    EXPECT_EQ(response.error.kind, kErrorCancelled);
    EXPECT_EQ(response.error.message, "The operation was cancelled.");
    EXPECT_EQ(account_service().request_count(), 1u);
  }
}

}  // namespace
}  // namespace halvarin::sdk::test
